#include "GuiMain.h"
#include "io/SonvaleError.h"
#include "support/ScriptedPrompter.h"

#include <QCoreApplication>
#include <QEvent>
#include <gtest/gtest.h>

namespace {

class TThrower : public QObject {
public:
    bool Std = false;
    int Handled = 0;
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User) return QObject::event(e);
        ++Handled;
        if (Std) throw std::runtime_error("plain failure");
        throw ESonvaleError(QStringLiteral("Impossible d'ouvrir le fichier x.mp3"));
    }
};

} // namespace

TEST(SonvaleApp, ErrorsLeavingHandlersAreShownAndTheLoopGoesOn) {
    auto& app = TestApp();
    auto prompter = std::make_shared<TScriptedPrompter>();
    app.ErrorPrompter = prompter;
    TThrower t;
    QCoreApplication::postEvent(&t, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    t.Std = true;
    QCoreApplication::postEvent(&t, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(t.Handled, 2);
    ASSERT_EQ(prompter->Shown.size(), 2);
    EXPECT_EQ(prompter->Shown[0].Text, "Impossible d'ouvrir le fichier x.mp3");
    EXPECT_EQ(prompter->Shown[0].Kind, mkError);
    EXPECT_EQ(prompter->Shown[1].Text, "plain failure");
    app.ErrorPrompter.reset();
}
