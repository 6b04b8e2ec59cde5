#include "gui/Starter.h"

#include "gui/TopBand.h"
#include "platform/StartupRoute.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TStarter::TStarter(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TStarter"));
    setModal(true);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);

    const TTopBand band = MakeTopBand(this);
    band.Band->setObjectName(QStringLiteral("starttop_pnl"));
    band.Band->setMinimumWidth(380);
    // Own names: the window's band is searched by name among the main window's children.
    band.Title->setObjectName(QStringLiteral("starttitle_lbl"));
    band.Subtitle->setObjectName(QStringLiteral("startsubtitle_lbl"));
    band.Picture->setObjectName(QStringLiteral("starticon_img"));
    band.Title->setText(QStringLiteral("Sonvale"));
    FSubtitle = band.Subtitle;
    const QIcon icon = parent && !parent->windowIcon().isNull()
                           ? parent->windowIcon()
                           : style()->standardIcon(QStyle::SP_MediaVolume);
    band.Picture->setPixmap(icon.pixmap(32, 32));
    outer->addWidget(band.Band);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 12, 12, 12);
    neveragain_chk = new QCheckBox(this);
    neveragain_chk->setObjectName(QStringLiteral("neveragain_chk"));
    connect(neveragain_chk, &QCheckBox::clicked, this, &TStarter::neveragain_chkClick);
    body->addWidget(neveragain_chk);
    auto* row = new QHBoxLayout;
    row->addStretch();
    start_btn = new QPushButton(this);
    start_btn->setObjectName(QStringLiteral("start_btn"));
    start_btn->setDefault(true);
    connect(start_btn, &QPushButton::clicked, this, &TStarter::start_btnClick);
    row->addWidget(start_btn);
    body->addLayout(row);
    outer->addLayout(body);
    RetranslateUi();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TStarter::RetranslateUi() {
    setWindowTitle(tr("Welcome to Sonvale"));
    FSubtitle->setText(tr("Welcome To Sonvale"));
    neveragain_chk->setText(tr("Do not display this message again"));
    start_btn->setText(tr("Start Sonvale"));
}

void TStarter::changeEvent(QEvent* e) {
    if (e->type() == QEvent::LanguageChange) RetranslateUi();
    QDialog::changeEvent(e);
}

void TStarter::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Centred on the main window.
    if (QWidget* owner = parentWidget()) move(owner->geometry().center() - rect().center());
    start_btn->setFocus();
}

void TStarter::start_btnClick() {
    accept();
}

void TStarter::neveragain_chkClick() {
    SetDontShowStarter(neveragain_chk->isChecked());
}
