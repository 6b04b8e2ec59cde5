#pragma once

#include "io/SonvaleError.h"

#include <QString>
#include <QStringList>
#include <exception>
#include <functional>

// Told after each file of a tool's run: whether the file was done and, when it was not,
// why (empty when the reason is unknown).
using TFileDone = std::function<void(const QString& path, bool ok, const QString& error)>;

// A closing message: `heading`, then the first ten of `lines` ("path: reason") and "..."
// for the rest.
inline QString FailureListText(const QString& heading, const QStringList& lines) {
    constexpr int kListed = 10;
    QString text = heading;
    for (int i = 0; i < lines.size() && i < kListed; ++i)
        text += QLatin1Char('\n') + lines[i];
    if (lines.size() > kListed) text += QStringLiteral("\n...");
    return text;
}

// One file's work in a batch: the error it raises as text, empty when none. Unless
// `keepGoing`, the error passes on instead and the batch stops at that file.
template <class F> QString FileStepError(bool keepGoing, const F& work) {
    try {
        work();
    } catch (const ESonvaleError& e) {
        if (!keepGoing) throw;
        return e.Message;
    } catch (const std::exception& e) {
        if (!keepGoing) throw;
        return QString::fromLocal8Bit(e.what());
    }
    return {};
}
