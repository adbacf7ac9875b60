// SPDX-License-Identifier: GPL-3.0-or-later
// What the telegram content compiled into the program means, over the whole of every file. English: the sizes
// the generator is built around, positions inside the sea area their comment names, distress and calling
// frequencies only where a distress, safety or watch-keeping text can carry them, no broadcast asked to
// confirm receipt, no gale beside a moderate wind, neighbours joined by AND that read as one window. Kana:
// the rules that keep a doubled slot ("A ト B") and a filled template readable. Each rule also runs once on a
// copy broken on purpose, so a rule that could never fail shows up here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "content/english_resources.h"
#include "content/kana_tables.h"
#include "content/telegram_file.h"
#include "content_test_support.h"
#include "core/resources.h"
#include "core/text.h"

namespace {

struct Shipped {
  std::vector<std::string> dictionaryLines;  // English, trimmed, comments kept
  EnglishDictionary dictionary;              // as parsed, before expansion
  EnglishTemplates templates;
  KanaTables kana;
};

std::string Narrow(std::u16string_view text) {
  return std::string(text.begin(), text.end());
}

Shipped LoadShipped() {
  Shipped shipped;
  shipped.kana = CompiledKanaTables();
  std::string dictionaryBytes, templateBytes;
  std::u16string dictionaryText, templateText;
  if (!ReadResourceBytes(kResourceEnglishDictionary, dictionaryBytes) ||
      !ReadResourceBytes(kResourceEnglishTemplates, templateBytes) ||
      !DecodeText(dictionaryBytes, dictionaryText) || !DecodeText(templateBytes, templateText)) {
    return shipped;
  }
  std::istringstream lines(Narrow(dictionaryText));
  for (std::string line; std::getline(lines, line);) {
    line.erase(line.find_last_not_of(" \t\r") + 1);
    line.erase(0, line.find_first_not_of(" \t"));
    if (!line.empty()) shipped.dictionaryLines.push_back(line);
  }
  ParseDictionaryText(dictionaryText, shipped.dictionary);
  ParseTemplateText(templateText, shipped.templates);
  return shipped;
}

// Whole words only: "500 KHZ" is not found in "1500 KHZ".
bool HasPhrase(const std::string& text, const std::string& phrase) {
  return (" " + text + " ").find(" " + phrase + " ") != std::string::npos;
}

std::vector<std::string> Items(const Shipped& s, const std::string& key) {
  std::vector<std::string> items;
  const auto it = s.dictionary.find(std::u16string(key.begin(), key.end()));
  if (it != s.dictionary.end()) {
    for (const std::u16string& item : it->second) items.push_back(Narrow(item));
  }
  return items;
}

// The phrase of the list, if the template's own text or any item of one of its placeholders holds one.
std::string PhraseCarried(const Shipped& s, const std::string& text, const std::vector<std::string>& phrases,
                          const std::string& skipKey = "") {
  for (const std::string& phrase : phrases) {
    if (HasPhrase(text, phrase)) return phrase;
  }
  for (const std::string& key : Placeholders(text)) {
    for (const std::string& item : key == skipKey ? std::vector<std::string>{} : Items(s, key)) {
      for (const std::string& phrase : phrases) {
        if (HasPhrase(item, phrase)) return phrase + " through [" + key + "]";
      }
    }
  }
  return {};
}

std::string Describe(const Shipped& s, size_t index) {
  const EnglishTemplate& t = s.templates[index];
  return "template " + std::to_string(index) + " (" + Narrow(t.category) + ") " + Narrow(t.text);
}

// ---- English sizes ----------------------------------------------------------------------------------------

// The key count, the expanded count and the candidates per level are content_data_test's.
std::string CheckSizes(const Shipped& s) {
  // clang-format off
  static const std::pair<const char*, size_t> kItemCounts[] = {
      {"VESSEL", 84}, {"PORT", 119}, {"DESTINATION_PORT", 50}, {"OPERATION", 56}, {"RECIPIENT", 45},
      {"SERVICE", 50}, {"TIME", 41}, {"ARRIVAL_TIME", 28}, {"WEATHER", 40}, {"WIND", 27}, {"VISIBILITY", 22},
      {"CARGO", 50}, {"ITEM", 45}, {"REASON", 50}, {"CREW_GROUP", 28}, {"EQUIPMENT", 37}, {"DRILL", 27},
      {"SIGNAL", 26}, {"FREQUENCY", 26}, {"RADIO_STATION", 37}, {"CASUALTY", 26}, {"EMERGENCY", 31},
      {"MUSTER_STATION", 25}, {"DOCUMENT", 33}, {"PORT_OFFICE", 26}, {"BERTH", 34}, {"ROUTE", 20},
      {"ANCHORAGE", 15}, {"SEA_STATE", 15}, {"CURRENT", 15}, {"TEMPERATURE", 15}, {"PRESSURE", 15},
      {"SPEED", 15}, {"COURSE", 16}, {"DISTANCE", 15}, {"ETA", 15}, {"STATUS", 15}, {"ACTION", 15},
      {"PRIORITY", 15}, {"MESSAGE_TYPE", 15}, {"SUPPLY", 15}, {"REPAIR_PART", 15}, {"SAFETY_ACTION", 41},
      {"INSPECTION", 15}, {"AUTHORITY", 15}, {"COMPANY", 15}, {"PERSON", 15}, {"COUNTRY", 20},
      {"INCIDENT", 15}, {"DAMAGE", 15}, {"POSITION", 15}, {"NAV_AID", 15}, {"COMMUNICATION", 15},
      {"ACKNOWLEDGEMENT", 15}, {"DELAY", 15}, {"CONDITION", 15}, {"QUANTITY", 15}, {"NAVIGATION_ACTION", 30},
      {"MAINTENANCE_ITEM", 30}, {"COMMUNICATION_STATUS", 30}, {"LOGISTICS_ACTION", 30}, {"WEATHER_EVENT", 30},
      {"CREW_TASK", 30}, {"REPORT_QUALIFIER", 30}, {"ROUTE_STATUS", 20}, {"ENGINE_STATUS", 20},
      {"PORT_CONDITION", 20}, {"COMMUNICATION_ACTION", 20}, {"SAFETY_CONDITION", 20}, {"CARGO_STATUS", 20},
      {"WEATHER_TREND", 20}, {"REPORT_INTERVAL", 20}};
  static const std::pair<const char*, int> kCategories[] = {
      {"NATURE", 49}, {"WEATHER", 91}, {"TRAVEL", 49}, {"BUSINESS", 49}, {"TRAINING", 49}, {"RADIO", 91},
      {"EMERGENCY", 91}, {"PORT", 91}, {"EXAM", 48}, {"NAVIGATION", 42}, {"SAFETY", 42}, {"MAINTENANCE", 30},
      {"COMMUNICATION", 42}, {"LOGISTICS", 30}, {"CREW", 30}, {"OPERATIONS", 54}, {"CARGO", 42}};
  // clang-format on
  static const int kParsedPerLevel[] = {185, 436, 487, 494, 443};

  const auto entries =
      std::count_if(s.dictionaryLines.begin(), s.dictionaryLines.end(), [](const auto& line) {
        const size_t equals = line.find('=');
        return line[0] != '#' && equals != std::string::npos && equals > 0;
      });
  if (entries != 73) return "dictionary entry lines: " + std::to_string(entries);
  for (const auto& [key, count] : kItemCounts) {
    if (Items(s, key).size() != count)
      return std::string(key) + " items: " + std::to_string(Items(s, key).size());
  }
  if (s.templates.size() != 920) return "templates: " + std::to_string(s.templates.size());
  std::vector<std::pair<std::string, int>> runs;
  std::set<std::string> used;
  size_t longest = 0;
  for (const EnglishTemplate& t : s.templates) {
    if (runs.empty() || runs.back().first != Narrow(t.category)) runs.emplace_back(Narrow(t.category), 0);
    runs.back().second += 1;
    longest = std::max(longest, t.text.size());
    for (const std::string& key : Placeholders(Narrow(t.text))) used.insert(key);
  }
  if (runs.size() != std::size(kCategories)) return "category runs: " + std::to_string(runs.size());
  for (size_t i = 0; i < runs.size(); ++i) {
    if (runs[i].first != kCategories[i].first || runs[i].second != kCategories[i].second)
      return "category " + runs[i].first + ": " + std::to_string(runs[i].second);
  }
  if (longest > 144) return "a template of " + std::to_string(longest) + " characters";
  for (const std::string& key : used) {
    if (Items(s, key).empty()) return "[" + key + "] has no list";
  }
  if (used.size() != 68) return "keys used: " + std::to_string(used.size());
  for (const char* unused : {"ACTION", "COUNTRY", "NAV_AID", "PERSON"}) {
    if (used.count(unused)) return std::string(unused) + " is used";
  }
  for (int level = 0; level <= 4; ++level) {
    const auto parsed = std::count_if(s.templates.begin(), s.templates.end(), [&](const EnglishTemplate& t) {
      return t.minimumLevel <= level && level <= t.maximumLevel;
    });
    if (parsed != kParsedPerLevel[level])
      return "level " + std::to_string(level) + ": " + std::to_string(parsed);
  }
  EnglishDictionary dictionary = s.dictionary;
  EnglishTemplates expanded = s.templates;
  ExpandEnglishResources(dictionary, expanded);
  size_t longestExpanded = 0;
  for (const EnglishTemplate& t : expanded) longestExpanded = std::max(longestExpanded, t.text.size());
  if (longestExpanded != 280) return "longest expanded template: " + std::to_string(longestExpanded);
  return {};
}

// ---- English positions ------------------------------------------------------------------------------------

// Boxes drawn round the water of each area; land inside a box was ruled out on the chart, position by
// position, so a position that leaves its box has been edited without that check.
const struct SeaArea {
  const char* name;
  double southDeg, northDeg, westDeg, eastDeg;
} kSeaAreas[] = {
    {"SAGAMI NADA", 34.5, 35.2, 139.0, 140.2}, {"ENSHU NADA", 34.0, 34.7, 136.9, 138.9},
    {"KUMANO NADA", 33.2, 34.3, 135.8, 137.0}, {"KII CHANNEL", 33.5, 34.25, 134.6, 135.3},
    {"OSAKA BAY", 34.3, 34.75, 135.0, 135.45}, {"SEA OF JAPAN", 35.5, 43.0, 128.5, 140.0},
    {"OFF OKINAWA", 24.0, 27.5, 126.5, 129.5}, {"EAST CHINA SEA", 25.0, 33.0, 120.0, 129.5},
};

// "3445N 13950E" into degrees; false for anything else.
bool ReadPosition(const std::string& text, double& latitudeDeg, double& longitudeDeg) {
  static const std::regex kPosition(R"((\d\d)([0-5]\d)([NS]) (\d{3})([0-5]\d)([EW]))");
  std::smatch m;
  if (!std::regex_match(text, m, kPosition)) return false;
  latitudeDeg = (m[3] == "S" ? -1 : 1) * (std::stoi(m[1]) + std::stoi(m[2]) / 60.0);
  longitudeDeg = (m[6] == "W" ? -1 : 1) * (std::stoi(m[4]) + std::stoi(m[5]) / 60.0);
  return true;
}

std::string CheckPositions(const Shipped& s) {
  // Comment lines "# 3445N 13950E SAGAMI NADA: ..." name the area of each position.
  static const std::regex kAreaComment(R"(# (\S+ \S+) ([^:]+)(:.*)?)");
  std::map<std::string, std::string> areaOf;
  for (const std::string& line : s.dictionaryLines) {
    std::smatch m;
    if (std::regex_match(line, m, kAreaComment)) areaOf[m[1]] = m[2];
  }
  const std::vector<std::string> positions = Items(s, "POSITION");
  std::vector<std::pair<double, double>> degrees;
  for (const std::string& position : positions) {
    double latitudeDeg, longitudeDeg;
    if (!ReadPosition(position, latitudeDeg, longitudeDeg)) return position + " is not a position";
    if (!areaOf.count(position)) return position + " has no sea area comment";
    const auto area = std::find_if(std::begin(kSeaAreas), std::end(kSeaAreas),
                                   [&](const SeaArea& a) { return areaOf[position] == a.name; });
    if (area == std::end(kSeaAreas)) return position + " names an unknown area: " + areaOf[position];
    if (latitudeDeg < area->southDeg || latitudeDeg > area->northDeg || longitudeDeg < area->westDeg ||
        longitudeDeg > area->eastDeg) {
      return position + " lies outside " + area->name;
    }
    degrees.emplace_back(latitudeDeg, longitudeDeg);
  }
  // The expansion joins neighbours among the first twelve with AND: they must be one stretch of sea. At these
  // distances a flat chart is exact to well under a mile.
  for (size_t i = 1; i < std::min<size_t>(degrees.size(), 12); ++i) {
    const auto [lat1, lon1] = degrees[i - 1];
    const auto [lat2, lon2] = degrees[i];
    const double nm = 60 * std::hypot(lat2 - lat1, (lon2 - lon1) * std::cos((lat1 + lat2) * M_PI / 360));
    if (nm > 60) return positions[i - 1] + " AND " + positions[i] + ": " + std::to_string(int(nm)) + " miles";
  }
  return {};
}

// ---- English frequencies, receipts, storms ----------------------------------------------------------------

const std::vector<std::string> kDistressAndCallingFrequencies = {
    "500 KHZ",           "2182 KHZ",          "CHANNEL SIXTEEN",  "CHANNEL SEVENTY", "156 POINT 8 MHZ",
    "156 POINT 525 MHZ", "2187 POINT 5 KHZ",  "4207 POINT 5 KHZ", "6312 KHZ",        "8414 POINT 5 KHZ",
    "12577 KHZ",         "16804 POINT 5 KHZ", "4125 KHZ",         "6215 KHZ",        "8291 KHZ",
    "12290 KHZ",         "16420 KHZ",         "8364 KHZ",         "121 POINT 5 MHZ",
};

// Allowed: EMERGENCY and SAFETY templates, and RADIO templates that keep, monitor or report a watch or a
// distress call. Practice and routine traffic stays off these frequencies.
std::string CheckDistressFrequencies(const Shipped& s) {
  for (size_t i = 0; i < s.templates.size(); ++i) {
    const std::string category = Narrow(s.templates[i].category);
    const std::string text = Narrow(s.templates[i].text);
    const std::string carried = PhraseCarried(s, text, kDistressAndCallingFrequencies);
    if (carried.empty() || category == "EMERGENCY" || category == "SAFETY") continue;
    const auto watchWords = {"WATCH", "MONITOR", "LISTEN", "LISTENING", "DISTRESS", "MAYDAY"};
    if (category == "RADIO" &&
        std::any_of(watchWords.begin(), watchWords.end(), [&](const char* w) { return HasPhrase(text, w); }))
      continue;
    return Describe(s, i) + " carries " + carried;
  }
  return {};
}

// Every third template is also sent with PLEASE CONFIRM RECEIPT: none of them may be addressed to everyone.
std::string CheckConfirmedTemplates(const Shipped& s) {
  for (size_t i = 0; i < s.templates.size(); i += 3) {
    for (const char* word : {"ALL STATIONS", "ALL SHIPS", "ALL VESSELS", "TO ALL", "CEASE TRANSMISSION",
                             "SEELONCE", "SILENCE", "BROADCAST", "CQ"}) {
      if (HasPhrase(Narrow(s.templates[i].text), word)) return Describe(s, i) + " says " + word;
    }
  }
  return {};
}

// A gale is force 8, a storm 10, a typhoon 12: a text naming one must not be given a [WIND] of lower force.
std::string CheckWindBesideStorms(const Shipped& s) {
  static const std::vector<std::string> kStormWords = {"GALE", "STORM", "TYPHOON", "HURRICANE"};
  static const std::vector<std::string> kStormForces = {"FORCE EIGHT", "FORCE NINE", "FORCE TEN",
                                                        "FORCE ELEVEN", "FORCE TWELVE"};
  for (const std::string& wind : Items(s, "WIND")) {
    if (!PhraseCarried(s, wind, kStormForces).empty() || !PhraseCarried(s, wind, kStormWords).empty())
      return "[WIND] holds " + wind;
  }
  for (size_t i = 0; i < s.templates.size(); ++i) {
    const std::string text = Narrow(s.templates[i].text);
    if (text.find("[WIND]") == std::string::npos) continue;
    const std::string carried = PhraseCarried(s, text, kStormWords, "WIND");
    if (!carried.empty()) return Describe(s, i) + " names " + carried;
  }
  return {};
}

// ---- English windows --------------------------------------------------------------------------------------

// Where in time or speed a phrase lies: clock times as HHMM, weekdays and parts of a day, knots and hours
// spelled out, a number of days counted in hours.
int PhraseOrder(const std::string& phrase) {
  static const std::pair<const char*, int> kWords[] = {
      {"ONE", 1},        {"TWO", 2},         {"THREE", 3},      {"FOUR", 4},     {"MONDAY", 100},
      {"TUESDAY", 200},  {"WEDNESDAY", 300}, {"THURSDAY", 400}, {"FRIDAY", 500}, {"MORNING", 10},
      {"NOON", 20},      {"EVENING", 30},    {"NIGHT", 40},     {"FIVE", 5},     {"SIX", 6},
      {"SEVEN", 7},      {"EIGHT", 8},       {"NINE", 9},       {"TEN", 10},     {"ELEVEN", 11},
      {"TWELVE", 12},    {"THIRTEEN", 13},   {"FOURTEEN", 14},  {"FIFTEEN", 15}, {"SIXTEEN", 16},
      {"SEVENTEEN", 17}, {"EIGHTEEN", 18},   {"NINETEEN", 19},  {"TWENTY", 20},
  };
  static const std::regex kClockTime(R"(\d{4})");
  int order = 0;
  std::istringstream words(phrase);
  for (std::string word; words >> word;) {
    if (std::regex_match(word, kClockTime)) order += std::stoi(word);
    for (const auto& [name, value] : kWords) order += word == name ? value : 0;
  }
  return HasPhrase(phrase, "DAY") || HasPhrase(phrase, "DAYS") ? order * 24 : order;
}

// The expansion sends these lists' neighbours as one phrase ("NOT BEFORE 0800 UTC AND NOT LATER THAN 1200
// UTC", "DELAY OF AT LEAST SIX HOURS AND DELAY OF UP TO ONE DAY"), so each joined pair is a lower and an
// upper limit, the lower one first in time or speed.
std::string CheckJoinedWindows(const Shipped& s) {
  static const struct {
    const char *key, *lower, *upper;
  } kWindows[] = {
      {"TIME", "AFTER", "BEFORE"},
      {"ETA", "NOT BEFORE", "NOT LATER THAN"},
      {"ARRIVAL_TIME", "EARLIEST", "LATEST"},
      {"SPEED", "IN COASTAL WATERS", "IN OPEN WATER"},
      {"DELAY", "AT LEAST", "UP TO"},
  };
  for (const auto& window : kWindows) {
    const std::vector<std::string> items = Items(s, window.key);
    for (size_t i = 1; i < std::min<size_t>(items.size(), 12); ++i) {
      const std::string &first = items[i - 1], &second = items[i];
      const bool firstIsLower = HasPhrase(first, window.lower) && HasPhrase(second, window.upper);
      const bool secondIsLower = HasPhrase(second, window.lower) && HasPhrase(first, window.upper);
      const std::string& lower = firstIsLower ? first : second;
      const std::string& upper = firstIsLower ? second : first;
      if ((!firstIsLower && !secondIsLower) || PhraseOrder(lower) >= PhraseOrder(upper))
        return std::string(window.key) + ": " + first + " AND " + second;
    }
  }
  return {};
}

// ---- Kana -------------------------------------------------------------------------------------------------

bool EndsWith(std::u16string_view text, std::u16string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// Lists that hold one season only; every list named 季節語 outside this table spans the year.
const struct {
  std::u16string_view key;
  int season;  // 0 spring, 1 summer, 2 autumn, 3 winter
} kOneSeasonLists[] = {
    {u"四季自然カテゴリ024植物語", 0},   {u"天候風景カテゴリ005自然語", 3}, {u"天候風景カテゴリ025動物語", 0},
    {u"鉄道駅交通カテゴリ024植物語", 0}, {u"郵便電報カテゴリ001季節語", 2}, {u"郵便電報カテゴリ019農業語", 2},
    {u"旅行観光カテゴリ019農業語", 2},   {u"旅行観光カテゴリ024植物語", 0}, {u"農業漁業カテゴリ019農業語", 2},
    {u"農業漁業カテゴリ021行事語", 2},   {u"農業漁業カテゴリ024植物語", 0},
};
constexpr std::u16string_view kSeasonNames[] = {u"ハル", u"ナツ", u"アキ", u"フユ"};
constexpr int kAnySeason = 4;

// The seasons a template names: its fixed text ("ハルノ", "アキニ" …; keys hold no such katakana) and its
// seasonal keys.
std::multiset<int> SeasonsOf(const std::u16string& text) {
  std::multiset<int> seasons;
  for (const std::u16string& key : Placeholders(text)) {
    int season = EndsWith(key, u"季節語") ? kAnySeason : -1;
    for (const auto& row : kOneSeasonLists)
      if (row.key == key) season = row.season;
    if (season >= 0) seasons.insert(season);
  }
  for (int s = 0; s < 4; ++s) {
    for (std::u16string_view particle : {u"ノ", u"ニ", u"ハ", u"ガ", u"ヲ"}) {
      if (text.find(std::u16string(kSeasonNames[s]) + std::u16string(particle)) != std::u16string::npos)
        seasons.insert(s);
    }
  }
  return seasons;
}

std::string CheckNoSharedWordInATemplate(const Shipped& s) {
  for (size_t row = 0; row < s.kana.templates.size(); ++row) {
    std::set<std::u16string> seen;
    for (const std::u16string& key : Placeholders(s.kana.templates[row].text)) {
      const auto list = s.kana.wordLists.find(key);
      if (list == s.kana.wordLists.end()) continue;
      for (const std::u16string& word : std::set(list->second.words.begin(), list->second.words.end()))
        if (!seen.insert(word).second) return "row " + std::to_string(row + 1) + " " + Utf16ToUtf8(word);
    }
  }
  return {};
}

std::string CheckNoWordInsideAnother(const Shipped& s) {
  for (const auto& [key, list] : s.kana.wordLists) {
    if (!EndsWith(key, u"季節語") && !EndsWith(key, u"時間帯")) continue;
    for (const std::u16string& a : list.words)
      for (const std::u16string& b : list.words)
        if (a != b && b.find(a) != std::u16string::npos) return Utf16ToUtf8(key) + " " + Utf16ToUtf8(b);
  }
  return {};
}

std::string CheckOneSeasonATemplate(const Shipped& s) {
  for (size_t row = 0; row < s.kana.templates.size(); ++row) {
    const std::multiset<int> seasons = SeasonsOf(s.kana.templates[row].text);
    const bool mixed = seasons.count(kAnySeason) > 0 ? seasons.size() > 1
                                                     : std::set(seasons.begin(), seasons.end()).size() > 1;
    if (mixed) return "row " + std::to_string(row + 1);
  }
  return {};
}

// ---- The table --------------------------------------------------------------------------------------------

const struct {
  const char* name;
  std::string (*check)(const Shipped&);
  void (*breakCopy)(Shipped&);  // makes the check fail
} kRules[] = {
    {"English sizes the generator is built around", CheckSizes, [](Shipped& s) { s.templates.pop_back(); }},
    {"English positions at sea in their named area, neighbours close", CheckPositions,
     [](Shipped& s) {
       s.dictionary[u"POSITION"][14] = u"3515N 13605E";  // Lake Biwa, well inside Honshu
       for (std::string& line : s.dictionaryLines) {
         if (line.rfind("# ", 0) == 0 && line.find("EAST CHINA SEA") != std::string::npos)
           line = "# 3515N 13605E EAST CHINA SEA";
       }
     }},
    {"English distress and calling frequencies only in distress, safety and watch texts",
     CheckDistressFrequencies,
     [](Shipped& s) {
       s.templates[1].category = u"TRAINING";
       s.templates[1].text = u"PRACTISE SENDING ON CHANNEL SIXTEEN";
     }},
    {"no English broadcast among the templates sent for confirmation", CheckConfirmedTemplates,
     [](Shipped& s) { s.templates[3].text = u"ALL STATIONS CEASE TRANSMISSION"; }},
    {"no English gale, storm or typhoon beside a moderate wind", CheckWindBesideStorms,
     [](Shipped& s) { s.templates[2].text = u"TYPHOON NEAR KOBE WIND [WIND]"; }},
    {"English joined times and speeds read as one window", CheckJoinedWindows,
     [](Shipped& s) { s.dictionary[u"ETA"][1] = u"NOT LATER THAN 0500 UTC"; }},
    {"no kana template uses two lists that share a word", CheckNoSharedWordInATemplate,
     [](Shipped& s) {
       const std::vector<std::u16string> keys = Placeholders(s.kana.templates[0].text);
       s.kana.wordLists[keys[1]].words[0] = s.kana.wordLists[keys[0]].words[0];
     }},
    {"no kana season or time word sits inside another of its list", CheckNoWordInsideAnother,
     [](Shipped& s) {
       auto& words = s.kana.wordLists[u"四季自然カテゴリ001季節語"].words;
       words[1] = words[0] + u"ゴロ";
     }},
    {"a seasonal kana list never meets another season", CheckOneSeasonATemplate,
     [](Shipped& s) {
       for (SentenceTemplate& row : s.kana.templates)
         if (row.text.find(u"四季自然カテゴリ024植物語") != std::u16string::npos)
           row.text = u"ナツノ" + row.text;
     }},
};

TEST(ContentMeaningTest, ShippedContentKeepsEveryRule) {
  const Shipped shipped = LoadShipped();
  ASSERT_FALSE(shipped.templates.empty());
  for (const auto& rule : kRules) {
    EXPECT_EQ(rule.check(shipped), "") << rule.name;
    Shipped broken = shipped;
    rule.breakCopy(broken);
    EXPECT_NE(rule.check(broken), "") << rule.name << ": the check passes a copy broken on purpose";
  }
}

}  // namespace
