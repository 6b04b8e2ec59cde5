#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;

// The start-up assistant ("Welcome to Sonvale"), shown modally at start unless the user
// asked not to see it again.
class TStarter : public QDialog {
    Q_OBJECT
public:
    explicit TStarter(QWidget* parent = nullptr);

    void RetranslateUi();

public slots:
    void start_btnClick();
    void neveragain_chkClick();

protected:
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    class QLabel* FSubtitle;
    QCheckBox* neveragain_chk;
    QPushButton* start_btn;
};
