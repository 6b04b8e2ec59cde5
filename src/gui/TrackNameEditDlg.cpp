#include "gui/TrackNameEditDlg.h"
#include "gui/DialogButtons.h"

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
    AddOkCancelButtons(this, lay);
    setFixedHeight(sizeHint().height());
}

bool TTrackNameEditDlg::ExecuteEdit() {
    track_txt->setFocus();
    return exec() == QDialog::Accepted;
}
