#pragma once

#include "support/AudioFixtures.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// sonvale-cli as a test runs it: the exit status, and what it printed as text.
struct TCliRun {
    QString out, err;
    int operator()(const QStringList& args) {
        QByteArray o, e;
        const int rc =
            fixtures::RunProgram(QString::fromUtf8(SONVALE_CLI_PATH), args, &o, &e, 120000);
        out = QString::fromUtf8(o);
        err = QString::fromUtf8(e);
        return rc;
    }
};

// A test with its own folder and the CLI to run over it.
class TCliFolderTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    TCliRun Cli;
    QString& out = Cli.out;
    QString& err = Cli.err;
};
