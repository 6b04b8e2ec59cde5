#include "tools/BatchReport.h"

QString FailureListText(const QString& head, const QList<TFileFailure>& failures, int shown) {
    QString text = head;
    const int n = int(failures.size());
    for (int i = 0; i < n && i < shown; ++i)
        text += QStringLiteral("\n%1: %2").arg(failures[i].Path, failures[i].Reason);
    if (n > shown) text += QStringLiteral("\n... and %1 more").arg(n - shown);
    return text;
}

QString MissingFileReason(const QString& path) {
    if (path.contains(QChar(QChar::ReplacementCharacter)))
        return QStringLiteral("the name on disk is not valid UTF-8");
    return QStringLiteral("No such file");
}
