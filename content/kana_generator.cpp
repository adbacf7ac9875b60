// SPDX-License-Identifier: GPL-3.0-or-later
// Kana random telegrams.
//   - text helpers
//   - templates and words
//   - texts
//   - weak characters
//   - the batch
#include "content/kana_generator.h"

#include <algorithm>

#include "content/kana_tables.h"
#include "content/random_source.h"
#include "content/telegram_file.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/settings.h"
#include "core/text.h"
#include "records/weak_characters.h"

// ---- Text helpers -----------------------------------------------------------------------------------------

std::u16string KanjiNumber(int number) {
  const std::string digits = std::to_string(std::max(number, 0));
  std::u16string kanji;
  for (char digit : digits) kanji.push_back(kKanjiDigits[static_cast<size_t>(digit - '0')]);
  return kanji;
}

int TextLengthForLevel(int learningLevel) {
  switch (learningLevel) {
    case 1:
      return 100;
    case 2:
      return 120;
    case 3:
      return 150;
    case 4:
      return 160;
    default:
      return 80;
  }
}

namespace {
bool IsBlank(char16_t c) {
  return c == u'\t' || c == u'\n' || c == u'\r' || c == u' ' || c == u'\u3000';
}
int Length(const std::u16string& text) {
  return static_cast<int>(text.size());
}
}  // namespace

std::u16string NormalizeKanaText(std::u16string_view text) {
  std::u16string normalized;
  normalized.reserve(text.size());
  for (char16_t c : text) {
    if (IsBlank(c)) continue;
    normalized.push_back(c >= 0x3041 && c <= 0x3093 ? static_cast<char16_t>(c + 0x60) : c);
  }
  return normalized;
}

void AppendUpTo(std::u16string& destination, std::u16string_view source, int limit) {
  for (char16_t c : source) {
    if (Length(destination) >= limit) return;
    destination.push_back(c);
  }
}

void FinishText(std::u16string& text, int length) {
  if (length < 0) length = 0;
  if (Length(text) < length) text.append(static_cast<size_t>(length) - text.size(), u'」');
  text.resize(static_cast<size_t>(length));
  if (length > 0 && text.back() != u'」') text.back() = u'」';
}

int KanaCharacterCount(std::u16string_view text) {
  size_t end = text.size();
  while (end > 1 && text[end - 1] == u'」' && text[end - 2] == u'」') --end;
  return static_cast<int>(std::count_if(text.begin(), text.begin() + static_cast<ptrdiff_t>(end),
                                        [](char16_t c) { return !IsBlank(c); }));
}

// ---- Templates and words ----------------------------------------------------------------------------------

std::u16string PickWord(std::u16string_view key) {
  if (key.empty()) return {};
  const auto& lists = ActiveKanaTables().wordLists;
  const auto it = lists.find(std::u16string(key));
  if (it == lists.end() || it->second.words.empty()) return {};
  const std::vector<std::u16string>& words = it->second.words;
  return words[static_cast<size_t>(RandomChoice(static_cast<int>(words.size())))];
}

std::u16string FillPlaceholder(std::u16string_view key) {
  std::u16string first = PickWord(key);
  if (first.empty() || NextRandom() % 8 != 0) return first;
  const std::u16string second = PickWord(key);
  if (second.empty() || second == first) return first;
  return first + std::u16string(kWordJoiner) + second;
}

std::u16string ExpandTemplate(std::u16string_view templateText) {
  return ReplaceBracketedKeys(templateText, FillPlaceholder);
}

int RandomTemplateRow(std::u16string_view theme) {
  const std::vector<SentenceTemplate>& rows = ActiveKanaTables().templates;
  const int themed = static_cast<int>(std::count_if(
      rows.begin(), rows.end(), [theme](const SentenceTemplate& row) { return row.theme == theme; }));
  if (themed == 0) return rows.empty() ? -1 : RandomChoice(static_cast<int>(rows.size()));
  int wanted = RandomChoice(themed);
  for (size_t r = 0; r < rows.size(); ++r) {
    if (rows[r].theme == theme && wanted-- == 0) return static_cast<int>(r);
  }
  return -1;
}

namespace {

std::u16string SelectedCategoryText() {
  const int selection = ControlSelection(kCategoryCombo);
  const std::vector<std::u16string> items = ControlItems(kCategoryCombo);
  if (selection < 0 || selection >= static_cast<int>(items.size()) ||
      items[static_cast<size_t>(selection)].empty()) {
    return u"すべて";
  }
  return items[static_cast<size_t>(selection)];
}

// The expanded, normalized template of a row; empty for -1.
std::u16string RowText(int row) {
  if (row < 0) return {};
  return NormalizeKanaText(ExpandTemplate(ActiveKanaTables().templates[static_cast<size_t>(row)].text));
}

std::u16string RowTheme(int row) {
  if (row < 0) return {};
  return ActiveKanaTables().templates[static_cast<size_t>(row)].theme;
}

}  // namespace

int RandomTemplateRowForCategory() {
  const std::vector<SentenceTemplate>& rows = ActiveKanaTables().templates;
  if (rows.empty()) return -1;
  const std::u16string category = SelectedCategoryText();
  if (category == u"すべて") return RandomChoice(static_cast<int>(rows.size()));
  std::vector<int> candidates;
  for (size_t r = 0; r < rows.size() && candidates.size() < 512; ++r) {
    const std::u16string& theme = rows[r].theme;
    if (theme.find(category) != std::u16string::npos || category.find(theme) != std::u16string::npos) {
      candidates.push_back(static_cast<int>(r));
    }
  }
  if (candidates.empty()) return RandomChoice(static_cast<int>(rows.size()));
  return candidates[static_cast<size_t>(RandomChoice(static_cast<int>(candidates.size())))];
}

std::u16string SentencePair(std::u16string_view theme) {
  const int first = RandomTemplateRow(theme);
  const int second = RandomTemplateRow(theme);
  const std::u16string s1 = RowText(first);
  const std::u16string s2 = RowText(second);
  if (s1.empty()) return s2;
  if (s2.empty()) return s1;
  if (RandomChoice(3) == 0) return s1 + u"シタガツテ" + s2;
  return s1 + (NextRandom() % 2 == 1 ? u"オナジヨウニ" : u"マタ") + s2;
}

// ---- Texts ------------------------------------------------------------------------------------------------

std::u16string NormalTelegramText(int length) {
  length = std::clamp(length, 80, 180);
  std::u16string text;
  for (int round = 0; round < 300; ++round) {
    if (!text.empty() && text.back() != u'」') {
      // A particle or a sentence end between phrases; it may run past the length, the end is cut anyway.
      if (RandomChoice(5) != 0) {
        text += kKanaParticles[static_cast<size_t>(RandomChoice(static_cast<int>(kKanaParticles.size())))];
      } else {
        text += u'」';
      }
    }
    AppendUpTo(text, kKanaPhrases[static_cast<size_t>(RandomChoice(static_cast<int>(kKanaPhrases.size())))],
               length);
    if (Length(text) >= length) break;
  }
  if (text.empty()) text = kDefaultKanaText;
  FinishText(text, length);
  return NormalizeKanaText(text);
}

bool TemplateFileText(int length, std::u16string& output) {
  const std::vector<std::u16string> lines =
      ReadTemplateLines(TemplateFilePath(practiceSettings.LearningLevel.load()));
  if (lines.empty()) return false;
  std::u16string text;
  for (int round = 0; round < 100 && Length(text) < length; ++round) {
    const std::u16string& line = lines[static_cast<size_t>(RandomChoice(static_cast<int>(lines.size())))];
    AppendUpTo(text, NormalizeKanaText(line), length);
  }
  if (text.empty()) return false;
  FinishText(text, length);
  output = std::move(text);
  return true;
}

std::u16string SecondGenerationText(int length) {
  length = std::clamp(length, 80, 180);
  std::u16string text;
  if (TemplateFileText(length, text)) return text;
  const int first = RandomTemplateRowForCategory();
  const std::u16string theme = RowTheme(first);
  AppendUpTo(text, RandomChoice(3) != 0 ? RowText(first) : SentencePair(theme), length);
  const int rowCount = static_cast<int>(ActiveKanaTables().templates.size());
  for (int round = 0; round < 80 && Length(text) < length; ++round) {
    const int row = RandomTemplateRow(theme);
    std::u16string piece = NextRandom() % 4 != 0 ? RowText(row) : SentencePair(theme);
    if (piece.empty() && rowCount > 0) piece = RowText(RandomChoice(rowCount));
    AppendUpTo(text, piece, length);
  }
  if (text.empty()) text = kDefaultKanaText;
  FinishText(text, length);
  return text;
}

// ---- Weak characters --------------------------------------------------------------------------------------

std::u16string MixWeakCharacters(std::u16string_view text, int length) {
  const std::u16string weak = WeakCharacters(8);
  if (weak.empty()) return std::u16string(text);
  const int level = practiceSettings.LearningLevel.load();
  const size_t interval = level == 0 ? 16 : (level == 3 || level == 4) ? 7 : 10;
  std::u16string mixed;
  size_t k = 0;
  size_t i = 0;
  for (; i < text.size() && Length(mixed) < length; ++i) {
    if (i > 0 && i % interval == 0 && Length(mixed) + 2 < length) {
      mixed.push_back(weak[k++ % weak.size()]);
      if (k % 3 == 0 && Length(mixed) + 1 < length) mixed.push_back(u'」');
    }
    mixed.push_back(text[i]);
  }
  if (i >= text.size()) {
    while (Length(mixed) < length) {
      mixed.push_back(weak[k++ % weak.size()]);
      if (Length(mixed) >= length) break;
      mixed.push_back(u'」');
    }
  }
  if (Length(mixed) > length) mixed.resize(static_cast<size_t>(std::max(length, 0)));
  if (length > 0 && !mixed.empty() && mixed.back() != u'」') mixed.back() = u'」';
  return mixed;
}

// ---- The batch --------------------------------------------------------------------------------------------

std::vector<Telegram> GenerateKanaBatch() {
  const KanaTables& tables = ActiveKanaTables();
  std::vector<Telegram> batch;
  int m = 0;
  for (int i = 0; i < kKanaBatchSize; ++i) {
    const int base = TextLengthForLevel(practiceSettings.LearningLevel.load());
    const int offset = 5 + RandomChoice(11);
    const int length = NextRandom() % 2 == 1 ? base + offset : base - offset;
    const bool weak = IsControlChecked(kWeakTelegramCheck);
    std::u16string text =
        IsControlChecked(kSecondGenerationCheck) ? SecondGenerationText(length) : NormalTelegramText(length);
    if (weak) text = MixWeakCharacters(text, length);
    Telegram telegram;
    telegram.fields[kCount] = KanjiNumber(KanaCharacterCount(text));
    if (i == 0) m = RandomChoice(100000);
    telegram.fields[kOffice] = kKanaOffices[static_cast<size_t>((m + 7 * i) % 47)];
    telegram.fields[kNumber] = KanjiNumber((13 * m + 37 * i) % 999 + 1);
    telegram.fields[kTime] = std::u16string(i % 2 == 0 ? u"コ" : u"セ") + KanjiNumber((m + 5 * i) % 12) +
                             u"、" + KanjiNumber((7 * m + 11 * i) % 60);
    telegram.fields[kAddress] = tables.addresses[static_cast<size_t>((11 * i + 3 * m) % 47)];
    telegram.fields[kText] = std::move(text);
    batch.push_back(std::move(telegram));
  }
  return batch;
}
