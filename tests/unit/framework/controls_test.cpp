// Control state and the events a user's actions raise.
#include <gtest/gtest.h>

#include "src/framework/framework.h"
#include "src/framework/headless/headless_loop.h"

namespace {

using fw::headless::HeadlessLoop;

struct ControlsTest : testing::Test {
    fw::TApplication app{std::make_unique<HeadlessLoop>()};
    HeadlessLoop& loop = static_cast<HeadlessLoop&>(app.Loop());
    fw::TForm form{"Form", {0, 0, 460, 167}, "Test"};
};

TEST_F(ControlsTest, ComboRaisesChangeOnlyForTheUsersChoice) {
    fw::TComboBox combo(&form, "cbo", {8, 24, 353, 24}, {}, 16);
    int changes = 0;
    combo.OnChange = [&](void* sender) {
        EXPECT_EQ(sender, &combo);
        ++changes;
    };
    combo.Add("first");
    combo.Add("second");
    combo.SetItemIndex(1);
    EXPECT_EQ(combo.ItemIndex(), 1);
    EXPECT_EQ(changes, 0);

    combo.UserSelect(0);
    EXPECT_EQ(combo.ItemIndex(), 0);
    EXPECT_EQ(changes, 1);

    combo.SetEnabled(false);  // during a run: the user cannot choose
    combo.UserSelect(1);
    EXPECT_EQ(combo.ItemIndex(), 0);
    EXPECT_EQ(changes, 1);
    combo.SetEnabled(true);

    combo.SetItemIndex(5);  // no such line: nothing selected
    EXPECT_EQ(combo.ItemIndex(), -1);
    combo.SetItemIndex(1);
    combo.Clear();
    EXPECT_EQ(combo.ItemIndex(), -1);
    EXPECT_TRUE(combo.Items().empty());
    EXPECT_EQ(changes, 1);
}

TEST_F(ControlsTest, DisabledButtonIgnoresClicks) {
    fw::TBitBtn update(&form, "cmdUpdate", {368, 24, 77, 25}, {}, "&Update",
                       fw::ButtonKind::Custom);
    fw::TBitBtn close(&form, "cmdClose", {368, 52, 77, 25}, {}, "", fw::ButtonKind::Close);
    int clicks = 0;
    update.OnClick = [&](void*) { ++clicks; };
    update.SetEnabled(false);
    update.Click();
    EXPECT_EQ(clicks, 0);
    update.SetEnabled(true);
    update.Click();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(close.Caption(), "&Close");
}

TEST_F(ControlsTest, ProgressStaysFullAndReachesTheTaskbar) {
    fw::TProgressBar bar(&form, "pbar", {16, 112, 373, 13});
    bar.SetMin(0);
    bar.SetMax(330);
    bar.SetStep(1);
    bar.SetPosition(329);
    bar.StepIt();
    bar.StepIt();
    EXPECT_EQ(bar.Position(), 330);
    EXPECT_EQ(loop.Progress().position, 330);
    EXPECT_EQ(loop.Progress().max, 330);

    bar.SetPosition(-4);
    EXPECT_EQ(bar.Position(), 0);
    bar.SetMax(100);
    bar.SetPosition(250);
    EXPECT_EQ(bar.Position(), 100);
    EXPECT_EQ(loop.Progress().max, 100);
}

TEST_F(ControlsTest, FormKnowsItsControlsAndDestroysOnce) {
    int destroyed = 0;
    form.OnDestroy = [&](void*) { ++destroyed; };
    {
        fw::TLabel label(&form, "lblMsg", {16, 92, 56, 13}, {}, "Message");
        ASSERT_EQ(form.Controls().size(), 1u);
        EXPECT_EQ(form.Controls()[0]->Caption(), "Message");
    }
    EXPECT_TRUE(form.Controls().empty());
    form.Destroy();
    form.Destroy();
    EXPECT_EQ(destroyed, 1);
}

TEST_F(ControlsTest, SystemMenuLosesSeparatorAndCloseAtPositionFive) {
    EXPECT_TRUE(form.RemoveSystemMenuItem(5));
    EXPECT_TRUE(form.RemoveSystemMenuItem(5));
    const auto menu = loop.SystemMenu(&form);
    ASSERT_EQ(menu.size(), 5u);
    EXPECT_EQ(menu.back(), "Ma&ximize");
    EXPECT_FALSE(form.RemoveSystemMenuItem(5));

    loop.SetFormsHaveSystemMenu(false);
    fw::TForm tool("Tool", {}, "");
    EXPECT_FALSE(tool.RemoveSystemMenuItem(5));
}

TEST(ApplicationTest, RunReturnsAtOnceWhenStartUpAlreadyEnded) {
    fw::TApplication app(std::make_unique<HeadlessLoop>());
    EXPECT_EQ(fw::Application, &app);
    app.Terminate();
    app.Run();
    EXPECT_EQ(static_cast<HeadlessLoop&>(app.Loop()).LastStop(), fw::headless::StopReason::None);
}

}  // namespace
