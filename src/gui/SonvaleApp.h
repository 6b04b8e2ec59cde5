#pragma once

#include <QApplication>
#include <memory>

class TPrompter;

// The application object: an exception that leaves an event handler is shown in an
// error box and the program goes on.
class TSonvaleApp : public QApplication {
public:
    TSonvaleApp(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Where errors are shown; real message boxes when unset.
    std::shared_ptr<TPrompter> ErrorPrompter;

private:
    void Report(const QString& text);
};
