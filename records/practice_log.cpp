// SPDX-License-Identifier: GPL-3.0-or-later
// Practice log and character log.
//
//   1. Small helpers: saturating sums, a sscanf-style integer scanner
//   2. Row rules: CSV splitting and quoting, durations, day numbers, wrong-answer lists, totals
//   3. Writing: the practice-log row, the character log
//   4. Reading: the line streamer, rows, the character log, period and per-day totals
#include "records/practice_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "core/app_paths.h"
#include "core/clock.h"
#include "core/settings.h"
#include "core/text.h"

namespace {

// ---- 1. Small helpers

const char kByteOrderMark[] = "\xEF\xBB\xBF";
const char16_t kPracticeLogHeader[] =
    u"日時,CPM,WPM,正答率,誤答率,練習時間,電報数,文字数,平均CPM,平均正答率,最速CPM,最長練習時間,電報番号,"
    u"入力文字数,正解文字数,誤答文字数,完了電報数,誤答文字一覧,状態\r\n";
const char16_t kCharacterLogHeader[] = u"文字,出題,正解,誤答,正答率,誤送信文字\r\n";

// Log files come from disk and may hold anything; sums saturate so a junk row cannot overflow a total.
int32_t Saturate(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}
void AddSaturating(int32_t& total, int64_t amount) {
  total = Saturate(static_cast<int64_t>(total) + amount);
}

bool IsScanSpace(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Reads integers as sscanf does with a format made of %d, blanks (any run of white space, also none) and
// literal characters. Returns how many %d were converted before the first mismatch; values saturate.
int ScanIntegers(std::u16string_view text, std::u16string_view format, int32_t* values, int capacity) {
  size_t t = 0;
  int converted = 0;
  for (size_t f = 0; f < format.size(); ++f) {
    if (format[f] == u'%' && f + 1 < format.size() && format[f + 1] == u'd') {
      ++f;
      while (t < text.size() && IsScanSpace(text[t])) ++t;
      bool negative = false;
      if (t < text.size() && (text[t] == u'-' || text[t] == u'+')) negative = text[t++] == u'-';
      if (t >= text.size() || text[t] < u'0' || text[t] > u'9') return converted;
      int64_t value = 0;
      for (; t < text.size() && text[t] >= u'0' && text[t] <= u'9'; ++t) {
        value = value * 10 + (text[t] - u'0');
        if (value > INT64_C(1) << 40) value = INT64_C(1) << 40;
      }
      if (converted < capacity) values[converted] = Saturate(negative ? -value : value);
      ++converted;
    } else if (IsScanSpace(format[f])) {
      while (t < text.size() && IsScanSpace(text[t])) ++t;
    } else {
      if (t >= text.size() || text[t] != format[f]) return converted;
      ++t;
    }
  }
  return converted;
}

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool IsListSeparator(char16_t c) {
  return c == u' ' || c == u'、' || c == u',';
}
bool IsListColon(char16_t c) {
  return c == u':' || c == u'：';
}
bool IsSeparatorKey(std::u16string_view text, size_t i) {
  return i + 2 < text.size() && IsListColon(text[i + 1]) && text[i + 2] >= u'0' && text[i + 2] <= u'9';
}

// What must go in front of a row appended to an existing log. A log whose last row was cut off (disk full,
// a crash, an editor) would swallow the new row into the broken one, so the row starts on a fresh line; a
// log holding nothing but the byte-order mark still gets its header. Empty or missing logs get both from
// AppendToFile.
std::string RepairBeforeAppend(const std::string& path, const std::string& header) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {};
  std::string prefix;
  struct stat info;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    char tail[3] = {0, 0, 0};
    off_t start = info.st_size >= 3 ? info.st_size - 3 : 0;
    ssize_t got = pread(fd, tail, static_cast<size_t>(info.st_size - start), start);
    if (got > 0) {
      std::string_view end(tail, static_cast<size_t>(got));
      if (info.st_size == 3 && end == kByteOrderMark) {
        prefix = header;
      } else if (end.back() != '\n') {
        prefix = "\r\n";
      }
    }
  }
  close(fd);
  return prefix;
}

void LocalTimeNow(std::tm& now) {
  std::time_t seconds = std::time(nullptr);
  localtime_r(&seconds, &now);
}

}  // namespace

// ---- 2. Row rules

std::vector<std::u16string> SplitCsvLine(std::u16string_view line) {
  std::vector<std::u16string> fields;
  std::u16string field;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char16_t c = line[i];
    if (c == u'"') {
      if (quoted && i + 1 < line.size() && line[i + 1] == u'"') {
        field.push_back(u'"');
        ++i;
      } else {
        quoted = !quoted;
      }
    } else if (c == u',' && !quoted) {
      fields.push_back(std::move(field));
      field.clear();
    } else {
      field.push_back(c);
    }
  }
  fields.push_back(std::move(field));
  return fields;
}

std::u16string QuoteCsvField(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() + 2);
  out.push_back(u'"');
  for (char16_t c : text) {
    if (c == u'"') out.push_back(u'"');
    // Readers split lines at LF before they look at quotes, so a line break cannot live inside a field.
    out.push_back(c == u'\r' || c == u'\n' ? u' ' : c);
  }
  out.push_back(u'"');
  return out;
}

int32_t ParseDuration(std::u16string_view text) {
  int32_t parts[3] = {0, 0, 0};
  if (ScanIntegers(text, u"%d:%d:%d", parts, 3) == 3) {
    return Saturate(int64_t{parts[0]} * 3600 + int64_t{parts[1]} * 60 + parts[2]);
  }
  if (ScanIntegers(text, u"%d:%d", parts, 2) == 2) return Saturate(int64_t{parts[0]} * 60 + parts[1]);
  return LeadingInt(text);
}

int32_t DayNumber(int year, int month, int day) {
  // The range a Windows file time can hold as a calendar date; the file-time epoch is 1601-01-01.
  if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
    return 0;
  }
  return static_cast<int32_t>(DaysFromCivil(year, month, day) - DaysFromCivil(1601, 1, 1));
}

void AddRowToTotals(const std::vector<std::u16string>& fields, LogTotals& totals) {
  const size_t n = fields.size();
  if (n <= 7) return;
  if (n <= 18) {
    // Older layout: date, CPM, inputs, correct, wrong, ..., seconds (8), telegrams (9), state (11).
    if (n > 11 && fields[11] == u"途中") return;
    AddSaturating(totals.rows, 1);
    AddSaturating(totals.inputs, LeadingInt(fields[2]));
    AddSaturating(totals.correct, LeadingInt(fields[3]));
    AddSaturating(totals.wrong, LeadingInt(fields[4]));
    if (n >= 10) {
      AddSaturating(totals.seconds, LeadingInt(fields[8]));
      AddSaturating(totals.telegrams, LeadingInt(fields[9]));
    }
    return;
  }
  if (fields[18] == u"途中") return;
  AddSaturating(totals.rows, 1);
  AddSaturating(totals.inputs, LeadingInt(fields[7]));
  AddSaturating(totals.correct, LeadingInt(fields[14]));
  AddSaturating(totals.wrong, LeadingInt(fields[15]));
  AddSaturating(totals.seconds, ParseDuration(fields[5]));
  AddSaturating(totals.telegrams, LeadingInt(fields[6]));
}

std::u16string FormatWrongAnswers(const WrongAnswerMap& answers) {
  std::u16string out;
  for (const auto& [given, count] : answers) {
    if (given == 0) continue;  // a NUL would be written as a blank and read back as one
    out += FormatText(u"%c:%d ", {given, count});
  }
  return out.empty() ? std::u16string(u"なし") : out;
}

// Entries are "key:count" with blanks, "、" or "," between them. The key is any one character: "、" (a kana
// Morse character) or a blank given as an answer is written as "、:2", so a separator directly followed
// by one colon and a digit is a key (" ::4" stays a blank, then the key ":"). "な" followed by a colon is
// a key too; only "なし" / "無し" mean "none".
void ParseWrongAnswers(std::u16string_view text, WrongAnswerMap& answers) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    while (i < n && IsListSeparator(text[i]) && !IsSeparatorKey(text, i)) ++i;
    if (i >= n) break;
    char16_t key = text[i++];
    bool colon = false;
    while (i < n && IsListColon(text[i])) {
      colon = true;
      ++i;
    }
    int64_t count = 0;
    bool digits = false;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
      digits = true;
      count = count * 10 + (text[i] - u'0');
      if (count > INT32_MAX) count = INT32_MAX;
    }
    if (!digits || count < 1) count = 1;
    if (!((key == u'な' || key == u'無') && !colon)) AddSaturating(answers[key], count);
    while (i < n && !IsListSeparator(text[i])) ++i;
  }
}

// ---- 3. Writing

std::string PracticeLogPath() {
  return AppFilePath("telegram_practice_log.csv");
}
std::string CharacterLogPath() {
  return AppFilePath("telegram_practice_char_log.csv");
}

std::u16string FormatPracticeLogRow(const std::tm& localTime, uint32_t nowTickMs, int correctRate,
                                    int wrongRate, int cpm, const char16_t* state) {
  uint32_t seconds = RunElapsedMs(nowTickMs) / 1000;
  if (seconds == 0) seconds = 1;
  std::u16string elapsed = FormatText(u"%02d:%02d", {seconds / 60, seconds % 60});
  const int32_t completed = runStatistics.completedRuns.load();
  const int32_t judged = runStatistics.judged.load();
  std::u16string wrongList = runStatistics.wrongList.empty() ? u"なし" : runStatistics.wrongList;
  std::u16string stateText = state && *state ? state : u"完了";
  return FormatText(
      u"%04d/%02d/%02d %02d:%02d:%02d,%d,%d,%d,%d,%s,%d,%d,%d,%d,%d,%s,%d,%d,%d,%d,%d,%s,%s\r\n",
      {localTime.tm_year + 1900,
       localTime.tm_mon + 1,
       localTime.tm_mday,
       localTime.tm_hour,
       localTime.tm_min,
       localTime.tm_sec,
       cpm,
       practiceSettings.WPM.load(),
       correctRate,
       wrongRate,
       elapsed,
       completed < 1 ? 1 : completed,
       judged,
       cpm,
       correctRate,
       cpm,
       elapsed,
       runStatistics.telegramNumber.load(),
       judged,
       runStatistics.correct.load(),
       runStatistics.wrong.load(),
       completed,
       QuoteCsvField(wrongList),
       QuoteCsvField(stateText)});
}

namespace {

// The files the writers keep at hand between judged characters (event thread only). The practice log stays
// open for appending; the character log is kept in memory and replaced whole after every judgement without
// a flush, so a judged character costs six file system calls: fstat and write of the practice log, open,
// write, close and rename of the character log. FlushPracticeLogs puts both on disk.
struct LogFiles {
  std::string practicePath;
  int practiceFd = -1;
  int64_t practiceSize = 0;  // what the file holds after our last row
  std::string characterPath;
  bool characterCached = false;
  CharacterLog characterLog;
};
LogFiles logFiles;

void ClosePracticeLogFile() {
  if (logFiles.practiceFd >= 0) close(logFiles.practiceFd);
  logFiles.practiceFd = -1;
}

// The open practice log for path, or -1. `prefix` gets what must precede the next row: the byte-order mark
// and header of a new file, or the repair of a log whose last row was cut off.
int OpenPracticeLog(const std::string& path, std::string& prefix) {
  struct stat info;
  if (logFiles.practiceFd >= 0 && logFiles.practicePath == path) {
    // Deleted or replaced under us (nlink 0: rows written to it would be lost), or changed by someone else
    // (its size is not what we left): opened afresh, so the header and the line-end repair are right.
    NoteFileCall();
    if (fstat(logFiles.practiceFd, &info) == 0 && info.st_nlink > 0 &&
        info.st_size == logFiles.practiceSize) {
      return logFiles.practiceFd;
    }
  }
  ClosePracticeLogFile();
  const std::string header = Utf16ToUtf8(kPracticeLogHeader);
  prefix = RepairBeforeAppend(path, header);
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  if (fstat(fd, &info) != 0) {
    close(fd);
    return -1;
  }
  if (info.st_size == 0) prefix = kByteOrderMark + header;
  logFiles.practiceSize = info.st_size;
  logFiles.practiceFd = fd;
  logFiles.practicePath = path;
  return fd;
}

}  // namespace

bool AppendPracticeLogRowAt(const std::tm& localTime, uint32_t nowTickMs, int correctRate, int wrongRate,
                            int cpm, const char16_t* state) {
  std::string row =
      Utf16ToUtf8(FormatPracticeLogRow(localTime, nowTickMs, correctRate, wrongRate, cpm, state));
  std::string prefix;
  const int fd = OpenPracticeLog(PracticeLogPath(), prefix);
  if (fd < 0) return false;
  row.insert(0, prefix);
  if (WriteAll(fd, row)) {
    logFiles.practiceSize += static_cast<int64_t>(row.size());
    return true;
  }
  // A row cut short (a full disk): reopened next time, the repair puts the next row on a line of its own.
  const int saved = errno;
  ClosePracticeLogFile();
  errno = saved;
  return false;
}

void FlushPracticeLogs() {
  if (logFiles.practiceFd >= 0) fsync(logFiles.practiceFd);
  if (logFiles.characterCached) SyncFile(logFiles.characterPath);
  SyncFile(AppFilePath("telegram_practice_log.txt"));
  // Read afresh at the next judgement: anything else that changed the file between runs is kept.
  logFiles.characterCached = false;
  logFiles.characterLog.clear();
}

void ClosePracticeLogs() {
  FlushPracticeLogs();
  ClosePracticeLogFile();
}

bool AppendPracticeLogRow(int correctRate, int wrongRate, int cpm, const char16_t* state) {
  std::tm now{};
  LocalTimeNow(now);
  return AppendPracticeLogRowAt(now, TickMs(), correctRate, wrongRate, cpm, state);
}

std::string CharacterLogBytes(const CharacterLog& log) {
  std::u16string text = kCharacterLogHeader;
  for (const auto& [character, stat] : log) {
    // NUL is no character, and CR/LF would split the row.
    if (character == 0 || character == u'\r' || character == u'\n') continue;
    // A bare "," or '"' would shift or swallow the row's fields; quoted, it reads back as one character.
    std::u16string shown(1, character);
    if (character == u',' || character == u'"') shown = QuoteCsvField(shown);
    int32_t rate = stat.asked < 1 ? 0 : Saturate(int64_t{stat.correct} * 100 / stat.asked);
    text += FormatText(u"%s,%d,%d,%d,%d,%s\r\n", {shown, stat.asked, stat.correct, stat.wrong, rate,
                                                  QuoteCsvField(FormatWrongAnswers(stat.wrongAnswers))});
  }
  return kByteOrderMark + Utf16ToUtf8(text);
}

bool WriteCharacterLog(const CharacterLog& log) {
  return ReplaceFileAtomically(CharacterLogPath(), CharacterLogBytes(log));
}

bool RecordCharacterResult(char16_t expected, char16_t given, bool right) {
  if (expected == 0) return false;
  const std::string path = CharacterLogPath();
  if (!logFiles.characterCached || logFiles.characterPath != path) {
    CharacterLog read;
    // A log that exists but cannot be read is left alone: rewriting it from an empty map would erase it.
    if (ReadCharacterLog(read) == kLogUnreadable) return false;
    logFiles.characterLog = std::move(read);
    logFiles.characterPath = path;
    logFiles.characterCached = true;
  }
  CharacterLog& log = logFiles.characterLog;
  CharacterStat& stat = log[expected];
  AddSaturating(stat.asked, 1);
  if (right) {
    AddSaturating(stat.correct, 1);
  } else {
    AddSaturating(stat.wrong, 1);
    if (given != 0) AddSaturating(stat.wrongAnswers[given], 1);
  }
  if (ReplaceFileUnsynced(path, CharacterLogBytes(log))) return true;
  // Not written: the next judgement reads the file again, so memory never runs ahead of the disk.
  logFiles.characterCached = false;
  return false;
}

// ---- 4. Reading

LogReadStatus VisitLogLines(const std::string& path, LogKind kind,
                            const std::function<void(std::u16string_view line)>& visit) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? kLogMissing : kLogUnreadable;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return kLogUnreadable;
  }

  std::string pending;    // bytes of the line being collected
  bool overlong = false;  // the current line passed kMaxLogLineBytes and is being skipped
  auto finishLine = [&]() {
    if (!overlong && !pending.empty()) {
      std::u16string line = Utf8ToUtf16(pending);
      if (!line.empty() && line.back() == u'\r') line.pop_back();
      std::u16string_view view(line);
      bool header = view.starts_with(u"日時") || (kind == kCharacterLog && view.starts_with(u"文字"));
      if (!view.empty() && !header) visit(view);
    }
    pending.clear();
    overlong = false;
  };
  size_t textBytes = 0;  // bytes after the byte-order mark
  auto consume = [&](std::string_view chunk) {
    textBytes += chunk.size();
    while (!chunk.empty()) {
      size_t lf = chunk.find('\n');
      std::string_view piece = chunk.substr(0, lf);
      if (!overlong) {
        if (pending.size() + piece.size() > kMaxLogLineBytes) {
          overlong = true;
          pending.clear();
        } else {
          pending.append(piece);
        }
      }
      if (lf == std::string_view::npos) return;
      finishLine();
      chunk.remove_prefix(lf + 1);
    }
  };

  std::string buffer(1 << 16, '\0');
  std::string head;  // the first bytes, until there are enough to recognise the byte-order mark
  bool atStart = true;
  size_t fileBytes = 0;
  for (;;) {
    ssize_t got = read(fd, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      close(fd);
      return kLogUnreadable;
    }
    if (got == 0) break;
    fileBytes += static_cast<size_t>(got);
    std::string_view chunk(buffer.data(), static_cast<size_t>(got));
    if (atStart) {
      head.append(chunk);
      if (head.size() < 3) continue;
      atStart = false;
      chunk = head;
      if (chunk.starts_with(kByteOrderMark)) chunk.remove_prefix(3);
    }
    consume(chunk);
  }
  close(fd);
  if (atStart) consume(head);  // shorter than a byte-order mark
  finishLine();
  if (fileBytes == 0) return kLogMissing;
  return textBytes == 0 ? kLogUnconvertible : kLogRead;
}

LogReadStatus ReadPracticeLogLines(std::vector<std::u16string>& lines) {
  std::vector<std::u16string> read;
  LogReadStatus status = VisitLogLines(PracticeLogPath(), kPracticeLog,
                                       [&](std::u16string_view line) { read.emplace_back(line); });
  lines = std::move(read);
  return status;
}

LogReadStatus ReadPracticeLogRows(std::vector<std::vector<std::u16string>>& rows) {
  std::vector<std::vector<std::u16string>> read;
  LogReadStatus status = VisitLogLines(PracticeLogPath(), kPracticeLog,
                                       [&](std::u16string_view line) { read.push_back(SplitCsvLine(line)); });
  rows = std::move(read);
  return status;
}

void AddCharacterLogRow(const std::vector<std::u16string>& fields, CharacterLog& log) {
  const size_t n = fields.size();
  char16_t character = 0;
  size_t first = 0;  // index of the asked count
  if (n >= 4 && fields[0].size() == 1) {
    character = fields[0][0];
    first = 1;
  } else if (n >= 5 && !fields[1].empty()) {
    character = fields[1][0];  // older layout with a date in front
    first = 2;
  } else {
    return;
  }
  if (character == 0) return;
  CharacterStat& stat = log[character];
  AddSaturating(stat.asked, LeadingInt(fields[first]));
  AddSaturating(stat.correct, LeadingInt(fields[first + 1]));
  AddSaturating(stat.wrong, LeadingInt(fields[first + 2]));
  if (n >= 6) ParseWrongAnswers(fields[5], stat.wrongAnswers);
}

LogReadStatus ReadCharacterLog(CharacterLog& log) {
  log.clear();
  return VisitLogLines(CharacterLogPath(), kCharacterLog,
                       [&](std::u16string_view line) { AddCharacterLogRow(SplitCsvLine(line), log); });
}

bool ReadRowDate(std::u16string_view line, int32_t& year, int32_t& month, int32_t& day) {
  int32_t date[6] = {0, 0, 0, 0, 0, 0};
  if (ScanIntegers(line, u"%d/%d/%d %d:%d:%d", date, 6) < 3) return false;
  year = date[0];
  month = date[1];
  day = date[2];
  return true;
}

void AddTotals(LogTotals& a, const LogTotals& b) {
  AddSaturating(a.rows, b.rows);
  AddSaturating(a.inputs, b.inputs);
  AddSaturating(a.correct, b.correct);
  AddSaturating(a.wrong, b.wrong);
  AddSaturating(a.seconds, b.seconds);
  AddSaturating(a.telegrams, b.telegrams);
}

LogReadStatus ReadPeriodTotals(int year, int month, int day, PeriodTotals& totals) {
  totals = PeriodTotals{};
  const int32_t today = DayNumber(year, month, day);
  return VisitLogLines(PracticeLogPath(), kPracticeLog, [&](std::u16string_view line) {
    int32_t date[3] = {0, 0, 0};
    if (!ReadRowDate(line, date[0], date[1], date[2])) return;
    std::vector<std::u16string> fields = SplitCsvLine(line);
    if (date[0] == year && date[1] == month && date[2] == day) AddRowToTotals(fields, totals.today);
    const int32_t rowDay = DayNumber(date[0], date[1], date[2]);
    const int64_t daysAgo = int64_t{today} - rowDay;
    if (today != 0 && rowDay != 0 && daysAgo >= 0 && daysAgo <= 6) AddRowToTotals(fields, totals.week);
    if (date[0] == year && date[1] == month) AddRowToTotals(fields, totals.month);
  });
}

LogReadStatus ReadPeriodTotals(PeriodTotals& totals) {
  std::tm now{};
  LocalTimeNow(now);
  return ReadPeriodTotals(now.tm_year + 1900, now.tm_mon + 1, now.tm_mday, totals);
}

LogReadStatus ReadDailyTotals(std::map<std::u16string, LogTotals>& days) {
  std::map<std::u16string, LogTotals> read;
  LogReadStatus status = VisitLogLines(PracticeLogPath(), kPracticeLog, [&](std::u16string_view line) {
    std::vector<std::u16string> fields = SplitCsvLine(line);
    if (fields.size() > 7 && fields[0].size() >= 10) AddRowToTotals(fields, read[fields[0].substr(0, 10)]);
  });
  days = std::move(read);
  return status;
}
