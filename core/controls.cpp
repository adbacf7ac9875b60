// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/controls.h"

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace {

struct ControlState {
  std::u16string text;
  bool checked = false;
  std::vector<std::u16string> items;
  int selection = -1;
  bool hasRange = false;
  int rangeMin = 0, rangeMax = 0, position = 0;
  bool visible = true;
  bool enabled = true;
  uint64_t invalidations = 0;
};

std::mutex tableMutex;
std::map<int, ControlState> table;
std::atomic<ControlChangeListener> changeListener{nullptr};

std::atomic<bool> mainWindowExists{false};
std::atomic<std::thread::id> windowThread{};

std::mutex postedMutex;
std::deque<std::function<void()>> posted;
std::atomic<void (*)()> postedWaker{nullptr};

std::mutex boxMutex;
std::vector<MessageBoxRecord> shownBoxes;
std::atomic<void (*)(const MessageBoxRecord&)> boxHook{nullptr};

// Runs `change` on the control under the lock, then tells the view (outside the lock, so the view may read
// the table back).
template <typename Change>
void Modify(int id, Change change) {
  {
    std::lock_guard<std::mutex> lock(tableMutex);
    change(table[id]);
  }
  if (auto listener = changeListener.load()) listener(id);
}

template <typename Result, typename Read>
Result Query(int id, Result fallback, Read read) {
  std::lock_guard<std::mutex> lock(tableMutex);
  auto it = table.find(id);
  return it == table.end() ? fallback : read(it->second);
}

}  // namespace

void SetControlText(int id, std::u16string_view text) {
  Modify(id, [&](ControlState& c) { c.text.assign(text); });
}
std::u16string ControlText(int id) {
  return Query(id, std::u16string(), [](const ControlState& c) { return c.text; });
}
void SetControlChecked(int id, bool checked) {
  Modify(id, [&](ControlState& c) { c.checked = checked; });
}
bool IsControlChecked(int id) {
  return Query(id, false, [](const ControlState& c) { return c.checked; });
}
void CheckRadioButton(int firstId, int lastId, int id) {
  for (int other = firstId; other <= lastId; ++other) {
    if (other != id && IsControlChecked(other)) SetControlChecked(other, false);
  }
  SetControlChecked(id, true);
}
void SetControlItems(int id, const std::vector<std::u16string>& items) {
  Modify(id, [&](ControlState& c) {
    c.items = items;
    c.selection = -1;
  });
}
std::vector<std::u16string> ControlItems(int id) {
  return Query(id, std::vector<std::u16string>(), [](const ControlState& c) { return c.items; });
}
int ControlItemCount(int id) {
  return Query(id, 0, [](const ControlState& c) { return static_cast<int>(c.items.size()); });
}
void SetControlSelection(int id, int index) {
  Modify(id, [&](ControlState& c) {
    c.selection = index >= 0 && index < static_cast<int>(c.items.size()) ? index : -1;
  });
}
int ControlSelection(int id) {
  return Query(id, -1, [](const ControlState& c) { return c.selection; });
}
void SetSliderRange(int id, int minimum, int maximum) {
  Modify(id, [&](ControlState& c) {
    c.hasRange = true;
    c.rangeMin = minimum;
    c.rangeMax = maximum;
    if (c.position < minimum) c.position = minimum;
    if (c.position > maximum) c.position = maximum;
  });
}
void SetSliderPosition(int id, int position) {
  Modify(id, [&](ControlState& c) {
    if (c.hasRange)
      position = position < c.rangeMin ? c.rangeMin : position > c.rangeMax ? c.rangeMax : position;
    c.position = position;
  });
}
int SliderPosition(int id) {
  return Query(id, 0, [](const ControlState& c) { return c.position; });
}
void SliderRange(int id, int& minimum, int& maximum) {
  std::lock_guard<std::mutex> lock(tableMutex);
  auto it = table.find(id);
  bool known = it != table.end() && it->second.hasRange;
  minimum = known ? it->second.rangeMin : 0;
  maximum = known ? it->second.rangeMax : 100;
}
void SetControlVisible(int id, bool visible) {
  Modify(id, [&](ControlState& c) { c.visible = visible; });
}
bool IsControlVisible(int id) {
  return Query(id, false, [](const ControlState& c) { return c.visible; });
}
void SetControlEnabled(int id, bool enabled) {
  Modify(id, [&](ControlState& c) { c.enabled = enabled; });
}
bool IsControlEnabled(int id) {
  return Query(id, false, [](const ControlState& c) { return c.enabled; });
}
bool ControlExists(int id) {
  return Query(id, false, [](const ControlState&) { return true; });
}
void InvalidateControl(int id) {
  Modify(id, [](ControlState& c) { ++c.invalidations; });
}
uint64_t ControlInvalidations(int id) {
  return Query(id, uint64_t{0}, [](const ControlState& c) { return c.invalidations; });
}
void ClearControls() {
  std::lock_guard<std::mutex> lock(tableMutex);
  table.clear();
}
void InstallControlChangeListener(ControlChangeListener listener) {
  changeListener.store(listener);
}

void SetMainWindowExists(bool exists) {
  if (exists) windowThread.store(std::this_thread::get_id());
  mainWindowExists.store(exists);
}
bool MainWindowExists() {
  return mainWindowExists.load();
}
bool IsWindowThread() {
  return mainWindowExists.load() && windowThread.load() == std::this_thread::get_id();
}

void PostToWindowThread(std::function<void()> work) {
  {
    std::lock_guard<std::mutex> lock(postedMutex);
    posted.push_back(std::move(work));
  }
  if (auto waker = postedWaker.load()) waker();
}

size_t ProcessPostedMessages() {
  size_t count = 0;
  for (;;) {
    std::function<void()> work;
    {
      std::lock_guard<std::mutex> lock(postedMutex);
      if (posted.empty()) return count;
      work = std::move(posted.front());
      posted.pop_front();
    }
    work();
    ++count;
  }
}

void InstallPostedMessageWaker(void (*waker)()) {
  postedWaker.store(waker);
}

void SetStatusText(std::u16string_view text) {
  if (!MainWindowExists()) return;
  if (IsWindowThread()) {
    SetControlText(1108, text);
    return;
  }
  PostToWindowThread([copy = std::u16string(text)]() { SetControlText(1108, copy); });
}

void StartStatusTimer() {
  SetControlChecked(kStatusTimerId, true);
}
void StopStatusTimer() {
  SetControlChecked(kStatusTimerId, false);
}
bool StatusTimerRunning() {
  return IsControlChecked(kStatusTimerId);
}

void ShowMessageBox(std::u16string_view text, std::u16string_view caption, MessageBoxIcon icon) {
  MessageBoxRecord box{std::u16string(text), std::u16string(caption), icon};
  {
    std::lock_guard<std::mutex> lock(boxMutex);
    shownBoxes.push_back(box);
  }
  if (auto hook = boxHook.load()) hook(box);
}
void InstallMessageBoxHook(void (*hook)(const MessageBoxRecord& box)) {
  boxHook.store(hook);
}
std::vector<MessageBoxRecord> ShownMessageBoxes() {
  std::lock_guard<std::mutex> lock(boxMutex);
  return shownBoxes;
}
void ClearShownMessageBoxes() {
  std::lock_guard<std::mutex> lock(boxMutex);
  shownBoxes.clear();
}
