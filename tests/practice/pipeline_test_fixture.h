// SPDX-License-Identifier: GPL-3.0-or-later
// Shared set-up of the pipeline tests: a temporary NEMORA_HOME for the logs, the real Morse tables, settings
// and control table with the main window present on the test thread, the practice consumers installed.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "content/telegram_document.h"
#include "core/app_paths.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/event_queue.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "core/text.h"
#include "practice/judging.h"
#include "practice/run_control.h"
#include "practice/scoring.h"
#include "records/run_statistics.h"
#include "temporary_home.h"

class PipelineFixture {
 protected:
  void SetUpPipeline() {
    BuildMorseTables();
    ResetSettingsToDefaults();
    ClearControls();
    FillSettingControls();
    SetMainWindowExists(true);
    EnableEventQueue();
    InstallPracticeConsumers();
    InstallRunControlHooks(RunControlHooks{});
    InstallTelegramResultHook(nullptr);
    ClearShownTelegramResults();
    ClearShownMessageBoxes();
    ResetAutoSpeedWindow();
    keyLevers.paused.store(0);
    runFlags.playing.store(0);
    runFlags.demonstration.store(0);
    runFlags.CallUpSending.store(0);
    runFlags.bandMasterSwitch.store(0);
  }

  void TearDownPipeline() {
    ProcessPostedMessages();
    InstallKeyEventConsumers(KeyEventConsumers{});
    SetMainWindowExists(false);
  }

  // The built-in samples of a script (or the given telegrams), receive practice selected.
  static void UseScript(Script script, std::vector<Telegram> telegrams = {}) {
    LatinMode.store(script == Script::kLatin ? 1 : 0);
    SelectDecodingMap(script);
    ResetTelegramDocument();
    if (!telegrams.empty()) ReplaceTelegrams(std::move(telegrams));
    ClearJudgeCache();
    ResetRunStatistics();  // a start counts the run before it: none is left from another test
    CheckRadioButton(kReceiveRadio, kSendRadio, kReceiveRadio);
  }

  // Every learner copy holds the model's expanded cells, every cell marked right.
  static void ExpectEveryCopyEqualsItsModel() {
    const Script script = CurrentScript();
    ASSERT_EQ(telegramDocument.records.size(), static_cast<size_t>(TelegramCount()));
    for (int index = 0; index < TelegramCount(); ++index) {
      const Telegram telegram = TelegramAt(index);
      const LearnerCopy& copy = telegramDocument.records[static_cast<size_t>(index)];
      for (int field = kNumber; field <= kText; ++field) {
        SCOPED_TRACE(testing::Message() << "telegram " << index + 1 << " field " << field);
        const std::u16string model = ExpandMorseText(telegram.fields[static_cast<size_t>(field)], script);
        EXPECT_EQ(Utf16ToUtf8(copy.entered[static_cast<size_t>(field)]), Utf16ToUtf8(model));
        EXPECT_EQ(Utf16ToUtf8(copy.marks[static_cast<size_t>(field)]), std::string(model.size(), '1'));
      }
    }
  }

  // Cells and points of one telegram as the judge books them.
  static void CountCells(int index, int& cells, int& points) {
    cells = 0;
    points = 0;
    const Telegram telegram = TelegramAt(index);
    for (const std::u16string& field : telegram.fields) {
      for (char16_t c : ExpandMorseText(field, CurrentScript())) {
        ++cells;
        points += CharacterWeight(c);
      }
    }
  }

  std::string ReadAppFile(const char* name) const {
    std::string bytes;
    ReadWholeFile(AppFilePath(name), bytes);
    return bytes;
  }

  static size_t CountOf(const std::string& haystack, const std::string& needle) {
    size_t count = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1))
      ++count;
    return count;
  }

  static std::u16string MessageLine() {
    ProcessPostedMessages();
    return ControlText(kMessageLine);
  }

  TemporaryHome temporary_;
  const std::string home_ = temporary_.path;
};
