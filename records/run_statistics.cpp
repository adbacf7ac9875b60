// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/run_statistics.h"

RunStatistics runStatistics;
TelegramScore telegramScore;

std::map<char16_t, CharacterStat> CopyPerCharacterStatistics() {
  std::lock_guard<std::mutex> hold(runStatistics.perCharacterLock);
  return runStatistics.perCharacter;
}
