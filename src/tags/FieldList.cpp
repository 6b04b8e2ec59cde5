#include "tags/FieldList.h"

QString FieldName(const QString& line) {
    int eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? line : line.left(eq);
}

QString FieldValueOf(const QString& line) {
    int eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : line.mid(eq + 1);
}

int FieldIndex(const QStringList& list, const QString& name) {
    for (int i = 0; i < list.size(); ++i) {
        const QString& line = list[i];
        int eq = line.indexOf(QLatin1Char('='));
        QStringView n = eq < 0 ? QStringView(line) : QStringView(line).left(eq);
        if (n.compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

QString FieldValue(const QStringList& list, const QString& name) {
    int i = FieldIndex(list, name);
    return i < 0 ? QString() : FieldValueOf(list[i]);
}

void SetFieldValue(QStringList& list, const QString& name, const QString& value) {
    int i = FieldIndex(list, name);
    if (value.isEmpty()) {
        if (i >= 0) list.removeAt(i);
        return;
    }
    QString line = name + QLatin1Char('=') + value;
    if (i >= 0)
        list[i] = line;
    else
        list.append(line);
}
