#pragma once

#include "gui/PanelHost.h"

#include <QBoxLayout>
#include <QPushButton>
#include <QStyle>

// A tool's button in the column beside its panel's list, named `name`, with the theme's
// icon or the style's own.
inline QPushButton* AddColumnButton(TPanelHost* dlg, TToolPanel panel, const char* name,
                                    const QString& caption, const char* icon,
                                    QStyle::StandardPixmap fallback) {
    QWidget* parent = dlg->Panel(panel);
    auto* b = new QPushButton(
        QIcon::fromTheme(QString::fromLatin1(icon), parent->style()->standardIcon(fallback)),
        caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    dlg->ButtonColumn(panel)->addWidget(b);
    return b;
}
