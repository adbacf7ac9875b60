// SPDX-License-Identifier: GPL-3.0-or-later
// Practice-log summary, read incrementally.
//
//   1. Lines: the byte-level field scan and what one line adds to the summary
//   2. Reading: the byte streamer from an offset, the kept summary and when it is trusted
//   3. Results: the public reads, the warm-up thread, period and all-day totals
//
// Lines are handled as UTF-8 bytes: commas, quotes, CR and LF are ASCII and survive the UTF-16 conversion
// unchanged, so fields can be counted without converting. Rows a total ignores ("途中" rows, one per judged
// character, nearly all of a large log) are recognised from the bytes alone; every other row goes through
// the same SplitCsvLine, AddRowToTotals and ReadRowDate as the full reads of practice_log.h.
#include "records/log_summary.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "core/text.h"
#include "core/threads.h"

namespace {

// ---- 1. Lines

const std::string_view kByteOrderMark = "\xEF\xBB\xBF";
const std::string_view kHeaderStart = "日時";
const std::string_view kUnfinished = "途中";
constexpr size_t kKeptFieldBytes = 24;  // longer kept fields cannot be "途中" or a plain ASCII date

// A line of the file as an offset and a length (CR removed), so the recent rows cost no copies.
struct LineSpan {
  uint64_t offset = 0;
  uint32_t length = 0;
};

// The summary while it is being built: the recent rows as spans into the file.
struct Accumulator {
  int64_t dataRows = 0;
  std::map<std::u16string, LogTotals> days;
  std::map<std::tuple<int32_t, int32_t, int32_t>, LogTotals> dates;
  std::array<LineSpan, kRecentRowCount> recent{};
  int recentCount = 0;  // total pushed; the ring holds the last kRecentRowCount
  std::string lastDayKey;
};

// Field count and the decoded fields 0, 11 and 18 (SplitCsvLine's quote rules), each cut at
// kKeptFieldBytes; `cut` marks a field that was longer. Fixed buffers: this runs for every row.
struct KeptField {
  char bytes[kKeptFieldBytes];
  size_t size = 0;
  bool cut = false;
  std::string_view View() const { return {bytes, size}; }
};
struct FieldScan {
  int count = 1;
  KeptField field[3];
};

int KeptSlot(int index) {
  return index == 0 ? 0 : index == 11 ? 1 : index == 18 ? 2 : -1;
}

void ScanFields(std::string_view line, FieldScan& scan) {
  bool quoted = false;
  KeptField* kept = &scan.field[0];
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') {
      if (!(quoted && i + 1 < line.size() && line[i + 1] == '"')) {
        quoted = !quoted;
        continue;
      }
      ++i;
    } else if (c == ',' && !quoted) {
      const int slot = KeptSlot(scan.count++);
      kept = slot < 0 ? nullptr : &scan.field[slot];
      continue;
    }
    if (!kept) continue;
    if (kept->size < kKeptFieldBytes) {
      kept->bytes[kept->size++] = c;
    } else {
      kept->cut = true;
    }
  }
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// What AddRowToTotals does with a row it is sure to ignore, decided from the bytes.
bool IgnoredByTotals(const FieldScan& scan) {
  if (scan.count >= 19) return !scan.field[2].cut && scan.field[2].View() == kUnfinished;
  if (scan.count >= 12) return !scan.field[1].cut && scan.field[1].View() == kUnfinished;
  return false;
}

void AddLine(std::string_view line, uint64_t offset, Accumulator& acc) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty() || line.starts_with(kHeaderStart)) return;
  ++acc.dataRows;
  FieldScan scan;
  ScanFields(line, scan);
  if (scan.count > 3) {
    acc.recent[acc.recentCount % kRecentRowCount] = {offset, static_cast<uint32_t>(line.size())};
    ++acc.recentCount;
  }
  if (scan.count <= 7) return;
  const std::string_view first = scan.field[0].View();
  if (IgnoredByTotals(scan) && !scan.field[0].cut && IsAscii(first)) {
    // The row adds nothing, but its day still gets an entry, as in ReadDailyTotals.
    if (first.size() >= 10) {
      const std::string_view key = first.substr(0, 10);
      if (key != acc.lastDayKey) {
        acc.lastDayKey = key;
        acc.days.try_emplace(AsciiToUtf16(key));
      }
    }
    return;
  }
  const std::u16string text = Utf8ToUtf16(line);
  const std::vector<std::u16string> fields = SplitCsvLine(text);
  if (fields[0].size() >= 10) AddRowToTotals(fields, acc.days[fields[0].substr(0, 10)]);
  int32_t year = 0, month = 0, day = 0;
  if (ReadRowDate(text, year, month, day)) AddRowToTotals(fields, acc.dates[{year, month, day}]);
}

// ---- 2. Reading

struct FileIdentity {
  std::string path;
  dev_t device = 0;
  ino_t inode = 0;
  uint64_t size = 0;
  int64_t modifiedNs = 0;
};

// The summary of a log's complete lines (those ended by LF), and where reading stopped.
struct KeptSummary {
  bool valid = false;
  FileIdentity file;
  uint64_t readEnd = 0;  // just after the last LF read
  std::string guard;     // the bytes just before readEnd, to notice a rewrite that kept the inode
  Accumulator acc;
};

constexpr size_t kGuardBytes = 64;
constexpr size_t kChunkBytes = 1 << 20;

bool ReadAt(int fd, uint64_t offset, size_t count, std::string& out) {
  out.resize(count);
  size_t done = 0;
  while (done < count) {
    ssize_t n = pread(fd, out.data() + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Reads complete lines from kept.readEnd into kept.acc and the unended last line into tail.
bool StreamLines(int fd, uint64_t size, KeptSummary& kept, std::string& tail, uint64_t& tailOffset) {
  uint64_t position = kept.readEnd;
  std::string pending;  // a line that runs over a chunk's end
  bool overlong = false;
  uint64_t lineStart = position;
  std::string chunk;
  while (position < size) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kChunkBytes, size - position));
    if (!ReadAt(fd, position, want, chunk)) return false;
    std::string_view rest(chunk);
    if (position == 0 && rest.starts_with(kByteOrderMark)) {
      rest.remove_prefix(kByteOrderMark.size());
      lineStart = kByteOrderMark.size();
    }
    uint64_t restOffset = position + (chunk.size() - rest.size());
    while (!rest.empty()) {
      const size_t lf = rest.find('\n');
      const std::string_view piece = rest.substr(0, lf);
      if (lf == std::string_view::npos) {
        if (!overlong && pending.size() + piece.size() > kMaxLogLineBytes) overlong = true;
        if (overlong) {
          pending.clear();
        } else {
          pending.append(piece);
        }
        break;
      }
      if (!overlong && pending.size() + piece.size() <= kMaxLogLineBytes) {
        if (pending.empty()) {
          AddLine(piece, lineStart, kept.acc);
        } else {
          pending.append(piece);
          AddLine(pending, lineStart, kept.acc);
        }
      }
      pending.clear();
      overlong = false;
      restOffset += lf + 1;
      rest.remove_prefix(lf + 1);
      lineStart = restOffset;
      kept.readEnd = restOffset;
    }
    position += chunk.size();
  }
  tail = overlong ? std::string() : std::move(pending);
  tailOffset = lineStart;
  return true;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
  return a.path == b.path && a.device == b.device && a.inode == b.inode;
}

// Whether the kept summary may be extended by the bytes after its readEnd.
bool KeptStillHolds(int fd, const KeptSummary& kept, const FileIdentity& now) {
  if (!kept.valid || !SameFile(kept.file, now)) return false;
  if (now.size < kept.file.size) return false;
  if (now.size == kept.file.size && now.modifiedNs != kept.file.modifiedNs) return false;
  std::string guard;
  if (!ReadAt(fd, kept.readEnd - kept.guard.size(), kept.guard.size(), guard)) return false;
  return guard == kept.guard;
}

PracticeLogSummary Finish(const Accumulator& acc, int fd, const std::string& tail, uint64_t tailOffset) {
  Accumulator full = acc;
  if (!tail.empty()) AddLine(tail, tailOffset, full);
  PracticeLogSummary out;
  out.status = kLogRead;
  out.dataRows = full.dataRows;
  out.days = std::move(full.days);
  out.dates = std::move(full.dates);
  const int count = std::min(full.recentCount, kRecentRowCount);
  for (int i = full.recentCount - count; i < full.recentCount; ++i) {
    const LineSpan& span = full.recent[i % kRecentRowCount];
    std::string bytes;
    if (tailOffset == span.offset && !tail.empty()) {
      bytes = tail.substr(0, span.length);
    } else if (!ReadAt(fd, span.offset, span.length, bytes)) {
      continue;
    }
    out.recentRows.push_back(Utf8ToUtf16(bytes));
  }
  return out;
}

// Brings kept up to date with the file at path and returns the summary; kept is reset when the file is
// gone, unreadable or replaced.
PracticeLogSummary Refresh(const std::string& path, KeptSummary& kept) {
  PracticeLogSummary out;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    kept = KeptSummary{};
    out.status = errno == ENOENT ? kLogMissing : kLogUnreadable;
    return out;
  }
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    kept = KeptSummary{};
    out.status = kLogUnreadable;
    return out;
  }
  FileIdentity now{path, info.st_dev, info.st_ino, static_cast<uint64_t>(info.st_size),
                   int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec};
  if (!KeptStillHolds(fd, kept, now)) {
    kept = KeptSummary{};
    kept.file = now;
  }
  std::string tail;
  uint64_t tailOffset = 0;
  if (!StreamLines(fd, now.size, kept, tail, tailOffset)) {
    close(fd);
    kept = KeptSummary{};
    out.status = kLogUnreadable;
    return out;
  }
  kept.valid = true;
  kept.file = now;
  const size_t guardBytes = static_cast<size_t>(std::min<uint64_t>(kGuardBytes, kept.readEnd));
  if (!ReadAt(fd, kept.readEnd - guardBytes, guardBytes, kept.guard)) kept.valid = false;
  if (now.size == 0) {
    out.status = kLogMissing;
  } else if (now.size == kByteOrderMark.size() && kept.readEnd == 0 && tail.empty()) {
    std::string head;
    out.status = ReadAt(fd, 0, 3, head) && head == kByteOrderMark ? kLogUnconvertible : kLogRead;
    if (out.status == kLogRead) out = Finish(kept.acc, fd, tail, tailOffset);
  } else {
    out = Finish(kept.acc, fd, tail, tailOffset);
  }
  close(fd);
  return out;
}

std::mutex keptLock;
KeptSummary keptSummary;  // behind keptLock
ThreadSlot warmUpThread;  // window thread only

}  // namespace

// ---- 3. Results

PracticeLogSummary ReadPracticeLogSummary() {
  const std::string path = PracticeLogPath();
  std::lock_guard<std::mutex> hold(keptLock);
  return Refresh(path, keptSummary);
}

PracticeLogSummary ReadPracticeLogSummaryInFull() {
  KeptSummary fresh;
  return Refresh(PracticeLogPath(), fresh);
}

void ForgetPracticeLogSummary() {
  std::lock_guard<std::mutex> hold(keptLock);
  keptSummary = KeptSummary{};
}

void StartPracticeLogWarmUp() {
  if (ThreadExists(warmUpThread)) return;
  StartThread(warmUpThread, []() { ReadPracticeLogSummary(); });
}

void FinishPracticeLogWarmUp() {
  // A huge log on a slow disk must not hold up shutdown for long.
  if (ThreadExists(warmUpThread)) WaitAndForget(warmUpThread, 1500);
}

PeriodTotals PeriodTotalsOf(const PracticeLogSummary& summary, int year, int month, int day) {
  PeriodTotals totals;
  const int32_t today = DayNumber(year, month, day);
  for (const auto& [date, sums] : summary.dates) {
    const auto [y, m, d] = date;
    if (y == year && m == month && d == day) AddTotals(totals.today, sums);
    const int32_t rowDay = DayNumber(y, m, d);
    const int64_t daysAgo = int64_t{today} - rowDay;
    if (today != 0 && rowDay != 0 && daysAgo >= 0 && daysAgo <= 6) AddTotals(totals.week, sums);
    if (y == year && m == month) AddTotals(totals.month, sums);
  }
  return totals;
}

LogTotals AllDaysTotals(const PracticeLogSummary& summary) {
  LogTotals all;
  for (const auto& [key, sums] : summary.days) AddTotals(all, sums);
  return all;
}
