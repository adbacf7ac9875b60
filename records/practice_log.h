// SPDX-License-Identifier: GPL-3.0-or-later
// The two CSV practice logs kept in the application directory, and the shared rules for reading them back.
//
//   telegram_practice_log.csv       one row per judged character ("途中") and per finished run ("完了"),
//                                   appended in one write each
//   telegram_practice_char_log.csv  one row per expected character, rewritten whole (atomic replace) after
//                                   every judged character
//
// Writers keep the practice log open and the character log in memory between judgements and flush neither
// until FlushPracticeLogs (each telegram's end, RX STOP, exit): a killed process loses nothing (the page
// cache outlives it), a power cut at most the current telegram.
//
// Both files: UTF-8 with a byte-order mark, header line once, CR LF line ends, text fields quoted with
// doubled quotes. Writers run on the event thread, readers on the window thread; no lock is taken (a row
// is one append, a character-log rewrite is a rename).
#pragma once
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "records/run_statistics.h"

// The character log in memory: expected character (ascending) -> counts.
using CharacterLog = std::map<char16_t, CharacterStat>;

// Log rows aggregated; all counts start at 0 and saturate instead of overflowing.
struct LogTotals {
  int32_t rows = 0;
  int32_t inputs = 0;
  int32_t correct = 0;
  int32_t wrong = 0;
  int32_t seconds = 0;
  int32_t telegrams = 0;
};

struct PeriodTotals {
  LogTotals today;
  LogTotals week;   // today and the six days before it
  LogTotals month;  // the calendar month of today
};

// Outcome of reading a log file. Readers show their "no history" texts for the first three.
enum LogReadStatus {
  kLogMissing,        // no such file, or an empty one
  kLogUnreadable,     // exists but cannot be opened or read (a writer must not replace it)
  kLogUnconvertible,  // nothing but a byte-order mark: the text converts to no characters
  kLogRead,
};

// ---- File names
std::string PracticeLogPath();   // AppFilePath("telegram_practice_log.csv")
std::string CharacterLogPath();  // AppFilePath("telegram_practice_char_log.csv")

// ---- Writing (event thread)
// Flushes both logs and the text log to disk and forgets the cached character log.
void FlushPracticeLogs();
// FlushPracticeLogs, then closes the practice log (exit, after the event thread has ended).
void ClosePracticeLogs();
// Appends one practice-log row stamped with the local time now; state nullptr or empty means "完了".
// False when the log could not be written; callers go on regardless.
bool AppendPracticeLogRow(int correctRate, int wrongRate, int cpm, const char16_t* state);
// The same with the row's local time and the tick count given (tests and replays).
bool AppendPracticeLogRowAt(const std::tm& localTime, uint32_t nowTickMs, int correctRate, int wrongRate,
                            int cpm, const char16_t* state);
// One practice-log row, CR LF included, from the run counters, the WPM setting and the current telegram.
std::u16string FormatPracticeLogRow(const std::tm& localTime, uint32_t nowTickMs, int correctRate,
                                    int wrongRate, int cpm, const char16_t* state);
// Books one judged character in the character log (read, update, atomic replace). Nothing when expected
// is 0, and nothing when the existing log cannot be read (it is never replaced by a partial one).
bool RecordCharacterResult(char16_t expected, char16_t given, bool right);
// Replaces the character log with the map's rows (byte-order mark and header first). False on failure,
// in which case the previous file is left whole.
bool WriteCharacterLog(const CharacterLog& log);
// The character log's bytes for a map, as WriteCharacterLog writes them.
std::string CharacterLogBytes(const CharacterLog& log);

// ---- Reading (window thread; RecordCharacterResult also reads on the event thread)
// Calls visit for every non-empty, non-header line of a log (byte-order mark skipped, one trailing CR
// removed, invalid UTF-8 replaced). The file is streamed, so its size is not limited; a line longer than
// kMaxLogLineBytes is junk and skipped whole.
constexpr size_t kMaxLogLineBytes = 4u << 20;
enum LogKind { kPracticeLog, kCharacterLog };
LogReadStatus VisitLogLines(const std::string& path, LogKind kind,
                            const std::function<void(std::u16string_view line)>& visit);
// The practice log's data lines, and the same split into fields.
LogReadStatus ReadPracticeLogLines(std::vector<std::u16string>& lines);
LogReadStatus ReadPracticeLogRows(std::vector<std::vector<std::u16string>>& rows);
// Clears the map and fills it from the character log (both row layouts).
LogReadStatus ReadCharacterLog(CharacterLog& log);
// Adds one split character-log row to the map by the two-layout rule; other rows are ignored.
void AddCharacterLogRow(const std::vector<std::u16string>& fields, CharacterLog& log);

// ---- Row rules
// CSV fields of one line: commas outside quotes separate, "" inside quotes is one quote, other quotes
// toggle. Always at least one field.
std::vector<std::u16string> SplitCsvLine(std::u16string_view line);
// The text as a quoted CSV field (quotes doubled; CR and LF, which would split the row, become blanks).
std::u16string QuoteCsvField(std::u16string_view text);
// "h:m:s" or "m:s" to seconds, else the leading integer.
int32_t ParseDuration(std::u16string_view text);
// Whole days since 1601-01-01 for a valid Gregorian date (years 1601..30827), 0 for an invalid one.
int32_t DayNumber(int year, int month, int day);
// Adds one split practice-log row: only finished runs ("完了"), in the current or the older layout.
void AddRowToTotals(const std::vector<std::u16string>& fields, LogTotals& totals);
// "%c:%d " per entry in ascending order, "なし" when empty.
std::u16string FormatWrongAnswers(const WrongAnswerMap& answers);
// Adds the entries of a wrong-answer list ("カ:1 サ:2 ", "カ：2、サ", "なし") into the map.
void ParseWrongAnswers(std::u16string_view text, WrongAnswerMap& answers);

// The leading "y/m/d h:m:s" date of a practice-log line, read as sscanf would; false when fewer than
// three numbers are read (the row then belongs to no period).
bool ReadRowDate(std::u16string_view line, int32_t& year, int32_t& month, int32_t& day);
// Adds b into a, field by field, saturating.
void AddTotals(LogTotals& a, const LogTotals& b);

// ---- Totals over the practice log
// Today, the last seven days and this month, for the given "today" (local calendar date).
LogReadStatus ReadPeriodTotals(int year, int month, int day, PeriodTotals& totals);
// The same for the local date now.
LogReadStatus ReadPeriodTotals(PeriodTotals& totals);
// Per calendar day, keyed by the row's first ten characters ("2024/05/01"), ascending.
LogReadStatus ReadDailyTotals(std::map<std::u16string, LogTotals>& days);
