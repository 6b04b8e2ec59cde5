#include "gui/TrackNameEditDlg.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TTrackNameEditDlg::TTrackNameEditDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TTrackNameEditDlg"));
    setWindowTitle(tr("Edit"));
    setModal(true);
    auto* lay = new QVBoxLayout(this);
    track_txt = new QLineEdit(this);
    track_txt->setObjectName(QStringLiteral("track_txt"));
    track_txt->setMinimumWidth(360);
    lay->addWidget(track_txt);
    auto* box = new QDialogButtonBox(this);
    auto* ok = box->addButton(tr("Ok"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok_btn"));
    ok->setDefault(true);
    auto* cancel = box->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancel_btn"));
    cancel->setAutoDefault(false);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    lay->addWidget(box);
    setFixedHeight(sizeHint().height());
}

bool TTrackNameEditDlg::ExecuteEdit() {
    track_txt->setFocus();
    return exec() == QDialog::Accepted;
}
