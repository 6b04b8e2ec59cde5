#include "gui/DialogButtons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

QDialogButtonBox* AddOkCancelButtons(QDialog* dialog, QBoxLayout* layout) {
    auto* box = new QDialogButtonBox(dialog);
    auto* ok = box->addButton(QDialog::tr("Ok"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok_btn"));
    ok->setDefault(true);
    auto* cancel = box->addButton(QDialog::tr("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancel_btn"));
    cancel->setAutoDefault(false);
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(box);
    return box;
}
