// SPDX-License-Identifier: GPL-3.0-or-later
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

// Records pushed by the keying thread (ring) and posted by playback (locked queue), in the order they were
// made, come out in that order; a full ring keeps what it has and counts what it could not take.
struct QueueStep {
  char source;      // 'r' ring push, 'p' posted record, 'c' clear, 'f' fill the ring to the brim
  uint32_t tickMs;  // identifies the record
};
struct QueueCase {
  const char* name;
  std::vector<QueueStep> steps;
  std::vector<uint32_t> popped;  // ticks in pop order
  uint32_t droppedMore;          // growth of the dropped count
};

TEST_F(EventQueueTest, RecordsComeOutInTheOrderTheyWereMade) {
  const QueueCase cases[] = {
      {"ring alone", {{'r', 1}, {'r', 2}}, {1, 2}, 0},
      {"posted between ring records", {{'r', 1}, {'p', 2}, {'r', 3}, {'p', 4}}, {1, 2, 3, 4}, 0},
      {"posted first", {{'p', 1}, {'r', 2}, {'r', 3}}, {1, 2, 3}, 0},
      {"clear drops ring records only", {{'r', 1}, {'p', 2}, {'c', 0}, {'r', 3}}, {2, 3}, 0},
      {"full ring drops the newest", {{'f', 0}, {'r', 999}, {'p', 1000}}, {}, 1},
  };
  for (const QueueCase& c : cases) {
    SCOPED_TRACE(c.name);
    EnableEventQueue();
    const uint32_t droppedBefore = DroppedKeyEventCount();
    for (const QueueStep& step : c.steps) {
      if (step.source == 'r') PushKeyEvent(ElementEvent(u'・', 1, step.tickMs));
      if (step.source == 'p') PostKeyEvent(WordGapEvent(step.tickMs));
      if (step.source == 'c') ClearEventQueue();
      if (step.source == 'f') {
        for (uint32_t i = 0; i < kEventQueueSlots; ++i) PushKeyEvent(ElementEvent(u'・', 1, 10000 + i));
      }
    }
    std::vector<uint32_t> popped;
    KeyEvent event;
    while (PopKeyEvent(event)) {
      if (event.tickMs < 10000) popped.push_back(event.tickMs);
    }
    if (c.steps.front().source == 'f') {
      EXPECT_EQ(popped, (std::vector<uint32_t>{1000}));  // the ring's 256 came first, then the posted one
    } else {
      EXPECT_EQ(popped, c.popped);
    }
    EXPECT_EQ(DroppedKeyEventCount() - droppedBefore, c.droppedMore);
  }
}

TEST_F(EventQueueTest, CodeIsCutToThirtyOneCharactersAndDisabledQueueDropsPushes) {
  std::string longCode(40, '.');
  PushKeyEvent(CharacterEvent(longCode.c_str(), 77));
  KeyEvent event;
  ASSERT_TRUE(PopKeyEvent(event));
  EXPECT_EQ(std::string(event.code), std::string(31, '.'));
  EXPECT_EQ(event.tickMs, 77u);
  DisableEventQueue();
  PushKeyEvent(CharacterEvent("-", 1));
  PostKeyEvent(WordGapEvent(2));
  EnableEventQueue();
  EXPECT_FALSE(PopKeyEvent(event));
}

TEST_F(EventQueueTest, DispatchRoutesEachKind) {
  DispatchKeyEvent(CharacterEvent("-.--.", 0));     // not special: decodes to ル in kana script
  DispatchKeyEvent(CharacterEvent("-...-", 0));     // consumed by the special-signal handler
  DispatchKeyEvent(CharacterEvent("........", 0));  // unknown code
  ASSERT_EQ(judged.size(), 2u);
  EXPECT_EQ(judged[0], u'ル');
  EXPECT_EQ(judged[1], u'?');
  EXPECT_EQ(specialSeen.size(), 3u);
  DispatchKeyEvent(WordGapEvent(0));  // no blank expected: nothing
  expectSpace = true;
  DispatchKeyEvent(WordGapEvent(0));
  ASSERT_EQ(judged.size(), 3u);
  EXPECT_EQ(judged[2], u' ');
  DispatchKeyEvent(ElementEvent(u'ー', 240, 0));
  DispatchKeyEvent(KeyEvent{});
  EXPECT_EQ(elementDurations, std::vector<uint32_t>{240});
  InstallKeyEventConsumers({});
  DispatchKeyEvent(CharacterEvent(".-", 0));
  EXPECT_FALSE(QuerySpaceExpected());
  EXPECT_EQ(judged.size(), 3u);
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
  for (const char* code : codes) PushKeyEvent(CharacterEvent(code, 0));
  // Work posted from another thread runs on the event thread, after what came before it.
  std::atomic<bool> workRanOnOtherThread{false};
  const std::thread::id testThread = std::this_thread::get_id();
  EXPECT_TRUE(RunOnEventThreadAndWait(
      [&] { workRanOnOtherThread = std::this_thread::get_id() != testThread && judgedOnThread == 4; }, 5000));
  EXPECT_TRUE(workRanOnOtherThread);
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
  PushKeyEvent(CharacterEvent("-", 0));
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
