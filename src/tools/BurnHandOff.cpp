#include "tools/BurnHandOff.h"

#include "io/SonvaleError.h"
#include "lang/TextStorage.h"
#include "tools/Compilation.h"
#include "tools/Prompter.h"

#include <QCoreApplication>
#include <algorithm>

const char* const kBurnhavenDownloadUrl = "https://burnhaven.example/download";

namespace {} // namespace

TBurnPlan PrepareBurn(const TBurnRequest& request, TPrompter& prompter) {
    TBurnPlan plan;
    platform::TBurnProgram program = platform::FindBurnhaven(request.Configured);
    if (!program.Installed() && request.Detected.isEmpty()) {
        if (prompter.AskWarning(
                Tr("Burnhaven is required to burn CDs or DVDs. Do you want to download it now ?")))
            plan.Step = TBurnStep::DownloadWanted;
        return plan;
    }
    if (!request.Compilation || !IsValidCompilation(request.Compilation->Total())) {
        prompter.ShowPlainMessage(Tr("Invalid file list."));
        return plan;
    }
    if (!program.Installed()) {
        program = request.Detected.first();
        if (!prompter.AskQuestion(
                Tr("Burnhaven is not installed. Do you want to burn this compilation with %1 ?")
                    .arg(program.Name)))
            return plan;
    }
    plan.CompilationFile = CompilationFileName(request.Folder, request.BaseName, 0);
    try {
        WriteCompilationFile(plan.CompilationFile, request.Compilation->Paths());
    } catch (const ESonvaleError& e) {
        prompter.ShowMessageBox(e.Message, mbOk, mkError);
        return plan;
    }
    plan.Program = program;
    plan.Step = TBurnStep::HandOff;
    return plan;
}

THandOffTick HandOffTick(THandOffState& state, bool programRunning) {
    if (programRunning || state.Launching) return THandOffTick::Wait;
    if (state.Step >= state.CompilationCount) return THandOffTick::Finish;
    ++state.Step;
    return THandOffTick::Launch;
}

QStringList HandOffArguments(const platform::TBurnProgram& program, const THandOffState& state,
                             int number) {
    const QString file = CompilationFileName(state.Folder, state.BaseName, number - 1);
    switch (program.Form) {
    case platform::TBurnForm::Switches:
        return {state.AudioMode ? QStringLiteral("/cdaudio") : QStringLiteral("/fl"), file};
    case platform::TBurnForm::Placeholder: {
        QStringList args = program.Arguments;
        for (QString& a : args) {
            const qsizetype at = a.indexOf(QStringLiteral("%1"));
            if (at < 0) continue;
            a.replace(at, 2, file);
            break;
        }
        return args;
    }
    case platform::TBurnForm::AudioFiles: {
        // Such a program reads no compilation file: it gets the files it lists, given so
        // that its project holds them in the compilation's order.
        QStringList files = ReadCompilationFile(file);
        if (program.ReversesFiles) std::reverse(files.begin(), files.end());
        return program.Arguments + files;
    }
    }
    return {};
}

bool LaunchHandOff(const platform::TBurnProgram& program, const THandOffState& state, int number,
                   platform::TWatchedProcess& process) {
    QStringList args;
    try {
        args = HandOffArguments(program, state, number);
    } catch (const ESonvaleError&) {
        return false;
    }
    return process.Start(program.Program, args);
}
