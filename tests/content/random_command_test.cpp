// The random generation command on the headless control table: what it installs and what it shows.
#include "content/random_command.h"

#include <gtest/gtest.h>

#include "content/kana_generator.h"
#include "content/random_source.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "temporary_home.h"

namespace {

class RandomCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildMorseTables();
    ClearControls();
    ResetSettingsToDefaults();
    FillSettingControls();
    SetCurrentScript(Script::kKana);
    ResetTelegramDocument();
    SetMainWindowExists(true);
  }
  void TearDown() override {
    SetMainWindowExists(false);
    ResetTelegramDocument();
  }
  TemporaryHome home;
};

TEST_F(RandomCommandTest, KanaBatchesReplaceTheDocumentAndSayWhichGenerator) {
  const struct {
    bool secondGeneration;
    std::u16string_view message;
    std::u16string_view score;
  } cases[] = {
      {false, u"通常ランダム電報を生成しました", u"通常ランダム電報 10通生成"},
      {true, u"第2世代ランダム電報を生成しました", u"第2世代ランダム電報 10通生成"},
  };
  for (const auto& row : cases) {
    SetControlChecked(kSecondGenerationCheck, row.secondGeneration);
    telegramDocument.currentNumber = 2;
    telegramDocument.shownPage = 1;
    telegramDocument.working.entered[kText] = u"アイ";
    judgeState.currentField = kText;
    judgeState.textPosition = 2;
    const int revision = telegramDocument.revision;
    GenerateRandomTelegrams();
    EXPECT_TRUE(telegramDocument.loaded);
    EXPECT_EQ(TelegramCount(), 10);
    EXPECT_EQ(telegramDocument.revision, revision + 1);
    EXPECT_EQ(telegramDocument.currentNumber, 1);
    EXPECT_EQ(telegramDocument.shownPage, 0);
    EXPECT_TRUE(telegramDocument.working.entered[kText].empty());
    EXPECT_EQ(telegramDocument.records.size(), 10u);
    EXPECT_EQ(judgeState.currentField, 0);
    EXPECT_EQ(judgeState.textPosition, 0);
    EXPECT_EQ(ControlText(kMessageLine), row.message);
    EXPECT_EQ(ControlText(kRateLabel), row.score);
    EXPECT_EQ(ControlText(kTelegramStatusLabel).substr(0, 6), u"1通目 1/");
    EXPECT_EQ(ControlText(kModelPageLabel).substr(0, 2), u"1/");
  }
}

TEST_F(RandomCommandTest, SeedsOnceSoPressesInOneSecondDiffer) {
  randomSource = RandomSource{};
  GenerateRandomTelegrams();
  ASSERT_TRUE(randomSource.seeded);
  const std::vector<Telegram> first = telegramDocument.telegrams;
  GenerateRandomTelegrams();
  int same = 0;
  for (size_t i = 0; i < first.size(); ++i) same += first[i].fields == telegramDocument.telegrams[i].fields;
  EXPECT_LT(same, 10);
}

}  // namespace
