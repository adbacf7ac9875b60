// SPDX-License-Identifier: GPL-3.0-or-later
// Receive practice with the real threads and sound while the learner hammers the window: RESET, page turns,
// 電報読込, ランダム生成, script switches, starts, stops and pauses at random moments, through the real
// widgets, with the sheets repainting. Under ThreadSanitizer this is the test that shows the practice state
// has one owner. NEMORA_STRESS_SECONDS sets the length (default 8 s; the sanitized run uses more).
#include <gtest/gtest.h>

#include "qt_test_application.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QSlider>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "audio/audio_engine.h"
#include "content/telegram_file.h"
#include "core/app.h"
#include "core/app_paths.h"
#include "core/control_ids.h"
#include "core/event_queue.h"
#include "core/settings.h"
#include "keying/keying_thread.h"
#include "practice/run_control.h"
#include "practice/scoring.h"
#include "records/practice_log.h"
#include "temporary_home.h"
#include "ui/main_window.h"
#include "ui/telegram_file_dialog.h"

namespace {

// What the learner does, with how often (weights); 'F' loads the prepared file as 電報読込 does once its
// dialog has been answered.
struct Action {
  char kind;  // 'B' click the button `id`, 'F' load the file, 'L' listen for two seconds
  int id;
  int weight;
};
const Action kActions[] = {
    {'B', kResetButton, 3},
    {'B', kPreviousPageButton, 3},
    {'B', kNextPageButton, 3},
    {'B', kRandomButton, 2},
    {'F', 0, 2},
    {'B', kLatinRadio, 1},
    {'B', kKanaRadio, 1},
    {'B', kRxStartButton, 2},
    {'B', kRxStopButton, 1},
    {'B', kPauseButton, 1},
    {'B', kReceiveRadio, 1},
    {'B', kFullScreenButton, 1},
    {'L', 0, 4},
};

int StressSeconds() {
  const char* text = std::getenv("NEMORA_STRESS_SECONDS");
  const int seconds = text ? std::atoi(text) : 8;
  return seconds > 0 ? seconds : 8;
}

std::string WriteKanaTelegramFile() {
  Telegram telegram;
  telegram.fields = {u"一二",
                     u"トウキョウ",
                     u"一〇",
                     u"コ一、二",
                     u"トウキョウト」ヤマダタロウ」",
                     u"アスアサハヤクイク」ヨロシクタノム」"};
  const std::string path = AppFilePath("stress.txt");
  EXPECT_TRUE(ReplaceFileAtomically(path, TelegramFileBytes({telegram, telegram}, TelegramLayout::kKana)));
  return path;
}

void ClickControl(MainWindow& window, int id) {
  if (auto* button = qobject_cast<QAbstractButton*>(window.Control(id))) button->click();
}

}  // namespace

TEST(PracticeStressTest, CommandsAtRandomDuringReceivePracticeLeaveEveryLogWellFormed) {
  EnsureQtApplication();
  TemporaryHome home;
  ResetProgramState();
  InstallTelegramResultHook(nullptr);  // recorded: the event thread goes on as after a closed window
  const std::string telegramFile = WriteKanaTelegramFile();
  const unsigned seed = 20261209;
  std::printf("stress seed=%u seconds=%d\n", seed, StressSeconds());
  std::mt19937 random(seed);
  std::vector<int> weights;
  for (const Action& action : kActions) weights.push_back(action.weight);
  std::discrete_distribution<int> pick(weights.begin(), weights.end());
  std::uniform_int_distribution<int> pauseMs(50, 1200);

  StartUp({KeyingThreadMain, AudioThreadMain});
  InstallPracticeConsumers();
  int actions = 0;
  {
    MainWindow window;
    window.show();
    // Many characters judged in the time: the speed slider as the learner would move it.
    if (auto* speed = qobject_cast<QSlider*>(window.Control(kSpeedSlider))) speed->setValue(35);
    ClickControl(window, kReceiveRadio);
    ClickControl(window, kRxStartButton);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < StressSeconds() * 1000) {
      const Action& action = kActions[pick(random)];
      if (action.kind == 'F') {
        OpenTelegramFileAndSay(telegramFile);
      } else if (action.kind == 'B') {
        ClickControl(window, action.id);
      }
      ++actions;
      QElapsedTimer slice;
      slice.start();
      const int waitMs = action.kind == 'L' ? 2000 : pauseMs(random);
      while (slice.elapsed() < waitMs) {
        QApplication::processEvents();
        if (actions % 7 == 0) window.grab();  // the sheets painted from the published copy
      }
    }
    window.close();
  }
  ShutDown();
  ClosePracticeLogs();
  InstallKeyEventConsumers({});
  std::printf("stress actions=%d\n", actions);

  EXPECT_GT(actions, StressSeconds());
  std::vector<std::vector<std::u16string>> rows;
  const LogReadStatus practiceLog = ReadPracticeLogRows(rows);
  EXPECT_TRUE(practiceLog == kLogRead || practiceLog == kLogMissing);
  for (size_t i = 0; i < rows.size(); ++i) ASSERT_EQ(rows[i].size(), 19u) << "practice log row " << i;
  CharacterLog characters;
  const LogReadStatus characterLog = ReadCharacterLog(characters);
  EXPECT_TRUE(characterLog == kLogRead || characterLog == kLogMissing);
  int32_t asked = 0;
  for (const auto& [c, stat] : characters) {
    EXPECT_EQ(stat.asked, stat.correct + stat.wrong) << "U+" << std::hex << int{c};
    asked += stat.asked;
  }
  // Every judged character of the run counts once in each log ("途中" rows; the character log's asks).
  int32_t progressRows = 0;
  for (const auto& row : rows) progressRows += row.back() == u"途中";
  std::printf("stress judged=%d\n", progressRows);
  EXPECT_GT(progressRows, 0) << "nothing was judged: the practice never ran between the commands";
  EXPECT_EQ(progressRows, asked);
}
