#pragma once

#include <QString>
#include <exception>

// Every failure the system raises (damaged file, refused file, failed write)
// is one of these; the GUI's error display and the CLI show Message.
class ESonvaleError : public std::exception {
public:
    explicit ESonvaleError(QString message) : Message(std::move(message)), utf8(Message.toUtf8()) {}
    const char* what() const noexcept override { return utf8.constData(); }
    QString Message;

private:
    QByteArray utf8;
};

// A file could not be opened or created (the stream's open errors).
class EFOpenError : public ESonvaleError {
public:
    using ESonvaleError::ESonvaleError;
};

// Reading or writing a stream failed or came up short.
class EStreamError : public ESonvaleError {
public:
    using ESonvaleError::ESonvaleError;
};
