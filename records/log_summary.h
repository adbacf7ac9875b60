// SPDX-License-Identifier: GPL-3.0-or-later
// The practice log summed up once and then kept up to date by reading only what was appended.
//
// The practice log gains a row per judged character, so years of practice make it hundreds of megabytes,
// while the statistics window and the dashboard rebuild their figures on every mode change. The summary
// holds what they need (per-day totals, totals per calendar date, the last rows) for the part of the file
// already read, keyed by the file's path, identity (device, inode), size, modification time and the bytes
// just before the read position. An unchanged file costs one stat; a grown one costs only the appended
// bytes; a file that shrank, was replaced or was rewritten in place is read again in full. The results
// equal those of ReadDailyTotals, ReadPeriodTotals and ReadPracticeLogLines over the whole file.
//
// Thread: any; one process-wide summary behind a lock (a warm-up thread may fill it while the window
// thread waits for it).
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "records/practice_log.h"

constexpr int kRecentRowCount = 10;

struct PracticeLogSummary {
  LogReadStatus status = kLogMissing;
  int64_t dataRows = 0;                                              // non-empty, non-header lines
  std::map<std::u16string, LogTotals> days;                          // as ReadDailyTotals
  std::map<std::tuple<int32_t, int32_t, int32_t>, LogTotals> dates;  // (year, month, day) of rows with a date
  std::vector<std::u16string> recentRows;  // the last lines with more than 3 fields, oldest first
};

// The summary of the practice log as it is now (reads only what changed since the last call).
PracticeLogSummary ReadPracticeLogSummary();
// The same, always reading the whole file and leaving the kept summary alone (reference and benchmark).
PracticeLogSummary ReadPracticeLogSummaryInFull();
// Drops the kept summary, so the next read is a full one.
void ForgetPracticeLogSummary();
// Reads the summary on a thread of its own, so the first window opened finds it ready (program start).
void StartPracticeLogWarmUp();
// Waits for a warm-up started by StartPracticeLogWarmUp (shutdown, tests).
void FinishPracticeLogWarmUp();

// Today, the week up to today and this month, from the summary's dated totals.
PeriodTotals PeriodTotalsOf(const PracticeLogSummary& summary, int year, int month, int day);
// Every day of the per-day totals added up.
LogTotals AllDaysTotals(const PracticeLogSummary& summary);
