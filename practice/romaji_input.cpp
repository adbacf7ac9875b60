// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: the spelling table; the matcher (Settle) that every entry point ends in.
#include "practice/romaji_input.h"

#include <string_view>

namespace {

struct Spelling {
  std::u16string_view romaji;
  std::u16string_view kana;
};

// The spellings of the common input methods' romaji modes, Hepburn and kunrei side by side: the plain rows,
// the voiced and semi-voiced rows (the judge splits ガ into カ゛ as the sending does, so they stay whole
// here), the combinations with small ャ ュ ョ ェ and the f/th/dh spellings of loanwords, then the small kana
// with x or l in front. "n" is a spelling of its own so that the longest match turns "n" before a consonant
// into ン; it is only taken once no longer spelling can follow (na, nya, nn, n'). q and v start nothing: ヴ
// and the qa-style spellings have no code in the kana alphabet, so they would only give the learner a
// character the sending can never contain.
constexpr Spelling kSpellings[] = {
    {u"a", u"ア"},     {u"i", u"イ"},     {u"u", u"ウ"},     {u"e", u"エ"},     {u"o", u"オ"},
    {u"ka", u"カ"},    {u"ki", u"キ"},    {u"ku", u"ク"},    {u"ke", u"ケ"},    {u"ko", u"コ"},
    {u"ca", u"カ"},    {u"ci", u"シ"},    {u"cu", u"ク"},    {u"ce", u"セ"},    {u"co", u"コ"},
    {u"sa", u"サ"},    {u"shi", u"シ"},   {u"si", u"シ"},    {u"su", u"ス"},    {u"se", u"セ"},
    {u"so", u"ソ"},    {u"ta", u"タ"},    {u"chi", u"チ"},   {u"ti", u"チ"},    {u"tsu", u"ツ"},
    {u"tu", u"ツ"},    {u"te", u"テ"},    {u"to", u"ト"},    {u"na", u"ナ"},    {u"ni", u"ニ"},
    {u"nu", u"ヌ"},    {u"ne", u"ネ"},    {u"no", u"ノ"},    {u"ha", u"ハ"},    {u"hi", u"ヒ"},
    {u"fu", u"フ"},    {u"hu", u"フ"},    {u"he", u"ヘ"},    {u"ho", u"ホ"},    {u"ma", u"マ"},
    {u"mi", u"ミ"},    {u"mu", u"ム"},    {u"me", u"メ"},    {u"mo", u"モ"},    {u"ya", u"ヤ"},
    {u"yi", u"イ"},    {u"yu", u"ユ"},    {u"ye", u"イェ"},  {u"yo", u"ヨ"},    {u"ra", u"ラ"},
    {u"ri", u"リ"},    {u"ru", u"ル"},    {u"re", u"レ"},    {u"ro", u"ロ"},    {u"wa", u"ワ"},
    {u"wi", u"ウィ"},  {u"wu", u"ウ"},    {u"we", u"ウェ"},  {u"wo", u"ヲ"},    {u"wyi", u"ヰ"},
    {u"wye", u"ヱ"},   {u"n", u"ン"},     {u"nn", u"ン"},    {u"n'", u"ン"},    {u"-", u"ー"},
    {u"ga", u"ガ"},    {u"gi", u"ギ"},    {u"gu", u"グ"},    {u"ge", u"ゲ"},    {u"go", u"ゴ"},
    {u"za", u"ザ"},    {u"ji", u"ジ"},    {u"zi", u"ジ"},    {u"zu", u"ズ"},    {u"ze", u"ゼ"},
    {u"zo", u"ゾ"},    {u"da", u"ダ"},    {u"di", u"ヂ"},    {u"du", u"ヅ"},    {u"de", u"デ"},
    {u"do", u"ド"},    {u"ba", u"バ"},    {u"bi", u"ビ"},    {u"bu", u"ブ"},    {u"be", u"ベ"},
    {u"bo", u"ボ"},    {u"pa", u"パ"},    {u"pi", u"ピ"},    {u"pu", u"プ"},    {u"pe", u"ペ"},
    {u"po", u"ポ"},    {u"kya", u"キャ"}, {u"kyu", u"キュ"}, {u"kyo", u"キョ"}, {u"gya", u"ギャ"},
    {u"gyu", u"ギュ"}, {u"gyo", u"ギョ"}, {u"sha", u"シャ"}, {u"shu", u"シュ"}, {u"sho", u"ショ"},
    {u"she", u"シェ"}, {u"sya", u"シャ"}, {u"syu", u"シュ"}, {u"syo", u"ショ"}, {u"sye", u"シェ"},
    {u"ja", u"ジャ"},  {u"ju", u"ジュ"},  {u"jo", u"ジョ"},  {u"je", u"ジェ"},  {u"jya", u"ジャ"},
    {u"jyu", u"ジュ"}, {u"jyo", u"ジョ"}, {u"jye", u"ジェ"}, {u"zya", u"ジャ"}, {u"zyu", u"ジュ"},
    {u"zyo", u"ジョ"}, {u"zye", u"ジェ"}, {u"cha", u"チャ"}, {u"chu", u"チュ"}, {u"cho", u"チョ"},
    {u"che", u"チェ"}, {u"tya", u"チャ"}, {u"tyu", u"チュ"}, {u"tyo", u"チョ"}, {u"tye", u"チェ"},
    {u"cya", u"チャ"}, {u"cyu", u"チュ"}, {u"cyo", u"チョ"}, {u"cye", u"チェ"}, {u"dya", u"ヂャ"},
    {u"dyu", u"ヂュ"}, {u"dyo", u"ヂョ"}, {u"nya", u"ニャ"}, {u"nyu", u"ニュ"}, {u"nyo", u"ニョ"},
    {u"hya", u"ヒャ"}, {u"hyu", u"ヒュ"}, {u"hyo", u"ヒョ"}, {u"bya", u"ビャ"}, {u"byu", u"ビュ"},
    {u"byo", u"ビョ"}, {u"pya", u"ピャ"}, {u"pyu", u"ピュ"}, {u"pyo", u"ピョ"}, {u"mya", u"ミャ"},
    {u"myu", u"ミュ"}, {u"myo", u"ミョ"}, {u"rya", u"リャ"}, {u"ryu", u"リュ"}, {u"ryo", u"リョ"},
    {u"fa", u"ファ"},  {u"fi", u"フィ"},  {u"fe", u"フェ"},  {u"fo", u"フォ"},  {u"fyu", u"フュ"},
    {u"thi", u"ティ"}, {u"dhi", u"ディ"}, {u"xa", u"ァ"},    {u"la", u"ァ"},    {u"xi", u"ィ"},
    {u"li", u"ィ"},    {u"xu", u"ゥ"},    {u"lu", u"ゥ"},    {u"xe", u"ェ"},    {u"le", u"ェ"},
    {u"xo", u"ォ"},    {u"lo", u"ォ"},    {u"xtu", u"ッ"},   {u"ltu", u"ッ"},   {u"xtsu", u"ッ"},
    {u"ltsu", u"ッ"},  {u"xya", u"ャ"},   {u"lya", u"ャ"},   {u"xyu", u"ュ"},   {u"lyu", u"ュ"},
    {u"xyo", u"ョ"},   {u"lyo", u"ョ"},   {u"xwa", u"ヮ"},   {u"lwa", u"ヮ"},   {u"xka", u"ヵ"},
    {u"lka", u"ヵ"},   {u"xke", u"ヶ"},   {u"lke", u"ヶ"},
};

// Some spelling is longer than p and starts with it: more letters may still make it.
bool MayGrow(std::u16string_view p) {
  for (const Spelling& s : kSpellings) {
    if (s.romaji.size() > p.size() && s.romaji.starts_with(p)) return true;
  }
  return false;
}

// The longest spelling p starts with, or nullptr.
const Spelling* LongestSpellingAtFront(std::u16string_view p) {
  const Spelling* best = nullptr;
  for (const Spelling& s : kSpellings) {
    if (p.starts_with(s.romaji) && (!best || s.romaji.size() > best->romaji.size())) best = &s;
  }
  return best;
}

// "kk", "ss", "pp", "cch", and Hepburn's "tch" (matcha): the first letter is ッ. Not "nn" (that is ン), and
// not a letter that starts nothing ("qq" stays two dead letters rather than becoming ッ).
bool StartsWithDoubledConsonant(std::u16string_view p) {
  if (p.size() < 2 || std::u16string_view(u"aeioun'-").find(p[0]) != std::u16string_view::npos) return false;
  return (p[1] == p[0] || (p[0] == u't' && p[1] == u'c')) && MayGrow(p.substr(1, 1));
}

// Turns the front of pending into kana for as long as it can no longer grow into a longer spelling (or at
// once, when the romaji ends). Each step takes ッ for a doubled consonant, else the longest spelling at the
// front, else drops the first letter: so a typo costs one letter, not the kana typed after it.
std::u16string Settle(RomajiInput& input, bool ending, std::u16string* dropped) {
  std::u16string out;
  std::u16string& p = input.pending;
  while (!p.empty() && (ending || !MayGrow(p))) {
    if (StartsWithDoubledConsonant(p)) {
      out += u'ッ';
      p.erase(0, 1);
    } else if (const Spelling* s = LongestSpellingAtFront(p)) {
      out += s->kana;
      p.erase(0, s->romaji.size());
    } else {
      if (dropped) dropped->push_back(p[0]);
      p.erase(0, 1);
    }
  }
  return out;
}

}  // namespace

bool IsRomajiCharacter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'\'' || c == u'-';
}

std::u16string FeedRomaji(RomajiInput& input, char16_t c) {
  if (!IsRomajiCharacter(c)) return {};
  if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  input.pending.push_back(c);
  return Settle(input, false, nullptr);
}

std::u16string FinishRomaji(RomajiInput& input, std::u16string* dropped) {
  return Settle(input, true, dropped);
}

bool BackspaceRomaji(RomajiInput& input) {
  if (input.pending.empty()) return false;
  input.pending.pop_back();
  return true;
}
