#include "records/weak_characters.h"

#include <utility>
#include <vector>

std::u16string WeakCharactersOf(const CharacterLog& log, int n) {
  std::vector<std::pair<char16_t, int64_t>> candidates;
  for (const auto& [character, stat] : log) {
    if (stat.asked <= 0) continue;
    const int64_t rate = int64_t{stat.correct} * 100 / stat.asked;
    if (rate < 90 || stat.wrong > 0) {
      candidates.emplace_back(character, int64_t{stat.asked} + 3 * int64_t{stat.wrong} - 10 * rate + 1000);
    }
  }
  // This exchange order decides which of two equal scores comes first; a stable sort would differ.
  for (size_t p = 0; p + 1 < candidates.size(); ++p) {
    for (size_t j = p + 1; j < candidates.size(); ++j) {
      if (candidates[p].second < candidates[j].second) std::swap(candidates[p], candidates[j]);
    }
  }
  std::u16string weak;
  for (const auto& [character, score] : candidates) {
    if (static_cast<int>(weak.size()) >= n) break;
    if (character == u' ' || character == u'\u3000' || character == u'「' || character == u'」') continue;
    weak.push_back(character);
  }
  return weak;
}

std::u16string WeakCharacters(int n) {
  CharacterLog log;
  ReadCharacterLog(log);
  return WeakCharactersOf(log, n);
}
