#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// Built-in icons for desktops without an icon theme: a rounded tile in `color` with a
// white symbol, drawn for every size the window needs (also at 200 % scaling). The
// symbol "dup" draws two overlapping sheets.
QIcon GlyphIcon(const QString& symbol, const QColor& color);

// The desktop theme's icon `name`, else `fallback`.
QIcon ThemeIconOr(const char* name, const QIcon& fallback);

// The application's own icon: the desktop theme's when the program is installed, else the
// one built into the program.
QIcon AppIcon();
