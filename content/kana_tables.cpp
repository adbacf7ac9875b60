// SPDX-License-Identifier: GPL-3.0-or-later
// The kana generator's tables.
//   - built-in tables
//   - parsing the content resources
//   - the active tables
#include "content/kana_tables.h"

#include "content/telegram_file.h"
#include "core/resources.h"

// ---- Built-in tables --------------------------------------------------------------------------------------

const std::array<std::u16string_view, 16> kKanaPhrases = {
    u"アサノヒカリ",       u"ユウグレノカゼ", u"マチノエキ",     u"シズカナミチ",
    u"デンポウレンシュウ", u"ムセンノオト",   u"キセツノハナ",   u"アメアガリ",
    u"ヤマノミドリ",       u"ウミノヒカリ",   u"ソラノクモ",     u"カワノナガレ",
    u"シケンノジュンビ",   u"キロクヲトル",   u"レンラクヲマツ", u"アスノヨテイ",
};
const std::array<std::u16string_view, 6> kKanaParticles = {u"ハ", u"ニ", u"デ", u"ヲ", u"ト", u"カラ"};
// The prefectural office's place, then デンポウ at even and ツウシン at odd indices.
const std::array<std::u16string_view, 47> kKanaOffices = {
    u"サッポロデンポウ",   u"アオモリツウシン", u"モリオカデンポウ", u"センダイツウシン",
    u"アキタデンポウ",     u"ヤマガタツウシン", u"フクシマデンポウ", u"ミトツウシン",
    u"ウツノミヤデンポウ", u"マエバシツウシン", u"サイタマデンポウ", u"チバツウシン",
    u"トウキョウデンポウ", u"ヨコハマツウシン", u"ニイガタデンポウ", u"トヤマツウシン",
    u"カナザワデンポウ",   u"フクイツウシン",   u"コウフデンポウ",   u"ナガノツウシン",
    u"ギフデンポウ",       u"シズオカツウシン", u"ナゴヤデンポウ",   u"ツツウシン",
    u"オオツデンポウ",     u"キョウトツウシン", u"オオサカデンポウ", u"コウベツウシン",
    u"ナラデンポウ",       u"ワカヤマツウシン", u"トットリデンポウ", u"マツエツウシン",
    u"オカヤマデンポウ",   u"ヒロシマツウシン", u"ヤマグチデンポウ", u"トクシマツウシン",
    u"タカマツデンポウ",   u"マツヤマツウシン", u"コウチデンポウ",   u"フクオカツウシン",
    u"サガデンポウ",       u"ナガサキツウシン", u"クマモトデンポウ", u"オオイタツウシン",
    u"ミヤザキデンポウ",   u"カゴシマツウシン", u"ナハデンポウ",
};
const std::array<std::u16string_view, 47> kPrefectureParts = {
    u"ホッカイドウ", u"アオモリケン", u"イワテケン",   u"ミヤギケン",   u"アキタケン",   u"ヤマガタケン",
    u"フクシマケン", u"イバラキケン", u"トチギケン",   u"グンマケン",   u"サイタマケン", u"チバケン",
    u"トウキョウト", u"カナガワケン", u"ニイガタケン", u"トヤマケン",   u"イシカワケン", u"フクイケン",
    u"ヤマナシケン", u"ナガノケン",   u"ギフケン",     u"シズオカケン", u"アイチケン",   u"ミエケン",
    u"シガケン",     u"キョウトフ",   u"オオサカフ",   u"ヒョウゴケン", u"ナラケン",     u"ワカヤマケン",
    u"トットリケン", u"シマネケン",   u"オカヤマケン", u"ヒロシマケン", u"ヤマグチケン", u"トクシマケン",
    u"カガワケン",   u"エヒメケン",   u"コウチケン",   u"フクオカケン", u"サガケン",     u"ナガサキケン",
    u"クマモトケン", u"オオイタケン", u"ミヤザキケン", u"カゴシマケン", u"オキナワケン",
};
const std::array<std::u16string_view, 12> kKanaThemes = {
    u"四季・自然", u"天候・風景",           u"家庭生活",   u"学校・教育", u"仕事・会社", u"鉄道・駅・交通",
    u"郵便・電報", u"無線・モールス・通信", u"旅行・観光", u"農業・漁業", u"災害・防災", u"地域行事・祭り",
};
const std::array<std::u16string_view, 60> kWordCategoryNames = {
    u"季節語", u"時間帯", u"場所語", u"人物語", u"自然語", u"色彩語", u"動作語", u"感情語", u"天候語",
    u"風景語", u"家庭語", u"学校語", u"仕事語", u"交通語", u"郵便語", u"電報語", u"無線語", u"旅行語",
    u"農業語", u"防災語", u"行事語", u"施設語", u"道具語", u"植物語", u"動物語", u"食事語", u"町語",
    u"記録語", u"試験語", u"練習語", u"安全語", u"連絡語", u"準備語", u"結果語", u"目標語", u"方角語",
    u"光語",   u"音語",   u"水語",   u"空語",   u"山語",   u"川語",   u"海語",   u"駅語",   u"港語",
    u"市場語", u"会社語", u"家族語", u"地域語", u"終止語", u"副詞語", u"形容語", u"状態語", u"朝語",
    u"夕語",   u"夜語",   u"休日語", u"会話語", u"報告語", u"確認語",
};

// ---- Parsing ----------------------------------------------------------------------------------------------

namespace {

// The resource's lines, decoded, trimmed, without blank lines.
std::vector<std::u16string> ResourceLines(std::string_view bytes) {
  std::u16string text;
  if (!DecodeText(bytes, text)) return {};
  return ContentLines(text);
}

std::vector<std::u16string> SplitAt(std::u16string_view text, char16_t separator) {
  std::vector<std::u16string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end == std::u16string_view::npos ? end : end - start));
    if (end == std::u16string_view::npos) return parts;
    start = end + 1;
  }
}

}  // namespace

std::vector<SentenceTemplate> ParseSentenceTemplates(std::string_view bytes) {
  std::vector<SentenceTemplate> templates;
  for (const std::u16string& line : ResourceLines(bytes)) {
    std::vector<std::u16string> fields = SplitAt(line, u'\t');
    if (fields.size() != 2 || fields[0].empty() || fields[1].empty()) continue;
    templates.push_back({std::move(fields[0]), std::move(fields[1])});
  }
  return templates;
}

std::map<std::u16string, WordList> ParseWordLists(std::string_view bytes) {
  std::map<std::u16string, WordList> lists;
  for (const std::u16string& line : ResourceLines(bytes)) {
    std::vector<std::u16string> fields = SplitAt(line, u'\t');
    if (fields.size() != 3 || fields[0].empty()) continue;
    WordList list{std::move(fields[2]), {}};
    if (!fields[1].empty()) list.words = SplitAt(fields[1], u',');
    lists.emplace(std::move(fields[0]), std::move(list));  // a repeated key keeps its first row
  }
  return lists;
}

std::array<std::u16string, 47> ParseAddresses(std::string_view bytes) {
  const std::vector<std::u16string> lines = ResourceLines(bytes);
  std::array<std::u16string, 47> addresses;
  for (size_t i = 0; i < addresses.size(); ++i) {
    const std::u16string prefecture = std::u16string(kPrefectureParts[i]) + u"」";
    const bool usable = i < lines.size() && lines[i].size() > prefecture.size() &&
                        lines[i].compare(0, prefecture.size(), prefecture) == 0 && lines[i].back() == u'」';
    addresses[i] = usable ? lines[i] : prefecture;
  }
  return addresses;
}

// ---- The active tables ------------------------------------------------------------------------------------

namespace {
const KanaTables* installedTables = nullptr;

std::string Resource(int id) {
  std::string bytes;
  ReadResourceBytes(id, bytes);
  return bytes;
}
}  // namespace

const KanaTables& CompiledKanaTables() {
  static const KanaTables tables = [] {
    KanaTables parsed;
    parsed.templates = ParseSentenceTemplates(Resource(kResourceKanaTemplates));
    parsed.wordLists = ParseWordLists(Resource(kResourceKanaWordLists));
    parsed.addresses = ParseAddresses(Resource(kResourceKanaAddresses));
    return parsed;
  }();
  return tables;
}

const KanaTables& ActiveKanaTables() {
  return installedTables ? *installedTables : CompiledKanaTables();
}

void InstallKanaTables(const KanaTables* tables) {
  installedTables = tables;
}
