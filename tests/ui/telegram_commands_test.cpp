// SPDX-License-Identifier: GPL-3.0-or-later
// Buttons 4 "電報読込" and 7 "ランダム生成" in the real window: the file dialog as the learner meets it, the
// loaded or generated telegrams on the labels and sheets, and the script radio buttons that follow a file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "content/telegram_document.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "qt_test_application.h"
#include "temporary_home.h"
#include "ui/main_window.h"
#include "ui/qt_translations.h"
#include "ui/window_commands.h"

namespace {

class TelegramCommandsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    EnsureQtApplication();
    InstallQtTranslations();
  }
  void SetUp() override { ResetProgramState(); }
  void TearDown() override { ResetTelegramDocument(); }
  template <typename T>
  T* Find(MainWindow& window, int id) {
    return window.findChild<T*>(QString::number(id));
  }
  TemporaryHome home;
};

// Answers the file dialog once it is open: records what it offers, then chooses path or cancels.
struct DialogAnswer {
  QString path;  // empty: cancel
  QString title;
  QStringList filters;
  QStringList buttons;
  bool seen = false;
};

void AnswerFileDialog(DialogAnswer& answer) {
  QTimer::singleShot(50, [&answer]() {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) {
      AnswerFileDialog(answer);
      return;
    }
    answer.seen = true;
    answer.title = dialog->windowTitle();
    answer.filters = dialog->nameFilters();
    for (QAbstractButton* button : dialog->findChild<QDialogButtonBox*>()->buttons()) {
      answer.buttons << button->text();
    }
    if (answer.path.isEmpty()) {
      dialog->reject();
    } else {
      // As the learner would: the path typed into the file name box.
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(answer.path);
      QMetaObject::invokeMethod(dialog, "accept");
    }
  });
}

TEST_F(TelegramCommandsTest, LoadButtonOpensTheDialogAndLoadsTheChosenFile) {
  const std::string kana = home.path + "/kana.txt";
  std::ofstream(kana)
      << "[VALA]\n一\n[VALB]\nナハデンポウ\n[VALC]\n三\n[VALD]\nコ一、二\n[VALE]\n"
         "オキナワケン」ナハシ」\n[TEXT]\nハレ」\n[VALA]\n二\n[VALB]\nナハデンポウ\n[VALC]\n三\n"
         "[VALD]\nセ一、二\n[VALE]\nオキナワケン」ナハシ」\n[TEXT]\nアメ」\n[VALA]\n三\n[VALB]\nナ\n"
         "[VALC]\n三\n[VALD]\nコ一、二\n[VALE]\nオ」\n[TEXT]\nユキ」\n";
  const std::string junk = home.path + "/junk.txt";
  std::ofstream(junk) << "no telegram here\n";
  MainWindow window;
  window.show();
  QMetaObject::invokeMethod(Find<QRadioButton>(window, kLatinRadio), "click");
  ASSERT_EQ(LatinMode.load(), 1);
  ClearShownMessageBoxes();
  const struct {
    const char* name;
    std::string path;
    const char16_t* script;  // of the dialog's title and filter: the window's script when it opened
    int telegrams;
    int messages;
    std::u16string messageLine;
  } cases[] = {
      {"cancel", "", u"欧文", 2, 0, u"before"},
      {"a kana file in Latin mode", kana, u"欧文", 3, 0, u"電報を 3 通読み込みました：kana.txt"},
      {"a file without telegrams", junk, u"和文", 3, 1, u"before"},
  };
  for (const auto& row : cases) {
    SetStatusText(u"before");
    DialogAnswer answer;
    answer.path = QString::fromStdString(row.path);
    AnswerFileDialog(answer);
    Find<QPushButton>(window, kLoadTelegramButton)->click();
    QApplication::processEvents();
    ASSERT_TRUE(answer.seen) << row.name;
    const QString script = QString::fromUtf16(row.script);
    EXPECT_EQ(answer.title, script + QStringLiteral("電報テキストファイルを選択")) << row.name;
    EXPECT_EQ(answer.filters, (QStringList{script + QStringLiteral("電報テキスト (*.txt)"),
                                           QStringLiteral("すべてのファイル (*.*)")}))
        << row.name;
    ASSERT_FALSE(answer.buttons.isEmpty()) << row.name;
    for (const QString& text : answer.buttons) {
      // Qt's own words come from its Japanese catalogue: each caption holds Japanese, not only "Open".
      EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0x3000; }))
          << row.name << " " << text.toStdString();
    }
    EXPECT_EQ(TelegramCount(), row.telegrams) << row.name;
    EXPECT_EQ(static_cast<int>(ShownMessageBoxes().size()), row.messages) << row.name;
    ProcessPostedMessages();
    EXPECT_EQ(ControlText(kMessageLine), row.messageLine) << row.name;
  }
  // The kana file switched the window to kana mode, where its telegrams have codes.
  EXPECT_TRUE(Find<QRadioButton>(window, kKanaRadio)->isChecked());
  EXPECT_EQ(LatinMode.load(), 0);
  EXPECT_EQ(TelegramAt(2).fields[kText], u"ユキ」");
  EXPECT_EQ(Find<QLabel>(window, kModelPageLabel)->text(), QStringLiteral("1/3"));
  window.close();
}

TEST_F(TelegramCommandsTest, RandomButtonFillsTheSheetsWithANewBatch) {
  MainWindow window;
  window.resize(1540, 1120);
  window.show();
  Find<QPushButton>(window, kRandomButton)->click();
  QApplication::processEvents();
  EXPECT_EQ(TelegramCount(), 10);
  EXPECT_EQ(Find<QLabel>(window, kRateLabel)->text(), QStringLiteral("第2世代ランダム電報 10通生成"));
  EXPECT_EQ(Find<QLabel>(window, kMessageLine)->text(), QStringLiteral("第2世代ランダム電報を生成しました"));
  EXPECT_TRUE(Find<QLabel>(window, kTelegramStatusLabel)->text().startsWith(QStringLiteral("1通目 1/")));
  // A second press continues the random sequence: a different batch, even within the same second.
  const std::vector<Telegram> first = telegramDocument.telegrams;
  Find<QCheckBox>(window, kSecondGenerationCheck)->click();
  Find<QPushButton>(window, kRandomButton)->click();
  QApplication::processEvents();
  EXPECT_EQ(Find<QLabel>(window, kRateLabel)->text(), QStringLiteral("通常ランダム電報 10通生成"));
  int same = 0;
  for (size_t i = 0; i < first.size(); ++i)
    same += first[i].fields == telegramDocument.telegrams[i].fields ? 1 : 0;
  EXPECT_LT(same, 10);
  const QImage image = window.grab().toImage();
  if (const char* dir = std::getenv("NEMORA_SCREENSHOTS")) image.save(QString("%1/random-kana.png").arg(dir));
  // The model sheet shows the new telegram: its pixels differ from the sample's.
  ResetTelegramDocument();
  RefreshSheets();
  QApplication::processEvents();
  EXPECT_NE(window.grab().toImage(), image);
  window.close();
}

}  // namespace
