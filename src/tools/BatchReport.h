#pragma once

#include <QString>
#include <functional>

// Told after each file of a tool's run: whether the file was done and, when it was not,
// why (empty when the reason is unknown).
using TFileDone = std::function<void(const QString& path, bool ok, const QString& error)>;
