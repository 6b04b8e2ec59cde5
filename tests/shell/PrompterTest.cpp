#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

TEST(Prompter, TitlesFollowTheLanguage) {
    EXPECT_EQ(MessageBoxTitle(mkNone), "Message");
    EXPECT_EQ(MessageBoxTitle(mkWarning), "Warning");
    EXPECT_EQ(MessageBoxTitle(mkError), "Error");
    EXPECT_EQ(MessageBoxTitle(mkQuestion), "Question");
    EXPECT_EQ(MessageBoxTitle(mkInformation), "Information");
    EXPECT_EQ(MessageBoxTitle(99), "Message");
    EXPECT_EQ(MessageBoxTitle(-1), "Message");
    const QStringList english = MessageBoxTitles();
    SetMessageBoxTitles({"Nachricht", "Warnung"});
    EXPECT_EQ(MessageBoxTitle(mkWarning), "Warnung");
    EXPECT_EQ(MessageBoxTitle(mkError), "Error");
    SetMessageBoxTitles(english);
}

TEST(Prompter, ShorthandsUseTheirKinds) {
    TScriptedPrompter p;
    p.Answers << mrYes << mrNo;
    EXPECT_TRUE(p.AskQuestion("q?"));
    EXPECT_FALSE(p.AskWarning("w?"));
    ASSERT_EQ(p.Shown.size(), 2);
    EXPECT_EQ(p.Shown[0].Kind, mkQuestion);
    EXPECT_EQ(p.Shown[0].Buttons, mbYesNo);
    EXPECT_EQ(p.Shown[1].Kind, mkWarning);
    // An unscripted question is a test fault, not a silent answer.
    EXPECT_THROW(p.AskQuestion("again?"), std::logic_error);
}
