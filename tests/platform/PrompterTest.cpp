#include <gtest/gtest.h>

#include "Prompter.h"

using namespace kalvora;

TEST(Prompter, ScriptedAnswersAndRecordsEveryQuestion) {
  ScriptedPrompter script;
  script.answerMessage(mrNo).answerFolder("/tmp/x").answerFiles({"/a.jpg", "/b.jpg"});
  {
    PrompterScope scope(script);
    EXPECT_EQ(CurrentPrompter().message(MsgKind::Confirmation, "T", "Delete?", mbYes | mbNo), mrNo);
    // Unscripted: the OK or Yes button.
    EXPECT_EQ(CurrentPrompter().message(MsgKind::Confirmation, "T", "Again?", mbYes | mbNo), mrYes);
    ShowMessage("Done");
    EXPECT_EQ(CurrentPrompter().folder("Pick", "/"), "/tmp/x");
    EXPECT_EQ(CurrentPrompter().openFiles("Pick", "/", "*"), QStringList({"/a.jpg", "/b.jpg"}));
    EXPECT_TRUE(CurrentPrompter().openFile("Pick", "/", "*").isEmpty());
    EXPECT_FALSE(CurrentPrompter().color(Qt::red).has_value());
  }
  EXPECT_EQ(script.messageTexts(), QStringList({"Delete?", "Again?", "Done"}));
  EXPECT_EQ(script.questions().size(), 7u);
  EXPECT_NE(&CurrentPrompter(), &script);  // the scope put the previous prompter back
}
