// SPDX-License-Identifier: GPL-3.0-or-later
// Shared set-up of the judging and scoring tests: a temporary NEMORA_HOME for the logs the judge writes,
// the real Morse tables and control table with the main window present, and a document of given telegrams.
// Everything runs on the test thread, which plays the event thread and the window thread at once.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

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
#include "practice/scoring.h"
#include "records/run_statistics.h"
#include "temporary_home.h"

inline Telegram MakeTelegram(std::u16string number, std::u16string office, std::u16string count,
                             std::u16string time, std::u16string address, std::u16string text) {
  Telegram telegram;
  telegram.fields = {number, office, count, time, address, text};
  return telegram;
}

class JudgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildMorseTables();
    ResetSettingsToDefaults();
    ClearControls();
    SetMainWindowExists(true);
    runFlags.CallUpSending.store(0);
    ClearShownTelegramResults();
    InstallTelegramResultHook(nullptr);
    ResetAutoSpeedWindow();
    InstallJudgeConsumers();
    UseScript(Script::kKana);
  }

  void TearDown() override {
    ProcessPostedMessages();
    SetMainWindowExists(false);
  }

  // Switches the script and starts a fresh run on the given telegrams (built-in samples when empty).
  void UseScript(Script script, std::vector<Telegram> telegrams = {}) {
    LatinMode.store(script == Script::kLatin ? 1 : 0);
    SelectDecodingMap(script);
    ResetTelegramDocument();
    if (!telegrams.empty()) ReplaceTelegrams(std::move(telegrams));
    ClearJudgeCache();
    ResetJudging();
    ClearShownTelegramResults();
  }

  void SetProceed(bool on) { SetControlChecked(kProceedCheck, on); }

  // One completed character as the keying thread reports it, through the event thread's dispatch.
  static void KeyCode(const std::string& code) {
    KeyEvent event{};
    event.kind = KeyEventKind::kCharacter;
    std::strncpy(event.code, code.c_str(), sizeof(event.code) - 1);
    DispatchKeyEvent(event);
  }
  static void KeyWordGap() {
    KeyEvent event{};
    event.kind = KeyEventKind::kWordGap;
    DispatchKeyEvent(event);
  }
  // Keys the characters of a text with their full codes in the current script (blanks as word gaps).
  static void KeyText(std::u16string_view text) {
    const Script script = CurrentScript();
    for (char16_t c : ExpandMorseText(text, script)) {
      if (c == u' ') {
        KeyWordGap();
        continue;
      }
      auto code = EncodeCharacter(script, NormalizeForLookup(c));
      ASSERT_TRUE(code.has_value()) << "no code for U+" << std::hex << static_cast<int>(c);
      KeyCode(*code);
    }
  }

  static const std::u16string& Entered(int field) { return telegramDocument.working.entered[field]; }
  static const std::u16string& Marks(int field) { return telegramDocument.working.marks[field]; }
  static std::u16string MessageLine() {
    ProcessPostedMessages();
    return ControlText(kMessageLine);
  }
  std::string ReadAppFile(const char* name) {
    std::string bytes;
    ReadWholeFile(AppFilePath(name), bytes);
    return bytes;
  }

  TemporaryHome temporary_;
  const std::string home_ = temporary_.path;
};

inline std::string Utf8(std::u16string_view text) {
  return Utf16ToUtf8(text);
}
