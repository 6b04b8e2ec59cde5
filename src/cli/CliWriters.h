#pragma once

#include "tools/StreamWriter.h"

// --dry-run: nothing is written; what would be written is kept for the report.
class TCliDryRunWriter : public TStreamWriter {
public:
    QByteArray Content;
    bool RunStreamWriter() override {
        Content = Buffer;
        Buffer.clear();
        LastError.clear();
        return true;
    }
};
