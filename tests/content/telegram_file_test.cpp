// SPDX-License-Identifier: GPL-3.0-or-later
// Telegram text files as the learner gives them: real files in a temporary home, in every encoding and
// layout, with the bad inputs that must fail cleanly and leave the document as it was.
#include "content/telegram_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <iconv.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/control_ids.h"
#include "core/controls.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "core/text.h"
#include "temporary_home.h"

namespace {

const char16_t kTwoKanaTelegrams[] =
    u"練習用の電報です\r\n"
    u"[VALA]\r\n一二\r\n[VALB]\r\nセンダイデンポウ\r\n[VALC]\r\n九\r\n[VALD]\r\nコ一〇、三〇\r\n"
    u"[VALE]\r\nミヤギケン」センダイシ」サトウ ハナコ」\r\n[TEXT]\r\nアスアサツク」\r\n"
    u"[VALA]\n三\n[VALB]\nナハデンポウ\n[VALC]\n五\n[VALD]\nセ九、五\n[VALE]\nオキナワケン」ナハシ」\n"
    u"[TEXT]\n\u3000ハレ」\nユキ」 \n";

class TelegramFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildMorseTables();
    ClearControls();
    ClearShownMessageBoxes();
    CheckRadioButton(kLatinRadio, kKanaRadio, kKanaRadio);
    LatinMode.store(0);
    ResetTelegramDocument();
  }
  void TearDown() override {
    LatinMode.store(0);
    ResetTelegramDocument();
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = home.path + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  TemporaryHome home;
};

std::string Utf16LeWithMark(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

std::string Cp932(std::u16string_view text) {
  std::string utf8 = Utf16ToUtf8(text);
  iconv_t converter = iconv_open("CP932", "UTF-8");
  std::string out(utf8.size() * 2, '\0');
  char* in = utf8.data();
  char* outPtr = out.data();
  size_t inLeft = utf8.size(), outLeft = out.size();
  iconv(converter, &in, &inLeft, &outPtr, &outLeft);
  iconv_close(converter);
  out.resize(out.size() - outLeft);
  return out;
}

TEST_F(TelegramFileTest, EveryEncodingLoadsTheSameTelegrams) {
  const std::u16string text = kTwoKanaTelegrams;
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"utf8", Utf16ToUtf8(text)},        {"utf8-bom", "\xEF\xBB\xBF" + Utf16ToUtf8(text)},
      {"utf16le", Utf16LeWithMark(text)}, {"utf16le-odd-byte", Utf16LeWithMark(text) + "\x41"},
      {"shift-jis", Cp932(text)},
  };
  for (const auto& row : cases) {
    ResetTelegramDocument();
    ASSERT_TRUE(LoadTelegramFile(Write(row.name, row.bytes))) << row.name;
    ASSERT_EQ(TelegramCount(), 2) << row.name;
    const Telegram first = TelegramAt(0), second = TelegramAt(1);
    EXPECT_EQ(first.fields[kNumber], u"一二") << row.name;
    EXPECT_EQ(first.fields[kTime], u"コ一〇、三〇") << row.name;
    EXPECT_EQ(first.fields[kAddress], u"ミヤギケン」センダイシ」サトウ ハナコ」") << row.name;
    EXPECT_EQ(first.fields[kText], u"アスアサツク」") << row.name;
    // Trimmed at both ends, the inner line break kept.
    EXPECT_EQ(second.fields[kText], u"ハレ」\nユキ」") << row.name;
  }
}

// A kana telegram with each section on its own lines; textMarker may be replaced to test marker case.
std::u16string Kana(std::u16string_view count, std::u16string_view text = u"ハレ」",
                    std::u16string_view textMarker = u"[TEXT]") {
  return u"[VALA]\n一\n[VALB]\nナハデンポウ\n[VALC]\n" + std::u16string(count) +
         u"\n[VALD]\nコ一、二\n[VALE]\nオキナワケン」\n" + std::u16string(textMarker) + u"\n" +
         std::u16string(text) + u"\n";
}

TEST_F(TelegramFileTest, SectionRulesDecideWhichTelegramsLoad) {
  const std::u16string latin = u"[Preamble]\n18 IZUMIMARU 3 1 2 03 S\n[To]\nA B\n[Text]\nCALM SEA\n";
  const struct {
    const char* name;
    std::u16string text;
    int telegrams;  // 0: the load fails
    TelegramLayout layout;
  } cases[] = {
      {"blank count section skips its telegram", Kana(u" \u3000") + Kana(u"三"), 1, TelegramLayout::kKana},
      {"the only telegram blank", Kana(u"\t"), 0, TelegramLayout::kKana},
      {"[Text] is not the kana text marker", Kana(u"三", u"ハレ」", u"[Text]"), 0, TelegramLayout::kKana},
      {"a missing section is not taken from the next telegram",
       u"[VALA]\n一\n[VALC]\n三\n[VALD]\nコ一、二\n[VALE]\nエ」\n[TEXT]\nハ」\n" + Kana(u"三"), 1,
       TelegramLayout::kKana},
      {"both layouts read as kana", latin + Kana(u"三"), 1, TelegramLayout::kKana},
      {"thousands of telegrams",
       [] {
         std::u16string many;
         for (int i = 0; i < 5000; ++i) many += Kana(u"三");
         return many;
       }(),
       5000, TelegramLayout::kKana},
      {"Latin layout", latin + latin, 2, TelegramLayout::kLatin},
      {"markers without content", u"[Preamble]\n[To]\n[Text]\n[Preamble]\n[To]\n[Text]\n", 0,
       TelegramLayout::kLatin},
      {"a line starting with [ ends the section", u"[Preamble]\nP\n[note]\n[To]\nA\n[Text]\nT\n[end", 1,
       TelegramLayout::kLatin},
      {"bare CR line ends", u"[Preamble]\rP\r[To]\rA\r[Text]\rT\r", 1, TelegramLayout::kLatin},
      {"no marker at all", u"ただの文章です\n", 0, TelegramLayout::kKana},
  };
  for (const auto& row : cases) {
    std::vector<Telegram> telegrams;
    TelegramLayout layout = TelegramLayout::kKana;
    const bool ok = ParseTelegramText(row.text, telegrams, layout);
    EXPECT_EQ(ok, row.telegrams > 0) << row.name;
    if (!ok) continue;
    EXPECT_EQ(static_cast<int>(telegrams.size()), row.telegrams) << row.name;
    EXPECT_EQ(layout, row.layout) << row.name;
    for (const Telegram& telegram : telegrams) {
      for (const std::u16string& field : telegram.fields) {
        EXPECT_EQ(field.find(u'['), std::u16string::npos) << row.name;
        EXPECT_EQ(field.find(u'\r'), std::u16string::npos) << row.name;
      }
    }
  }
}

TEST_F(TelegramFileTest, BadFilesFailAndLeaveTheDocumentAlone) {
  const Telegram before = TelegramAt(0);
  const int revision = telegramDocument.revision;
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 37 + 11) % 256));
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"binary", binary},
      {"invalid utf-8 without markers", "\xC3\x28\xFF\xFE\xE3\x81"},
      {"byte-order mark only", "\xEF\xBB\xBF"},
      {"utf-16 mark only", "\xFF\xFE"},
      {"markers of a truncated utf-16 file", Utf16LeWithMark(u"[VALA]一[VALB]").substr(0, 9)},
  };
  for (const auto& row : cases) {
    EXPECT_FALSE(OpenTelegramFile(Write(row.name, row.bytes))) << row.name;
    EXPECT_EQ(telegramDocument.revision, revision) << row.name;
    EXPECT_FALSE(telegramDocument.loaded) << row.name;
  }
  EXPECT_FALSE(OpenTelegramFile(home.path + "/missing.txt"));
  EXPECT_FALSE(OpenTelegramFile(home.path));  // a directory
  // A 1 GiB file (sparse) is refused by its size, without reading it.
  const std::string huge = home.path + "/huge.txt";
  const int fd = open(huge.c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, off_t{1} << 30), 0);
  close(fd);
  EXPECT_FALSE(OpenTelegramFile(huge));
  EXPECT_EQ(TelegramAt(0).fields, before.fields);
  const std::vector<MessageBoxRecord> boxes = ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 9u);
  EXPECT_EQ(boxes[0].text, kTelegramFileUnreadable);
  EXPECT_EQ(boxes[0].caption, u"ERROR");
  EXPECT_EQ(boxes[0].icon, MessageBoxIcon::kError);
}

TEST_F(TelegramFileTest, TheFileLayoutSetsTheScriptAndClearsTheWorkingCopy) {
  const std::string kana = Write("kana.txt", Utf16ToUtf8(kTwoKanaTelegrams));
  const std::string latin =
      Write("latin.txt", "[Preamble]\n1 SEABIRD 2 3 4 05 S\n[To]\nA B\n[Text]\nAB CD\n");
  const struct {
    const char* name;
    bool latinBefore;
    std::string path;
    bool latinAfter;
  } cases[] = {
      {"kana file in Latin mode", true, kana, false},
      {"Latin file in kana mode", false, latin, true},
      {"kana file in kana mode", false, kana, false},
  };
  for (const auto& row : cases) {
    SetCurrentScript(row.latinBefore ? Script::kLatin : Script::kKana);
    telegramDocument.working.entered[kText] = u"アイウ";
    telegramDocument.working.marks[kText] = u"110";
    judgeState.currentField = kText;
    judgeState.textPosition = 3;
    ASSERT_TRUE(LoadTelegramFile(row.path)) << row.name;
    EXPECT_EQ(LatinMode.load() != 0, row.latinAfter) << row.name;
    EXPECT_EQ(ActiveDecodingScript() == Script::kLatin, row.latinAfter) << row.name;
    EXPECT_EQ(IsControlChecked(kLatinRadio), row.latinAfter) << row.name;
    EXPECT_EQ(IsControlChecked(kKanaRadio), !row.latinAfter) << row.name;
    EXPECT_TRUE(telegramDocument.working.entered[kText].empty()) << row.name;
    EXPECT_TRUE(telegramDocument.working.marks[kText].empty()) << row.name;
    EXPECT_TRUE(DisplayedWorkingCopy().entered[kText].empty()) << row.name;
    EXPECT_EQ(judgeState.currentField, 0) << row.name;
    EXPECT_EQ(judgeState.textPosition, 0) << row.name;
    EXPECT_EQ(telegramDocument.currentNumber, 1) << row.name;
  }
}

TEST_F(TelegramFileTest, TemplateFilesKeepTrimmedSentencesOnly) {
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::u16string> lines;
  } cases[] = {
      {"comments, blanks and trimming",
       "# kommentar\r\n\r\n  アサノヒカリ \u3000\r\nユウグレ\n  # indented comment",
       {u"アサノヒカリ", u"ユウグレ"}},
      {"last line without LF", "ア\nイ", {u"ア", u"イ"}},
      {"utf-16", Utf16LeWithMark(u"#x\nカ\n"), {u"カ"}},
      {"only comments", "#\n#\n", {}},
      {"empty", "", {}},
  };
  for (const auto& row : cases) {
    Write("templates_beginner.txt", row.bytes);
    EXPECT_EQ(ReadTemplateLines(TemplateFilePath(1)), row.lines) << row.name;
  }
  EXPECT_EQ(TemplateFilePath(0), home.path + "/templates_beginner.txt");
  EXPECT_EQ(TemplateFilePath(3), home.path + "/templates_nature.txt");
  EXPECT_EQ(TemplateFilePath(4), home.path + "/templates_exam.txt");
  EXPECT_TRUE(ReadTemplateLines(TemplateFilePath(4)).empty());
}

TEST(DecodeTextTest, ChoosesTheEncodingByTheBytes) {
  const struct {
    const char* name;
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {"utf-8 four-byte character", "a\xF0\x9F\x93\xAE", u"a\U0001F4EE"},
      {"overlong utf-8 is read as shift-jis half-width kana", "\xC0\xAF", u"\uFF80\uFF6F"},
      {"encoded surrogate is not utf-8", "\xED\xA0\x80", u"\u605D\uFFFD"},
      {"shift-jis kana", "\x83\x52\x83\x93", u"コン"},
      {"shift-jis cut after a lead byte", "\x83\x52\x83", u"コ\uFFFD"},
      {"utf-16 odd byte dropped", "\xFF\xFE\x42\x30\x44", u"あ"},
  };
  for (const auto& row : cases) {
    std::u16string text;
    ASSERT_TRUE(DecodeText(row.bytes, text)) << row.name;
    EXPECT_EQ(text, row.text) << row.name;
  }
}

}  // namespace
