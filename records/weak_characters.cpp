// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/weak_characters.h"

#include <vector>

namespace {
struct Candidate {
  char16_t character;
  int64_t score;
};
}  // namespace

bool IsWeakCharacter(char16_t c, const CharacterStat& stat) {
  if (stat.asked <= 0 || c == u' ' || c == u'\t' || c == u'\u3000') return false;
  const int64_t rate = static_cast<int64_t>(stat.correct) * 100 / stat.asked;
  return rate < 90 || stat.wrong > 0;
}

std::u16string WeakCharactersOf(const CharacterLog& log, int n) {
  std::vector<Candidate> candidates;
  for (const auto& [character, stat] : log) {
    if (!IsWeakCharacter(character, stat)) continue;
    const int64_t rate = static_cast<int64_t>(stat.correct) * 100 / stat.asked;
    candidates.push_back({character, int64_t{stat.asked} + 3 * int64_t{stat.wrong} - 10 * rate + 1000});
  }
  // The exchange order below decides the rank among equal scores: an equal score never moves.
  for (size_t p = 0; p + 1 < candidates.size(); ++p) {
    for (size_t j = p + 1; j < candidates.size(); ++j) {
      if (candidates[p].score < candidates[j].score) std::swap(candidates[p], candidates[j]);
    }
  }
  std::u16string weak;
  for (const Candidate& candidate : candidates) {
    if (static_cast<int>(weak.size()) >= n) break;
    const char16_t c = candidate.character;
    if (c == u'「' || c == u'」') continue;  // the generator cannot salt a text with brackets
    weak.push_back(c);
  }
  return weak;
}

std::u16string WeakCharacters(int n) {
  CharacterLog log;
  ReadCharacterLog(log);
  return WeakCharactersOf(log, n);
}
