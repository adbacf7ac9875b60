// Receive practice once on the program's real threads: the playback thread keys the levers, the keying
// thread (1 ms ticks on the real clock) decodes, the event thread judges and logs, the audio thread runs
// (silent when there is no sound device). The test thread is the window thread.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "audio/audio_engine.h"
#include "core/app.h"
#include "keying/keying_thread.h"
#include "pipeline_test_fixture.h"

namespace {

class RealtimePipelineTest : public ::testing::Test, public PipelineFixture {
 protected:
  void SetUp() override { SetUpPipeline(); }
  void TearDown() override {
    ShutDown();
    TearDownPipeline();
  }
};

TEST_F(RealtimePipelineTest, ShortLatinTelegramAt40WpmIsReceivedWhole) {
  Telegram telegram;
  telegram.fields = {u"7 TOKYO", u"", u"", u"", u"SATO", u"ARRIVE NOON"};
  UseScript(Script::kLatin, {telegram});
  practiceSettings.WPM.store(40);
  StartUp(WorkerBodies{KeyingThreadMain, AudioThreadMain});
  InstallPracticeConsumers();

  StartPractice();
  ASSERT_TRUE(ThreadExists(runControl.playbackThread));
  // About 12 s of keying at 40 WPM; a loaded machine may stretch it, never by this much.
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + std::chrono::seconds(90);
  while (runFlags.playing.load() != 0 && std::chrono::steady_clock::now() < deadline) {
    ProcessPostedMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(runFlags.playing.load(), 0) << "playback did not end";
  std::printf("  playback took %.1f s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  EXPECT_TRUE(WaitAndForgetPumping(runControl.playbackThread, 3000));
  ShutDown();  // joins the event thread: everything it judged is visible here
  ProcessPostedMessages();

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
