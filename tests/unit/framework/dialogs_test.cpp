// The dialog script and record of the headless back end.
#include <gtest/gtest.h>

#include "src/framework/framework.h"
#include "src/framework/headless/headless_loop.h"
#include "virtual_clock.h"

namespace {

using fw::DialogButtons;
using fw::DialogKind;
using fw::headless::Answer;
using fw::headless::HeadlessLoop;

struct DialogsTest : testing::Test {
    VirtualClock machine;
    fw::TApplication app{std::make_unique<HeadlessLoop>()};
    HeadlessLoop& loop = static_cast<HeadlessLoop&>(app.Loop());
};

TEST_F(DialogsTest, ScriptedAnswersAreTakenInOrderAndRecorded) {
    loop.Script({Answer::Yes, Answer::Ok, Answer::No});
    EXPECT_TRUE(fw::MessageDlg("Continue ?", DialogKind::Warning, DialogButtons::YesNo));
    EXPECT_FALSE(fw::MessageDlg("Done.", DialogKind::Information, DialogButtons::Ok));
    EXPECT_FALSE(fw::MessageDlg("Again ?", DialogKind::Warning, DialogButtons::YesNo));
    EXPECT_EQ(loop.UnusedAnswers(), 0u);

    const auto& shown = loop.Dialogs();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].kind, DialogKind::Warning);
    EXPECT_EQ(shown[0].text, "Continue ?");
    EXPECT_EQ(shown[0].buttons, DialogButtons::YesNo);
    EXPECT_EQ(shown[0].answer, Answer::Yes);
    EXPECT_EQ(shown[1].kind, DialogKind::Information);
    EXPECT_EQ(shown[2].answer, Answer::No);
    for (const auto& dialog : shown) {
        EXPECT_TRUE(dialog.scripted);
        EXPECT_FALSE(dialog.misfit);
    }
}

TEST_F(DialogsTest, UnscriptedAndMisfitAnswersDeclineAndShowUp) {
    EXPECT_FALSE(fw::MessageDlg("Sure ?", DialogKind::Warning, DialogButtons::YesNo));
    loop.Script({Answer::Ok, Answer::Yes});
    EXPECT_FALSE(fw::MessageDlg("Sure ?", DialogKind::Warning, DialogButtons::YesNo));
    EXPECT_FALSE(fw::MessageDlg("Error", DialogKind::Error, DialogButtons::Ok));

    const auto& shown = loop.Dialogs();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_FALSE(shown[0].scripted);
    EXPECT_EQ(shown[0].answer, Answer::No);
    EXPECT_TRUE(shown[1].misfit);
    EXPECT_EQ(shown[1].answer, Answer::No);
    EXPECT_TRUE(shown[2].misfit);
    EXPECT_EQ(shown[2].answer, Answer::Ok);
}

TEST_F(DialogsTest, ObserverActsWhileTheDialogIsUpAndMayScriptIt) {
    std::string seen;
    loop.OnDialog = [&](const fw::headless::DialogRecord& dialog) {
        seen = dialog.text;
        loop.Script({Answer::Yes});
    };
    EXPECT_TRUE(fw::MessageDlg("Please remove the disc.", DialogKind::Warning,
                               DialogButtons::YesNo));
    EXPECT_EQ(seen, "Please remove the disc.");
}

TEST_F(DialogsTest, MessageBoxesReachTheSimulatedMachine) {
    sim::machine().QueueMessageBoxAnswer(IDYES);
    EXPECT_EQ(app.MessageBox("Device object initialize failed !", "Error ...", 16), IDYES);
    const auto boxes = sim::machine().MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Device object initialize failed !");
    EXPECT_EQ(boxes[0].caption, "Error ...");
    EXPECT_EQ(boxes[0].type, 16u);
    EXPECT_TRUE(loop.Dialogs().empty());
}

TEST_F(DialogsTest, EndlessDialogsStopTheScenario) {
    loop.limits.maxDialogs = 3;
    for (int i = 0; i < 3; ++i)
        fw::MessageDlg("Please push the tray in.", DialogKind::Warning, DialogButtons::Ok);
    EXPECT_THROW(
        fw::MessageDlg("Please push the tray in.", DialogKind::Warning, DialogButtons::Ok),
        fw::headless::ScenarioHung);
}

}  // namespace
