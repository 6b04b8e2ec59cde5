#include "gui/TopBand.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

TTopBand MakeTopBand(QWidget* parent) {
    TTopBand t;
    t.Band = new QWidget(parent);
    t.Band->setObjectName(QStringLiteral("top_pnl"));
    // The light band of a light palette, and a dark one under a dark palette: the colours of
    // a text field's background and text, whatever the desktop's theme.
    t.Band->setAutoFillBackground(true);
    t.Band->setBackgroundRole(QPalette::Base);
    t.Band->setForegroundRole(QPalette::Text);
    auto* lay = new QHBoxLayout(t.Band);
    auto* texts = new QVBoxLayout;
    t.Title = new QLabel(t.Band);
    t.Title->setObjectName(QStringLiteral("title_lbl"));
    QFont f = t.Title->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.3);
    t.Title->setFont(f);
    t.Subtitle = new QLabel(t.Band);
    t.Subtitle->setObjectName(QStringLiteral("subtitle_lbl"));
    t.Subtitle->setWordWrap(true);
    for (QLabel* l : {t.Title, t.Subtitle})
        l->setForegroundRole(QPalette::Text);
    texts->addWidget(t.Title);
    texts->addWidget(t.Subtitle);
    lay->addLayout(texts, 1);
    t.Picture = new QLabel(t.Band);
    t.Picture->setObjectName(QStringLiteral("icon_img"));
    t.Picture->setFixedSize(32, 32);
    lay->addWidget(t.Picture);
    return t;
}
