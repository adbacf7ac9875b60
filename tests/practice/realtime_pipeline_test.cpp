// SPDX-License-Identifier: GPL-3.0-or-later
// Receive practice once on the program's real threads: the playback thread keys the levers, the keying
// thread (1 ms ticks on the real clock) decodes, the event thread judges and logs, the audio thread runs
// (silent when there is no sound device). The test thread is the window thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "audio/audio_engine.h"
#include "core/app.h"
#include "core/clock.h"
#include "core/threads.h"
#include "keying/keying_thread.h"
#include "pipeline_test_fixture.h"

namespace {

// The machine's own stalls as a real-time thread of the test sees them: it sleeps to 1 ms deadlines and
// keeps its largest lateness. When the machine holds real-time threads up for a good part of a dot, the
// playback's keying is stretched before the program can do anything about it, and the take measures the
// machine instead of the program.
class StallWatch {
 public:
  StallWatch() : thread_([this] { Run(); }) {}
  ~StallWatch() {
    stop_.store(true);
    thread_.join();
  }
  uint64_t MaxLateUs() const { return maxLateUs_.load(); }

 private:
  void Run() {
    RequestRealtimePriority(25);
    uint64_t deadlineUs = MonotonicMicros();
    while (!stop_.load()) {
      deadlineUs += 1000;
      SleepUntilMicros(deadlineUs);
      const uint64_t nowUs = MonotonicMicros();
      if (nowUs > deadlineUs) maxLateUs_.store(std::max(maxLateUs_.load(), nowUs - deadlineUs));
      deadlineUs = std::max(deadlineUs, nowUs - 1000);
    }
  }
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> maxLateUs_{0};
  std::thread thread_;
};

constexpr uint64_t kMachineStallUs = 15000;  // half a dot at 40 WPM: shorter stalls change no element

class RealtimePipelineTest : public ::testing::Test, public PipelineFixture {
 protected:
  void TearDown() override {
    ShutDown();
    TearDownPipeline();
  }
  // One receive run of the telegram on the real threads; false when the machine stalled during it.
  bool ReceiveOnce(const Telegram& telegram) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(home_, ignored)) {
      std::filesystem::remove(entry.path(), ignored);
    }
    SetUpPipeline();
    UseScript(Script::kLatin, {telegram});
    practiceSettings.WPM.store(40);
    StartUp(WorkerBodies{KeyingThreadMain, AudioThreadMain});
    InstallPracticeConsumers();
    StallWatch watch;
    StartPractice();
    EXPECT_TRUE(ThreadExists(runControl.playbackThread));
    // About 12 s of keying at 40 WPM; a loaded machine may stretch it, never by this much.
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::seconds(90);
    while (runFlags.playing.load() != 0 && std::chrono::steady_clock::now() < deadline) {
      ProcessPostedMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(runFlags.playing.load(), 0) << "playback did not end";
    std::printf("  playback took %.1f s, the machine held real-time threads up %.1f ms at most\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                watch.MaxLateUs() / 1000.0);
    EXPECT_TRUE(WaitAndForgetPumping(runControl.playbackThread, 3000));
    ShutDown();  // joins the event thread: everything it judged is visible here
    ProcessPostedMessages();
    return watch.MaxLateUs() < kMachineStallUs;
  }
};

TEST_F(RealtimePipelineTest, ShortLatinTelegramAt40WpmIsReceivedWhole) {
  Telegram telegram;
  telegram.fields = {u"7 TOKYO", u"", u"", u"", u"SATO", u"ARRIVE NOON"};
  bool clean = false;
  for (int take = 1; take <= 3 && !clean; ++take) {
    clean = ReceiveOnce(telegram);
    if (!clean) std::printf("  take %d spoilt by the machine\n", take);
  }
  if (!clean)
    GTEST_SKIP() << "the machine stalled real-time threads in three takes in a row; nothing to judge";

  ExpectEveryCopyEqualsItsModel();
  EXPECT_TRUE(judgeState.runFinished);
  EXPECT_EQ(runStatistics.wrong.load(), 0);
  EXPECT_EQ(Utf16ToUtf8(runStatistics.wrongList), "");
  ASSERT_EQ(ShownTelegramResults().size(), 1u);
  EXPECT_EQ(ShownTelegramResults()[0].accuracy, 100);
  EXPECT_EQ(ShownTelegramResults()[0].buttonCaption, u"結果を閉じる");
  EXPECT_EQ(ControlText(kMessageLine), u"終了");
  EXPECT_EQ(CountOf(ReadAppFile("telegram_practice_log.csv"), ",\"完了\"\r\n"), 1u);
  EXPECT_EQ(CountOf(ReadAppFile("telegram_practice_log.txt"), "間違い:なし\r\n"), 1u);
  // The element statistics saw the playback's own keying: the last element is AR's final dot, which ends
  // two units (30 ms gap + 30 ms dot) after the dash before it: 1200 / 60 = 20 WPM, give or take the
  // real threads' millisecond jitter.
  EXPECT_EQ(elementStatistics.lastElement.load(), u'・');
  EXPECT_GE(elementStatistics.instantWpm.load(), 17);
  EXPECT_LE(elementStatistics.instantWpm.load(), 24);
}

}  // namespace
