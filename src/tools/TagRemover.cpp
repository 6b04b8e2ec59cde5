#include "tools/TagRemover.h"

#include "audio/AudioFile.h"
#include "io/FileUtils.h"
#include "io/SonvaleError.h"
#include "lang/TextStorage.h"
#include "tools/Progress.h"
#include "tools/Prompter.h"

#include <cmath>

TTagRemoverResult RunTagRemover(const TTagRemoverOptions& options, TProgress& progress,
                                TPrompter& prompter) {
    TTagRemoverResult result;
    if (options.Paths.isEmpty()) return result;
    const int kinds = options.Kinds & 15;
    if (kinds == 0) {
        prompter.ShowPlainMessage(Tr("No tags selected."));
        return result;
    }
    result.Ran = true;
    result.Result = true;
    result.Total = int(options.Paths.size());
    progress.SetRange(100);
    // The caller's list may change while pending events run; the run keeps its own copy.
    QStringList remaining = options.Paths;
    const double n = result.Total;
    while (!remaining.isEmpty()) {
        const QString path = remaining.first();
        const int done = result.Total - int(remaining.size());
        if (!NextItem(progress, done, result.Total, path)) {
            result.Stopped = true;
            break;
        }
        bool ok = false;
        QString error;
        if (!WideFileExists(path)) {
            error = Tr("No such file");
        } else {
            TAudioFile af;
            af.SetFileName(path);
            try {
                if (af.Open()) {
                    ok = af.Reader->RemoveTags(kinds);
                    af.Close();
                    if (!ok) error = Tr("tags not removed");
                } else {
                    error = Tr("Unknown audio format");
                }
            } catch (const ESonvaleError& e) {
                af.Close();
                if (!options.KeepGoing) throw;
                error = e.Message;
            } catch (const std::exception& e) {
                af.Close();
                if (!options.KeepGoing) throw;
                error = QString::fromLocal8Bit(e.what());
            }
        }
        if (!ok) {
            result.Result = false;
            ++result.Failed;
        }
        if (options.FileDone) options.FileDone(path, ok, error);
        remaining.removeFirst();
        progress.SetPosition(int(std::nearbyint((1.0 - double(remaining.size()) / n) * 100.0)));
    }
    result.Handled = result.Total - int(remaining.size());
    const QString errors = Tr("Errors have occured while removing metatags");
    if (result.Stopped)
        prompter.ShowPlainMessage(StoppedMessage(result.Handled, result.Total) +
                                  (result.Failed ? QStringLiteral("\n") + errors : QString()));
    else
        prompter.ShowPlainMessage(
            result.Result ? Tr("MetaTags successfully removed from all files.") : errors);
    progress.SetPosition(0);
    return result;
}
