#include "core/event_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/app.h"
#include "core/morse_table.h"

namespace {

std::vector<char16_t> judged;
std::vector<std::string> specialSeen;
std::vector<uint32_t> elementDurations;
bool expectSpace = false;

void RecordJudged(char16_t c) {
  judged.push_back(c);
}
bool ConsumeSeparator(const std::string& code) {
  specialSeen.push_back(code);
  return code == "-...-";
}
bool AnswerSpaceExpected() {
  return expectSpace;
}
void RecordElementDuration(char16_t, uint32_t durationMs, uint32_t) {
  elementDurations.push_back(durationMs);
}

class EventQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildMorseTables();
    SelectDecodingMap(Script::kKana);
    EnableEventQueue();
    judged.clear();
    specialSeen.clear();
    elementDurations.clear();
    expectSpace = false;
    InstallKeyEventConsumers({RecordElementDuration, ConsumeSeparator, RecordJudged, AnswerSpaceExpected});
  }
  void TearDown() override {
    InstallKeyEventConsumers({});
    DisableEventQueue();
  }
};

TEST_F(EventQueueTest, FullRingDropsTheOldestRecord) {
  for (uint32_t i = 1; i <= 256; ++i) PushKeyEvent(nullptr, 1, u'・', i, i);
  EXPECT_EQ(QueuedEventCount(), 255);
  KeyEvent event;
  ASSERT_TRUE(PopKeyEvent(event));
  EXPECT_EQ(event.durationMs, 2u);  // the first one pushed was dropped
  int remaining = 1;
  while (PopKeyEvent(event)) ++remaining;
  EXPECT_EQ(remaining, 255);
  EXPECT_EQ(event.durationMs, 256u);
}

TEST_F(EventQueueTest, CodeIsCutToThirtyOneCharactersAndUnusedFieldsAreZero) {
  std::string longCode(40, '.');
  PushKeyEvent(longCode.c_str(), 2, 0, 0, 77);
  KeyEvent event;
  ASSERT_TRUE(PopKeyEvent(event));
  EXPECT_EQ(std::string(event.code), std::string(31, '.'));
  EXPECT_EQ(event.element, 0);
  EXPECT_EQ(event.durationMs, 0u);
  EXPECT_EQ(event.tickMs, 77u);
  PushKeyEvent(nullptr, 3, 0, 0, 5);
  ASSERT_TRUE(PopKeyEvent(event));
  EXPECT_EQ(event.code[0], '\0');
}

TEST_F(EventQueueTest, DisabledQueueDropsPushesAndClears) {
  DisableEventQueue();
  PushKeyEvent("-", 2, 0, 0, 1);
  ClearEventQueue();
  KeyEvent event;
  EXPECT_FALSE(PopKeyEvent(event));
  EnableEventQueue();
  EXPECT_FALSE(PopKeyEvent(event));
  PushKeyEvent("-", 2, 0, 0, 1);
  ClearEventQueue();
  EXPECT_FALSE(PopKeyEvent(event));
}

TEST_F(EventQueueTest, DispatchRoutesEachKind) {
  KeyEvent event{};
  event.kind = 2;
  std::snprintf(event.code, sizeof(event.code), "-.--.");
  DispatchKeyEvent(event);  // not special: decodes to ル in kana script
  std::snprintf(event.code, sizeof(event.code), "-...-");
  DispatchKeyEvent(event);  // consumed by the special-signal handler: nothing judged
  std::snprintf(event.code, sizeof(event.code), "........");
  DispatchKeyEvent(event);
  ASSERT_EQ(judged.size(), 2u);
  EXPECT_EQ(judged[0], u'ル');
  EXPECT_EQ(judged[1], u'?');
  EXPECT_EQ(specialSeen.size(), 3u);

  KeyEvent gap{};
  gap.kind = 3;
  DispatchKeyEvent(gap);  // no blank expected: nothing
  expectSpace = true;
  DispatchKeyEvent(gap);
  ASSERT_EQ(judged.size(), 3u);
  EXPECT_EQ(judged[2], u' ');

  KeyEvent element{};
  element.kind = 1;
  element.element = u'ー';
  element.durationMs = 240;
  DispatchKeyEvent(element);
  KeyEvent other{};
  other.kind = 9;
  DispatchKeyEvent(other);
  EXPECT_EQ(elementDurations, std::vector<uint32_t>{240});
  EXPECT_EQ(judged.size(), 3u);
}

TEST_F(EventQueueTest, WithoutAJudgeNothingIsConsumedOrJudged) {
  InstallKeyEventConsumers({});
  KeyEvent event{};
  event.kind = 2;
  std::snprintf(event.code, sizeof(event.code), ".-");
  DispatchKeyEvent(event);
  EXPECT_FALSE(QuerySpaceExpected());
  EXPECT_TRUE(judged.empty());
}

// Start-up and shutdown on real threads: the event thread drains what the pushes bring, in push order,
// and ends within the wait after the stop-all event.
std::atomic<int> keyingRuns{0};
void KeyingBody() {
  keyingRuns++;
  while (!IsEventSet(app.stopAllEvent)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::atomic<int> judgedOnThread{0};
std::vector<char16_t> threadJudged;  // written by the event thread only, read after it has ended
void JudgeOnEventThread(char16_t c) {
  threadJudged.push_back(c);
  judgedOnThread++;
}

TEST(StartUpShutdownTest, EventThreadDrainsInOrderAndEverythingStops) {
  threadJudged.clear();
  judgedOnThread = 0;
  keyingRuns = 0;
  StartUp({KeyingBody, nullptr});
  InstallKeyEventConsumers({nullptr, nullptr, JudgeOnEventThread, nullptr});
  SelectDecodingMap(Script::kLatin);
  const char* codes[] = {"-", "..", "--", "."};  // T I M E
  for (const char* code : codes) PushKeyEvent(code, 2, 0, 0, 0);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (judgedOnThread < 4 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  auto started = std::chrono::steady_clock::now();
  ShutDown();
  auto took = std::chrono::steady_clock::now() - started;
  InstallKeyEventConsumers({});
  EXPECT_EQ(keyingRuns.load(), 1);
  EXPECT_FALSE(ThreadExists(app.eventThread));
  EXPECT_FALSE(ThreadExists(app.keyingThread));
  EXPECT_LT(took, std::chrono::milliseconds(1500));
  EXPECT_EQ(std::u16string(threadJudged.begin(), threadJudged.end()), u"TIME");
  // After shutdown the queue is disabled: pushes vanish.
  PushKeyEvent("-", 2, 0, 0, 0);
  KeyEvent event;
  EXPECT_FALSE(PopKeyEvent(event));
  SelectDecodingMap(Script::kKana);
}

std::atomic<bool> releaseStuckThread{false};
void StuckBody() {
  while (!releaseStuckThread) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

TEST(StartUpShutdownTest, ThreadThatDoesNotEndIsAbandonedAfterItsWait) {
  releaseStuckThread = false;
  StartUp({nullptr, StuckBody});
  auto started = std::chrono::steady_clock::now();
  ShutDown();
  auto took = std::chrono::steady_clock::now() - started;
  EXPECT_GE(took, std::chrono::milliseconds(1400));
  EXPECT_LT(took, std::chrono::milliseconds(4000));
  EXPECT_FALSE(ThreadExists(app.audioThread));
  releaseStuckThread = true;
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

}  // namespace
