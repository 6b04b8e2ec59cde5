#pragma once

#include <QString>
#include <QStringList>

// A tag field list: ordered "name=value" lines. Names are matched without
// regard to letter case; a lookup returns the first line with the name.

// The name part of a line (everything before the first "=").
QString FieldName(const QString& line);
// The value part of a line (everything after the first "="); empty when the
// line has no "=".
QString FieldValueOf(const QString& line);
// Index of the first line named `name`, or -1.
int FieldIndex(const QStringList& list, const QString& name);
QString FieldValue(const QStringList& list, const QString& name);
// Replaces the first line named `name`, or appends one; an empty value
// removes that line instead.
void SetFieldValue(QStringList& list, const QString& name, const QString& value);
