#include "cli/CliPrompter.h"

#include "cli/CliCommon.h"

int TCliPrompter::ShowMessageBox(const QString& text, int buttons, int kind) {
    if (kind == mkWarning || kind == mkError)
        PrintErr(text + QLatin1Char('\n'));
    else
        PrintOut(text + QLatin1Char('\n'));
    return buttons == mbOk ? mrOk : mrNo;
}

void TCliPrompter::ShowPlainMessage(const QString& text) {
    PrintOut(text + QLatin1Char('\n'));
}

int TCliRecordingPrompter::ShowMessageBox(const QString& text, int buttons, int kind) {
    (kind == mkWarning || kind == mkError ? Errors : Messages).append(text);
    if (Quiet) return buttons == mbOk ? mrOk : mrNo;
    return TCliPrompter::ShowMessageBox(text, buttons, kind);
}

void TCliRecordingPrompter::ShowPlainMessage(const QString& text) {
    Messages.append(text);
    if (!Quiet) TCliPrompter::ShowPlainMessage(text);
}
