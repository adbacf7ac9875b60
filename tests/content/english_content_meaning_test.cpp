// SPDX-License-Identifier: GPL-3.0-or-later
// What the English telegram content compiled into the program means, checked over the whole of both files:
// the sizes the generator is built around, positions inside the sea area their comment names, distress and
// calling frequencies only where a distress, safety or watch-keeping text can carry them, no broadcast that
// would be asked to confirm receipt, no gale, storm or typhoon beside a moderate wind, and times and speeds
// whose neighbours joined by AND read as one window. Each check also runs once on a copy broken on purpose,
// so a check that could never fail shows up here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "content/english_resources.h"
#include "content/telegram_file.h"
#include "core/resources.h"

namespace {

struct Content {
  std::vector<std::string> dictionaryLines;  // trimmed, comments kept
  EnglishDictionary dictionary;              // as parsed, before expansion
  EnglishTemplates templates;
};

std::string Narrow(std::u16string_view text) {
  return std::string(text.begin(), text.end());
}

Content ShippedContent() {
  Content content;
  std::string dictionaryBytes, templateBytes;
  std::u16string dictionaryText, templateText;
  if (!ReadResourceBytes(kResourceEnglishDictionary, dictionaryBytes) ||
      !ReadResourceBytes(kResourceEnglishTemplates, templateBytes) ||
      !DecodeText(dictionaryBytes, dictionaryText) || !DecodeText(templateBytes, templateText)) {
    return content;
  }
  size_t start = 0;
  while (start < dictionaryText.size()) {
    size_t end = dictionaryText.find(u'\n', start);
    if (end == std::u16string::npos) end = dictionaryText.size();
    std::u16string line = dictionaryText.substr(start, end - start);
    TrimText(line);
    if (!line.empty()) content.dictionaryLines.push_back(Narrow(line));
    start = end + 1;
  }
  ParseDictionaryText(dictionaryText, content.dictionary);
  ParseTemplateText(templateText, content.templates);
  return content;
}

std::vector<std::string> Placeholders(const std::string& text) {
  std::vector<std::string> keys;
  for (size_t open = text.find('['); open != std::string::npos; open = text.find('[', open + 1)) {
    const size_t close = text.find(']', open);
    if (close == std::string::npos) break;
    keys.push_back(text.substr(open + 1, close - open - 1));
  }
  return keys;
}

// Whole words only: "500 KHZ" is not found in "1500 KHZ".
bool HasPhrase(const std::string& text, const std::string& phrase) {
  return (" " + text + " ").find(" " + phrase + " ") != std::string::npos;
}

std::vector<std::string> Items(const Content& content, const std::string& key) {
  std::vector<std::string> items;
  const auto it = content.dictionary.find(std::u16string(key.begin(), key.end()));
  if (it != content.dictionary.end()) {
    for (const std::u16string& item : it->second) items.push_back(Narrow(item));
  }
  return items;
}

// The phrase of the list, if any item of a placeholder of the template, or its own text, holds one.
std::string PhraseCarried(const Content& content, const std::string& text,
                          const std::vector<std::string>& phrases, const std::string& skipKey = "") {
  for (const std::string& phrase : phrases) {
    if (HasPhrase(text, phrase)) return phrase;
  }
  for (const std::string& key : Placeholders(text)) {
    if (key == skipKey) continue;
    for (const std::string& item : Items(content, key)) {
      for (const std::string& phrase : phrases) {
        if (HasPhrase(item, phrase)) return phrase + " through [" + key + "]";
      }
    }
  }
  return {};
}

std::string Describe(const Content& content, size_t index) {
  const EnglishTemplate& t = content.templates[index];
  return "template " + std::to_string(index) + " (" + Narrow(t.category) + ") " + Narrow(t.text);
}

// ---- Sizes ------------------------------------------------------------------------------------------------

std::string CheckSizes(const Content& content) {
  static const std::pair<const char*, size_t> kItemCounts[] = {
      {"VESSEL", 84},
      {"PORT", 119},
      {"DESTINATION_PORT", 50},
      {"OPERATION", 56},
      {"RECIPIENT", 45},
      {"SERVICE", 50},
      {"TIME", 41},
      {"ARRIVAL_TIME", 28},
      {"WEATHER", 40},
      {"WIND", 27},
      {"VISIBILITY", 22},
      {"CARGO", 50},
      {"ITEM", 45},
      {"REASON", 50},
      {"CREW_GROUP", 28},
      {"EQUIPMENT", 37},
      {"DRILL", 27},
      {"SIGNAL", 26},
      {"FREQUENCY", 26},
      {"RADIO_STATION", 37},
      {"CASUALTY", 26},
      {"EMERGENCY", 31},
      {"MUSTER_STATION", 25},
      {"DOCUMENT", 33},
      {"PORT_OFFICE", 26},
      {"BERTH", 34},
      {"ROUTE", 20},
      {"ANCHORAGE", 15},
      {"SEA_STATE", 15},
      {"CURRENT", 15},
      {"TEMPERATURE", 15},
      {"PRESSURE", 15},
      {"SPEED", 15},
      {"COURSE", 16},
      {"DISTANCE", 15},
      {"ETA", 15},
      {"STATUS", 15},
      {"ACTION", 15},
      {"PRIORITY", 15},
      {"MESSAGE_TYPE", 15},
      {"SUPPLY", 15},
      {"REPAIR_PART", 15},
      {"SAFETY_ACTION", 41},
      {"INSPECTION", 15},
      {"AUTHORITY", 15},
      {"COMPANY", 15},
      {"PERSON", 15},
      {"COUNTRY", 20},
      {"INCIDENT", 15},
      {"DAMAGE", 15},
      {"POSITION", 15},
      {"NAV_AID", 15},
      {"COMMUNICATION", 15},
      {"ACKNOWLEDGEMENT", 15},
      {"DELAY", 15},
      {"CONDITION", 15},
      {"QUANTITY", 15},
      {"NAVIGATION_ACTION", 30},
      {"MAINTENANCE_ITEM", 30},
      {"COMMUNICATION_STATUS", 30},
      {"LOGISTICS_ACTION", 30},
      {"WEATHER_EVENT", 30},
      {"CREW_TASK", 30},
      {"REPORT_QUALIFIER", 30},
      {"ROUTE_STATUS", 20},
      {"ENGINE_STATUS", 20},
      {"PORT_CONDITION", 20},
      {"COMMUNICATION_ACTION", 20},
      {"SAFETY_CONDITION", 20},
      {"CARGO_STATUS", 20},
      {"WEATHER_TREND", 20},
      {"REPORT_INTERVAL", 20},
  };
  static const std::pair<const char*, int> kCategories[] = {
      {"NATURE", 49},     {"WEATHER", 91},     {"TRAVEL", 49},        {"BUSINESS", 49},  {"TRAINING", 49},
      {"RADIO", 91},      {"EMERGENCY", 91},   {"PORT", 91},          {"EXAM", 48},      {"NAVIGATION", 42},
      {"SAFETY", 42},     {"MAINTENANCE", 30}, {"COMMUNICATION", 42}, {"LOGISTICS", 30}, {"CREW", 30},
      {"OPERATIONS", 54}, {"CARGO", 42},
  };
  static const int kParsedPerLevel[] = {185, 436, 487, 494, 443};
  static const int kExpandedPerLevel[] = {402, 970, 1070, 1098, 976};

  int entries = 0;
  for (const std::string& line : content.dictionaryLines) {
    const size_t equals = line.find('=');
    if (line[0] != '#' && equals != std::string::npos && equals > 0) ++entries;
  }
  if (entries != 73) return "dictionary entry lines: " + std::to_string(entries);
  if (content.dictionary.size() != 72) return "keys: " + std::to_string(content.dictionary.size());
  for (const auto& [key, count] : kItemCounts) {
    if (Items(content, key).size() != count)
      return std::string(key) + " items: " + std::to_string(Items(content, key).size());
  }
  if (content.templates.size() != 920) return "templates: " + std::to_string(content.templates.size());
  std::vector<std::pair<std::string, int>> runs;
  std::set<std::string> used;
  size_t longest = 0;
  for (const EnglishTemplate& t : content.templates) {
    const std::string category = Narrow(t.category);
    if (runs.empty() || runs.back().first != category) runs.emplace_back(category, 0);
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
    if (Items(content, key).empty()) return "[" + key + "] has no list";
  }
  if (used.size() != 68) return "keys used: " + std::to_string(used.size());
  for (const char* unused : {"ACTION", "COUNTRY", "NAV_AID", "PERSON"}) {
    if (used.count(unused)) return std::string(unused) + " is used";
  }
  EnglishDictionary dictionary = content.dictionary;
  EnglishTemplates templates = content.templates;
  ExpandEnglishResources(dictionary, templates);
  if (templates.size() != 2023) return "expanded templates: " + std::to_string(templates.size());
  size_t longestExpanded = 0;
  for (const EnglishTemplate& t : templates) longestExpanded = std::max(longestExpanded, t.text.size());
  if (longestExpanded != 280) return "longest expanded template: " + std::to_string(longestExpanded);
  for (int level = 0; level <= 4; ++level) {
    int parsed = 0, expanded = 0;
    for (const EnglishTemplate& t : content.templates)
      parsed += t.minimumLevel <= level && level <= t.maximumLevel;
    for (const EnglishTemplate& t : templates) expanded += t.minimumLevel <= level && level <= t.maximumLevel;
    if (parsed != kParsedPerLevel[level] || expanded != kExpandedPerLevel[level])
      return "level " + std::to_string(level) + ": " + std::to_string(parsed) + "/" +
             std::to_string(expanded);
  }
  return {};
}

// ---- Positions --------------------------------------------------------------------------------------------

struct SeaArea {
  const char* name;
  double southDeg, northDeg, westDeg, eastDeg;
};

// Boxes drawn round the water of each area; land inside a box was ruled out on the chart, position by
// position, so a position that leaves its box has been edited without that check.
const SeaArea kSeaAreas[] = {
    {"SAGAMI NADA", 34.5, 35.2, 139.0, 140.2}, {"ENSHU NADA", 34.0, 34.7, 136.9, 138.9},
    {"KUMANO NADA", 33.2, 34.3, 135.8, 137.0}, {"KII CHANNEL", 33.5, 34.25, 134.6, 135.3},
    {"OSAKA BAY", 34.3, 34.75, 135.0, 135.45}, {"SEA OF JAPAN", 35.5, 43.0, 128.5, 140.0},
    {"OFF OKINAWA", 24.0, 27.5, 126.5, 129.5}, {"EAST CHINA SEA", 25.0, 33.0, 120.0, 129.5},
};

// "3445N 13950E" into degrees; false for anything else.
bool ReadPosition(const std::string& text, double& latitudeDeg, double& longitudeDeg) {
  if (text.size() != 12 || text[5] != ' ') return false;
  for (size_t i : {0u, 1u, 2u, 3u, 6u, 7u, 8u, 9u, 10u}) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  if ((text[4] != 'N' && text[4] != 'S') || (text[11] != 'E' && text[11] != 'W')) return false;
  latitudeDeg = std::stoi(text.substr(0, 2)) + std::stoi(text.substr(2, 2)) / 60.0;
  longitudeDeg = std::stoi(text.substr(6, 3)) + std::stoi(text.substr(9, 2)) / 60.0;
  if (std::stoi(text.substr(2, 2)) >= 60 || std::stoi(text.substr(9, 2)) >= 60) return false;
  if (text[4] == 'S') latitudeDeg = -latitudeDeg;
  if (text[11] == 'W') longitudeDeg = -longitudeDeg;
  return true;
}

double DistanceNm(double lat1Deg, double lon1Deg, double lat2Deg, double lon2Deg) {
  const double toRad = 3.14159265358979323846 / 180.0;
  const double a = std::pow(std::sin((lat2Deg - lat1Deg) * toRad / 2), 2) +
                   std::cos(lat1Deg * toRad) * std::cos(lat2Deg * toRad) *
                       std::pow(std::sin((lon2Deg - lon1Deg) * toRad / 2), 2);
  return 2 * 3440.065 * std::asin(std::sqrt(a));
}

std::string CheckPositions(const Content& content) {
  // Comment lines "# 3445N 13950E SAGAMI NADA: ..." name the area of each position.
  std::map<std::string, std::string> areaOf;
  for (const std::string& line : content.dictionaryLines) {
    double latitudeDeg, longitudeDeg;
    if (line.size() > 15 && line.rfind("# ", 0) == 0 &&
        ReadPosition(line.substr(2, 12), latitudeDeg, longitudeDeg)) {
      const size_t colon = line.find(':');
      areaOf[line.substr(2, 12)] =
          line.substr(15, colon == std::string::npos ? std::string::npos : colon - 15);
    }
  }
  const std::vector<std::string> positions = Items(content, "POSITION");
  std::vector<std::pair<double, double>> degrees;
  for (const std::string& position : positions) {
    double latitudeDeg, longitudeDeg;
    if (!ReadPosition(position, latitudeDeg, longitudeDeg)) return position + " is not a position";
    if (!areaOf.count(position)) return position + " has no sea area comment";
    const SeaArea* area = nullptr;
    for (const SeaArea& a : kSeaAreas) {
      if (areaOf[position] == a.name) area = &a;
    }
    if (!area) return position + " names an unknown area: " + areaOf[position];
    if (latitudeDeg < area->southDeg || latitudeDeg > area->northDeg || longitudeDeg < area->westDeg ||
        longitudeDeg > area->eastDeg) {
      return position + " lies outside " + area->name;
    }
    degrees.emplace_back(latitudeDeg, longitudeDeg);
  }
  // The expansion joins neighbours among the first twelve with AND: they must be one stretch of sea.
  for (size_t i = 1; i < std::min<size_t>(degrees.size(), 12); ++i) {
    const double nm =
        DistanceNm(degrees[i - 1].first, degrees[i - 1].second, degrees[i].first, degrees[i].second);
    if (nm > 60) return positions[i - 1] + " AND " + positions[i] + ": " + std::to_string(int(nm)) + " miles";
  }
  return {};
}

// ---- Frequencies, receipts, storms ------------------------------------------------------------------------

const std::vector<std::string> kDistressAndCallingFrequencies = {
    "500 KHZ",           "2182 KHZ",          "CHANNEL SIXTEEN",  "CHANNEL SEVENTY", "156 POINT 8 MHZ",
    "156 POINT 525 MHZ", "2187 POINT 5 KHZ",  "4207 POINT 5 KHZ", "6312 KHZ",        "8414 POINT 5 KHZ",
    "12577 KHZ",         "16804 POINT 5 KHZ", "4125 KHZ",         "6215 KHZ",        "8291 KHZ",
    "12290 KHZ",         "16420 KHZ",         "8364 KHZ",         "121 POINT 5 MHZ",
};

// Allowed: EMERGENCY and SAFETY templates, and RADIO templates that keep, monitor or report a watch or a
// distress call. Practice and routine traffic stays off these frequencies.
std::string CheckDistressFrequencies(const Content& content) {
  for (size_t i = 0; i < content.templates.size(); ++i) {
    const std::string category = Narrow(content.templates[i].category);
    const std::string text = Narrow(content.templates[i].text);
    const std::string carried = PhraseCarried(content, text, kDistressAndCallingFrequencies);
    if (carried.empty() || category == "EMERGENCY" || category == "SAFETY") continue;
    if (category == "RADIO") {
      bool watchKeeping = false;
      for (const char* word : {"WATCH", "MONITOR", "LISTEN", "LISTENING", "DISTRESS", "MAYDAY"})
        watchKeeping = watchKeeping || HasPhrase(text, word);
      if (watchKeeping) continue;
    }
    return Describe(content, i) + " carries " + carried;
  }
  return {};
}

// Every third template is also sent with PLEASE CONFIRM RECEIPT: none of them may be addressed to everyone.
std::string CheckConfirmedTemplates(const Content& content) {
  static const std::vector<std::string> kBroadcastWords = {
      "ALL STATIONS", "ALL SHIPS", "ALL VESSELS", "TO ALL", "CEASE TRANSMISSION",
      "SEELONCE",     "SILENCE",   "BROADCAST",   "CQ",
  };
  for (size_t i = 0; i < content.templates.size(); i += 3) {
    for (const std::string& word : kBroadcastWords) {
      if (HasPhrase(Narrow(content.templates[i].text), word)) return Describe(content, i) + " says " + word;
    }
  }
  return {};
}

// A gale is force 8, a storm 10, a typhoon 12: a text naming one must not be given a [WIND] of lower force.
std::string CheckWindBesideStorms(const Content& content) {
  static const std::vector<std::string> kStormWords = {"GALE", "STORM", "TYPHOON", "HURRICANE"};
  for (const std::string& wind : Items(content, "WIND")) {
    for (const char* force : {"EIGHT", "NINE", "TEN", "ELEVEN", "TWELVE"}) {
      if (HasPhrase(wind, std::string("FORCE ") + force)) return "[WIND] holds " + wind;
    }
    for (const std::string& word : kStormWords) {
      if (HasPhrase(wind, word)) return "[WIND] holds " + wind;
    }
  }
  for (size_t i = 0; i < content.templates.size(); ++i) {
    const std::string text = Narrow(content.templates[i].text);
    if (text.find("[WIND]") == std::string::npos) continue;
    const std::string carried = PhraseCarried(content, text, kStormWords, "WIND");
    if (!carried.empty()) return Describe(content, i) + " names " + carried;
  }
  return {};
}

// ---- Windows ----------------------------------------------------------------------------------------------

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
  int order = 0;
  std::istringstream words(phrase);
  for (std::string word; words >> word;) {
    if (word.size() == 4 &&
        std::all_of(word.begin(), word.end(), [](unsigned char c) { return std::isdigit(c); }))
      order += std::stoi(word);
    for (const auto& [name, value] : kWords) order += word == name ? value : 0;
  }
  return HasPhrase(phrase, "DAY") || HasPhrase(phrase, "DAYS") ? order * 24 : order;
}

// The expansion sends these lists' neighbours as one phrase ("NOT BEFORE 0800 UTC AND NOT LATER THAN 1200
// UTC", "DELAY OF AT LEAST SIX HOURS AND DELAY OF UP TO ONE DAY"), so each joined pair is a lower and an
// upper limit, the lower one first in time or speed.
std::string CheckJoinedWindows(const Content& content) {
  static const struct {
    const char* key;
    const char* lower;
    const char* upper;
  } kWindows[] = {
      {"TIME", "AFTER", "BEFORE"},
      {"ETA", "NOT BEFORE", "NOT LATER THAN"},
      {"ARRIVAL_TIME", "EARLIEST", "LATEST"},
      {"SPEED", "IN COASTAL WATERS", "IN OPEN WATER"},
      {"DELAY", "AT LEAST", "UP TO"},
  };
  for (const auto& window : kWindows) {
    const std::vector<std::string> items = Items(content, window.key);
    for (size_t i = 1; i < std::min<size_t>(items.size(), 12); ++i) {
      const std::string& first = items[i - 1];
      const std::string& second = items[i];
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

// ---- Breaking a copy on purpose ---------------------------------------------------------------------------

void SetTemplate(Content& content, size_t index, std::u16string category, std::u16string text) {
  content.templates[index].category = std::move(category);
  content.templates[index].text = std::move(text);
}

void MoveAPositionAshore(Content& content) {
  // Lake Biwa, well inside Honshu.
  content.dictionary[u"POSITION"][14] = u"3515N 13605E";
  for (std::string& line : content.dictionaryLines) {
    if (line.rfind("# ", 0) == 0 && line.find("EAST CHINA SEA") != std::string::npos)
      line = "# 3515N 13605E EAST CHINA SEA";
  }
}
void PractiseOnChannelSixteen(Content& content) {
  SetTemplate(content, 1, u"TRAINING", u"PRACTISE SENDING ON CHANNEL SIXTEEN");
}
void AskEveryoneToConfirm(Content& content) {
  SetTemplate(content, 3, u"RADIO", u"ALL STATIONS CEASE TRANSMISSION");
}
void CallATyphoonModerate(Content& content) {
  SetTemplate(content, 2, u"WEATHER", u"TYPHOON NEAR KOBE WIND [WIND]");
}
void CloseAWindowBeforeItOpens(Content& content) {
  content.dictionary[u"ETA"][1] = u"NOT LATER THAN 0500 UTC";
}
void DropATemplate(Content& content) {
  content.templates.pop_back();
}

TEST(EnglishContentMeaningTest, ShippedContentKeepsItsMeaning) {
  const Content shipped = ShippedContent();
  ASSERT_FALSE(shipped.templates.empty());
  const struct {
    const char* name;
    std::string (*check)(const Content&);
    void (*breakCopy)(Content&);
  } cases[] = {
      {"sizes the generator is built around", CheckSizes, DropATemplate},
      {"positions at sea in their named area, neighbours close", CheckPositions, MoveAPositionAshore},
      {"distress and calling frequencies only in distress, safety and watch texts", CheckDistressFrequencies,
       PractiseOnChannelSixteen},
      {"no broadcast among the templates sent for confirmation", CheckConfirmedTemplates,
       AskEveryoneToConfirm},
      {"no gale, storm or typhoon beside a moderate wind", CheckWindBesideStorms, CallATyphoonModerate},
      {"joined times and speeds read as one window", CheckJoinedWindows, CloseAWindowBeforeItOpens},
  };
  for (const auto& row : cases) {
    EXPECT_EQ(row.check(shipped), "") << row.name;
    Content broken = shipped;
    row.breakCopy(broken);
    EXPECT_NE(row.check(broken), "") << row.name << ": the check passes a copy broken on purpose";
  }
}

}  // namespace
