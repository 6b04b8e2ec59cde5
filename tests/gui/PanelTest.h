#pragma once

#include "GuiMain.h"
#include "gui/MainDlg.h"
#include "support/ScriptedPrompter.h"

#include <QAbstractButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

// A main window whose questions a script answers, and a temporary folder, for the tests
// that drive the tool panels as a user would.
class TPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        prompter = std::make_shared<TScriptedPrompter>();
        dlg = std::make_unique<TMainDlg>(prompter);
    }
    template <class T> T* Find(const char* name) {
        T* w = dlg->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void Click(const char* name) {
        auto* b = Find<QAbstractButton>(name);
        ASSERT_NE(b, nullptr);
        QTest::mouseClick(b, Qt::LeftButton);
    }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    std::shared_ptr<TScriptedPrompter> prompter;
    std::unique_ptr<TMainDlg> dlg;
};
