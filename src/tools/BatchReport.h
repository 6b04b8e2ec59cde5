#pragma once

#include "io/SonvaleError.h"

#include <QString>
#include <exception>
#include <functional>

// Told after each file of a tool's run: whether the file was done and, when it was not,
// why (empty when the reason is unknown).
using TFileDone = std::function<void(const QString& path, bool ok, const QString& error)>;

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
