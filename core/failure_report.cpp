// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/failure_report.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

#include "core/controls.h"
#include "core/text.h"

namespace {
std::atomic<bool> active[static_cast<int>(FailureKind::kCount)];
std::atomic<int> reportedCount{0};
std::mutex latestLock;
std::u16string latestText;                     // under latestLock
FailureKind latestKind = FailureKind::kCount;  // under latestLock
}  // namespace

void ReportFailure(FailureKind kind, std::u16string_view message, std::string_view reason) {
  if (active[static_cast<int>(kind)].exchange(true)) return;
  reportedCount.fetch_add(1);
  const std::string text = Utf16ToUtf8(message);
  std::fprintf(stderr, "nemora: %s: %.*s\n", text.c_str(), static_cast<int>(reason.size()), reason.data());
  std::u16string line(message);
  if (!reason.empty()) line += u"（" + Utf8ToUtf16(reason) + u"）";
  {
    std::lock_guard<std::mutex> guard(latestLock);
    latestText = line;
    latestKind = kind;
  }
  SetStatusText(line);
}

void ClearFailure(FailureKind kind) {
  if (!active[static_cast<int>(kind)].exchange(false)) return;
  std::lock_guard<std::mutex> guard(latestLock);
  if (latestKind == kind) latestText.clear();
}

std::u16string ActiveFailureText() {
  std::lock_guard<std::mutex> guard(latestLock);
  return latestText;
}

int ReportedFailureCount() {
  return reportedCount.load();
}
