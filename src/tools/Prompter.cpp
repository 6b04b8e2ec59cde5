#include "tools/Prompter.h"

namespace {

QStringList& Titles() {
    static QStringList titles = {QStringLiteral("Message"), QStringLiteral("Warning"),
                                 QStringLiteral("Error"), QStringLiteral("Question"),
                                 QStringLiteral("Information")};
    return titles;
}

} // namespace

QStringList MessageBoxTitles() {
    return Titles();
}

void SetMessageBoxTitles(const QStringList& titles) {
    for (int i = 0; i < titles.size() && i < Titles().size(); ++i)
        Titles()[i] = titles[i];
}

QString MessageBoxTitle(int kind) {
    if (kind < 0 || kind >= Titles().size()) return Titles()[0];
    return Titles()[kind];
}
