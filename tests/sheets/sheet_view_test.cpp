// SPDX-License-Identifier: GPL-3.0-or-later
// The sheet view: wheel steps, anchoring, dragging, and how often the view reaches the settings file.
#include "sheets/sheet_view.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/app_paths.h"
#include "core/clock.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/ini_file.h"
#include "core/settings.h"
#include "temporary_home.h"

namespace {

uint64_t virtualNowUs = 0;
uint64_t VirtualNow() {
  return virtualNowUs;
}
void VirtualSleep(uint64_t deadlineUs) {
  virtualNowUs = std::max(virtualNowUs, deadlineUs);
}

class SheetViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearControls();
    ResetSettingsToDefaults();
    ResetSheetView();
    virtualNowUs = 5'000'000;
    InstallClockHooks(ClockHooks{VirtualNow, VirtualSleep});
  }
  void TearDown() override { RemoveClockHooks(); }
  static std::string SettingsFile() {
    std::string bytes;
    ReadWholeFile(SettingsFilePath(), bytes);
    return bytes;
  }
  // A saved value; -999999 when the file or the key is missing.
  static int32_t Saved(const char* key) { return IniInt(ParseIni(SettingsFile()), "Settings", key, -999999); }
  TemporaryHome home_;
};

TEST_F(SheetViewTest, WheelStepsAndAnchoring) {
  struct Row {
    const char* name;
    std::vector<int> distances;
    int window;
    int x, y;
    double startZoom;
    int startX, startY;
    double zoom;
    int offsetX, offsetY;
  } rows[] = {
      {"three notches up", {120, 120, 120}, 0, 0, 0, 1.0, 0, 0, 1.331, 0, 0},
      {"fifty notches down stop at 0.1", std::vector<int>(50, -120), 0, 0, 0, 1.0, 0, 0, 0.1, 0, 0},
      {"up to the limit stops at 5.0", std::vector<int>(30, 120), 0, 0, 0, 1.0, 0, 0, 5.0, 0, 0},
      {"over a sheet the cursor point stays", {120}, kLearnerSheet, 100, 50, 1.0, 0, 0, 1.1, -10, -5},
      {"over the model sheet the same", {120}, kModelSheet, 100, 50, 1.0, 0, 0, 1.1, -10, -5},
      {"over the window the offsets stay", {120}, 0, 100, 50, 1.0, 7, 9, 1.1, 7, 9},
      {"a big turn is one step", {480}, 0, 0, 0, 1.0, 0, 0, 1.1, 0, 0},
      {"fine turns add up to a notch", {40, 40, 40}, 0, 0, 0, 1.0, 0, 0, 1.1, 0, 0},
      {"fine turns short of a notch do nothing", {40, 40}, 0, 0, 0, 1.0, 0, 0, 1.0, 0, 0},
      {"a turn back starts afresh", {80, -80, -40}, 0, 0, 0, 1.0, 0, 0, 1.0 / 1.1, 0, 0},
      {"at the limit a sheet's offsets stay", {120}, kLearnerSheet, 100, 50, 5.0, 3, 4, 5.0, 3, 4},
  };
  for (const Row& row : rows) {
    ResetSheetView();
    practiceSettings.paperZoom.store(row.startZoom);
    practiceSettings.PaperOffsetX.store(row.startX);
    practiceSettings.PaperOffsetY.store(row.startY);
    for (int distance : row.distances) WheelZoom(distance, row.x, row.y, row.window);
    EXPECT_NEAR(practiceSettings.paperZoom.load(), row.zoom, 1e-9) << row.name;
    EXPECT_EQ(practiceSettings.PaperOffsetX.load(), row.offsetX) << row.name;
    EXPECT_EQ(practiceSettings.PaperOffsetY.load(), row.offsetY) << row.name;
  }
}

TEST_F(SheetViewTest, DraggingMovesBothSheetsOnlyWhileTheButtonIsHeld) {
  struct Step {
    char what;  // p press, m move with the button held, f move without it, r release
    int x, y;
  };
  struct Row {
    const char* name;
    int window;
    int startX;
    std::vector<Step> steps;
    int offsetX, offsetY;
  } rows[] = {
      {"30 right and 10 up", kModelSheet, 0, {{'p', 50, 50}, {'m', 80, 40}}, 30, -10},
      {"in several moves", kLearnerSheet, 0, {{'p', 0, 0}, {'m', 10, -4}, {'m', 30, -10}}, 30, -10},
      {"a press off the sheets starts nothing", 0, 0, {{'p', 0, 0}, {'m', 30, -10}}, 0, 0},
      {"a move without the button ends it", kModelSheet, 0, {{'p', 0, 0}, {'f', 5, 5}, {'m', 30, 30}}, 0, 0},
      {"released", kModelSheet, 0, {{'p', 0, 0}, {'m', 5, 0}, {'r', 5, 0}, {'m', 50, 0}}, 5, 0},
      {"stops at the range's end", kModelSheet, INT32_MAX - 5, {{'p', 0, 0}, {'m', 30, 0}}, INT32_MAX, 0},
  };
  for (const Row& row : rows) {
    ResetSheetView();
    practiceSettings.PaperOffsetX.store(row.startX);
    practiceSettings.PaperOffsetY.store(0);
    for (const Step& step : row.steps) {
      if (step.what == 'p') StartDrag(step.x, step.y, row.window);
      if (step.what == 'm' || step.what == 'f') DragMove(step.x, step.y, row.window, step.what == 'm');
      if (step.what == 'r') EndDrag(row.window);
    }
    EXPECT_EQ(practiceSettings.PaperOffsetX.load(), row.offsetX) << row.name;
    EXPECT_EQ(practiceSettings.PaperOffsetY.load(), row.offsetY) << row.name;
  }
}

TEST_F(SheetViewTest, ALongDragWritesTheSettingsAFewTimesASecondAndTheEndPosition) {
  StartDrag(0, 0, kModelSheet);
  std::set<std::string> versions;
  for (int i = 1; i <= 100; ++i) {  // one second of moves, one every 10 ms
    virtualNowUs += 10'000;
    DragMove(i, -i, kModelSheet, true);
    versions.insert(SettingsFile());
  }
  EXPECT_LE(versions.size(), 5u);
  EXPECT_GE(versions.size(), 3u);  // kept current while the drag goes on
  EXPECT_NE(Saved("PaperOffsetX"), 100);
  EndDrag(kModelSheet);
  EXPECT_EQ(Saved("PaperOffsetX"), 100);
  EXPECT_EQ(Saved("PaperOffsetY"), -100);
  EXPECT_FALSE(FlushViewSave());
}

TEST_F(SheetViewTest, AWheelStepSoonAfterASaveIsSavedByTheFlush) {
  WheelZoom(120, 0, 0, 0);
  EXPECT_EQ(Saved("PaperZoom1000"), 1100);
  virtualNowUs += 50'000;
  WheelZoom(120, 0, 0, 0);
  EXPECT_EQ(Saved("PaperZoom1000"), 1100);
  EXPECT_TRUE(FlushViewSave());
  EXPECT_EQ(Saved("PaperZoom1000"), 1210);
}

}  // namespace
