// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/controls.h"

#include <gtest/gtest.h>

#include <thread>

#include "core/control_ids.h"

namespace {

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearControls();
    ProcessPostedMessages();
    ClearShownMessageBoxes();
    SetMainWindowExists(false);
  }
  void TearDown() override { SetMainWindowExists(false); }
};

TEST_F(ControlsTest, StatusTextBeforeTheWindowExistsDoesNothing) {
  SetStatusText(u"受信中");
  std::thread([] { SetStatusText(u"from a worker"); }).join();
  EXPECT_EQ(ProcessPostedMessages(), 0u);
  EXPECT_FALSE(ControlExists(kMessageLine));
}

TEST_F(ControlsTest, StatusTextFromAWorkerArrivesWhenTheWindowThreadRuns) {
  SetMainWindowExists(true);
  SetStatusText(u"direct");
  EXPECT_EQ(ControlText(kMessageLine), u"direct");
  std::thread([] { SetStatusText(u"posted"); }).join();
  EXPECT_EQ(ControlText(kMessageLine), u"direct");  // not yet: it waits for the window thread
  EXPECT_EQ(ProcessPostedMessages(), 1u);
  EXPECT_EQ(ControlText(kMessageLine), u"posted");
}

TEST_F(ControlsTest, RadioGroupsAndSelections) {
  CheckRadioButton(kLatinRadio, kKanaRadio, kLatinRadio);
  CheckRadioButton(kLatinRadio, kKanaRadio, kKanaRadio);
  EXPECT_FALSE(IsControlChecked(kLatinRadio));
  EXPECT_TRUE(IsControlChecked(kKanaRadio));
  SetControlItems(kFilterCombo, {u"250 Hz", u"500 Hz", u"1 kHz"});
  SetControlSelection(kFilterCombo, 1);
  EXPECT_EQ(ControlSelection(kFilterCombo), 1);
  SetControlSelection(kFilterCombo, 3);
  EXPECT_EQ(ControlSelection(kFilterCombo), -1);
  SetSliderRange(kSpeedSlider, 5, 40);
  SetSliderPosition(kSpeedSlider, 99);
  EXPECT_EQ(SliderPosition(kSpeedSlider), 40);
  EXPECT_EQ(ControlSelection(12345), -1);  // unknown control
}

TEST_F(ControlsTest, MessageBoxesAreRecordedWithoutAView) {
  ShowMessageBox(u"COMポートが選択されていません。", u"ERROR", MessageBoxIcon::kError);
  auto boxes = ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, u"ERROR");
  EXPECT_EQ(boxes[0].icon, MessageBoxIcon::kError);
}

int changes = 0;
TEST_F(ControlsTest, ViewIsToldOfEveryChange) {
  changes = 0;
  InstallControlChangeListener([](int) { ++changes; });
  SetControlText(kScoreLine, u"x");
  InvalidateControl(kModelSheet);
  InstallControlChangeListener(nullptr);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(ControlInvalidations(kModelSheet), 1u);
}

}  // namespace
