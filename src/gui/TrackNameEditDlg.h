#pragma once

#include <QDialog>

class QLineEdit;

// Edits one line of text, e.g. one of the album renamer's new track names.
class TTrackNameEditDlg : public QDialog {
    Q_OBJECT
public:
    explicit TTrackNameEditDlg(QWidget* parent = nullptr);

    // Shows the dialog modally with the text the caller put into track_txt; true
    // when closed with "Ok", the caller then reads track_txt.
    bool ExecuteEdit();

    QLineEdit* track_txt;
};
