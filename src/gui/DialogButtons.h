#pragma once

class QBoxLayout;
class QDialog;
class QDialogButtonBox;

// "Ok" (default button, accepts) and "Cancel" (Escape, rejects) at the foot of a dialog;
// objectNames ok_btn and cancel_btn.
QDialogButtonBox* AddOkCancelButtons(QDialog* dialog, QBoxLayout* layout);
