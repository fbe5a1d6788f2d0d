#include <string>

#include "headless_fixture.h"
#include "toolkit/application.h"

namespace varnel::tk {
namespace {

class DialogTest : public test::HeadlessTest {};

TEST_F(DialogTest, MessageBoxesAreRecordedInOrder)
{
    messageBox("Please read model and version first!", "Notice", Icon::Error);
    backend.advance(250);
    messageBox("Read success!", "", Icon::Information);
    ASSERT_EQ(backend.messages().size(), 2u);
    EXPECT_EQ(backend.messages()[0].caption, "Notice");
    EXPECT_EQ(backend.messages()[0].icon, Icon::Error);
    EXPECT_EQ(backend.messages()[1].at, 250);
    EXPECT_EQ(backend.messageTexts(), (std::vector<std::string>{"Please read model and version first!", "Read success!"}));
    backend.clearMessages();
    EXPECT_TRUE(backend.messages().empty());
}

TEST_F(DialogTest, InputBoxTakesScriptedAnswersAndCancelsWhenNoneIsLeft)
{
    backend.answerInput("1234");
    backend.answerInput(std::nullopt);
    EXPECT_EQ(inputBox("Password", "Please input the password:"), "1234");
    EXPECT_EQ(inputBox("Password", "again"), std::nullopt);
    EXPECT_EQ(inputBox("Password", "unscripted", "x"), std::nullopt);
    ASSERT_EQ(backend.inputRequests().size(), 3u);
    EXPECT_EQ(backend.inputRequests()[0].prompt, "Please input the password:");
    EXPECT_EQ(backend.inputRequests()[2].defaultText, "x");
}

TEST_F(DialogTest, FileDialogsTakeTheirOwnAnswersAndRecordTheOptions)
{
    backend.answerOpen("/tmp/a.ini");
    backend.answerSave("/tmp/b.ini");
    FileDialogOptions options;
    options.filter = "*.ini|*.ini";
    options.initialName = "last.ini";
    EXPECT_EQ(saveFileDialog(options), std::filesystem::path("/tmp/b.ini"));
    EXPECT_EQ(openFileDialog(options), std::filesystem::path("/tmp/a.ini"));
    EXPECT_EQ(openFileDialog(options), std::nullopt);
    ASSERT_EQ(backend.fileDialogs().size(), 3u);
    EXPECT_TRUE(backend.fileDialogs()[0].save);
    EXPECT_FALSE(backend.fileDialogs()[1].save);
    EXPECT_EQ(backend.fileDialogs()[1].options.filter, "*.ini|*.ini");
    EXPECT_EQ(backend.fileDialogs()[1].options.initialName, "last.ini");
}

TEST_F(DialogTest, TheTestCanActWhileAMessageBoxIsUp)
{
    int seenWhileUp = 0;
    backend.onMessage = [&](const HeadlessBackend::MessageRecord& m) {
        if (m.text == "Read/Write Timeout!") ++seenWhileUp;
    };
    messageBox("Read/Write Timeout!", "", Icon::Warning);
    EXPECT_EQ(seenWhileUp, 1);
}

TEST(DialogWithoutApplication, ShortcutsNeedAnApplication)
{
    EXPECT_THROW(messageBox("x", "y"), std::logic_error);
    EXPECT_THROW(backend(), std::logic_error);
}

}  // namespace
}  // namespace varnel::tk
