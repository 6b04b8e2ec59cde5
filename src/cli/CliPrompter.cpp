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

int TListingPrompter::ShowMessageBox(const QString& text, int buttons, int) {
    PrintErr(text + QLatin1Char('\n'));
    return buttons == mbOk ? mrOk : mrNo;
}

void TListingPrompter::ShowPlainMessage(const QString& text) {
    PrintErr(text + QLatin1Char('\n'));
}
