// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include "qt_test_application.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRawFont>
#include <QSlider>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "audio/audio_engine.h"
#include "content/telegram_document.h"
#include "core/app.h"
#include "core/app_paths.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "keying/keying_thread.h"
#include "practice/run_control.h"
#include "temporary_home.h"
#include "ui/fonts.h"
#include "ui/window_commands.h"
#include "ui/window_layout.h"

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureQtApplication(); }
  void SetUp() override { ResetProgramState(); }
  template <typename T>
  T* Find(MainWindow& window, int id) {
    return window.findChild<T*>(QString::number(id));
  }
  TemporaryHome temporary;
};

TEST_F(MainWindowTest, OpensTitledWithEveryControlAndTheFirstRunGuide) {
  MainWindow window;
  window.show();
  QApplication::processEvents();
  EXPECT_EQ(window.windowTitle(), QStringLiteral("ネモラ"));
  for (const ControlDefinition& def : MainWindowControls()) {
    EXPECT_NE(window.findChild<QWidget*>(QString::number(def.id)), nullptr) << def.id;
  }
  EXPECT_EQ(Find<QPushButton>(window, kRxStartButton)->text(), QStringLiteral("RX START"));
  EXPECT_EQ(Find<QLabel>(window, kSpeedLabel)->text(), QStringLiteral("速度 15 WPM"));
  EXPECT_EQ(Find<QComboBox>(window, kSoundTypeCombo)->count(), 6);
  auto boxes = ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, u"ネモラ 初回起動ガイド");
  window.close();
}

TEST_F(MainWindowTest, StatusTextFromAWorkerThreadReachesTheMessageLine) {
  MainWindow window;
  window.show();
  std::thread([] { SetStatusText(u"受信中"); }).join();
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  EXPECT_EQ(Find<QLabel>(window, kMessageLine)->text(), QStringLiteral("受信中"));
  window.close();
}

TEST_F(MainWindowTest, UserActionsWriteTheTableAndTheSettings) {
  MainWindow window;
  window.show();
  Find<QCheckBox>(window, kBandQSBCheck)->click();
  EXPECT_TRUE(IsControlChecked(kBandQSBCheck));
  EXPECT_EQ(practiceSettings.BandQSB.load(), 1);
  Find<QSlider>(window, kSpeedSlider)->setValue(25);
  EXPECT_EQ(practiceSettings.WPM.load(), 25);
  QApplication::processEvents();
  EXPECT_EQ(Find<QLabel>(window, kSpeedLabel)->text(), QStringLiteral("速度 25 WPM"));
  Find<QSlider>(window, kTotalEaseSlider)->setValue(75);
  QApplication::processEvents();
  EXPECT_EQ(Find<QLabel>(window, kJudgeEaseLabel)->text(), QStringLiteral("判定しやすさ 75 やや容易"));
  EXPECT_EQ(Find<QSlider>(window, kKeySoftnessSlider)->value(), 75);
  window.close();
  // Closing saved the settings.
  ResetSettingsToDefaults();
  LoadSettings();
  EXPECT_EQ(practiceSettings.WPM.load(), 25);
  EXPECT_EQ(practiceSettings.BandQSB.load(), 1);
}

// The brush face belongs to the sheets: a dialog whose face has no kanji would get them from it.
TEST_F(MainWindowTest, DialogsSetTheirKanjiInTheInterfaceFace) {
  UseInterfaceFontForDialogs();
  QMessageBox box(QMessageBox::Critical, QStringLiteral("ERROR"),
                  QStringLiteral("和文電報テキストファイルを読み込めません。"));
  QFileDialog dialog(nullptr, QStringLiteral("和文電報テキストファイルを選択"));
  const struct {
    const char* name;
    QWidget* widget;
    QString text;
  } rows[] = {
      {"message box", &box, QStringLiteral("和文電報読込")},
      {"file dialog", &dialog, QStringLiteral("和文電報選択")},
  };
  const QString brush = QFontInfo(MakeFont(FontRole::kBrush, 30, true)).family();
  for (const auto& row : rows) {
    const QFont font = row.widget->font();
    EXPECT_NE(QFontInfo(font).family(), brush) << row.name;
    const QRawFont raw = QRawFont::fromFont(font);
    for (QChar c : row.text)
      EXPECT_TRUE(raw.supportsCharacter(c)) << row.name << " U+" << std::hex << int{c.unicode()};
  }
}

TEST_F(MainWindowTest, FullSheetViewShowsOnlyTheSheetsAndTheirTitles) {
  MainWindow window;
  window.resize(1540, 1120);
  window.show();
  auto* toggle = Find<QPushButton>(window, kFullScreenButton);
  toggle->click();
  QApplication::processEvents();
  EXPECT_EQ(toggle->text(), QStringLiteral("通常表示"));
  EXPECT_FALSE(Find<QPushButton>(window, kRxStartButton)->isVisible());
  QWidget* model = window.findChild<QWidget*>(QString::number(kModelSheet));
  EXPECT_TRUE(model->isVisible());
  EXPECT_EQ(model->geometry(), QRect(10, 44, 750, 1026));
  toggle->click();
  QApplication::processEvents();
  EXPECT_TRUE(Find<QPushButton>(window, kRxStartButton)->isVisible());
  EXPECT_EQ(toggle->text(), QStringLiteral("用紙全画面"));
  window.close();
}

TEST_F(MainWindowTest, ScriptRadioSwitchesSamplesAndDecoding) {
  MainWindow window;
  window.show();
  window.findChild<QWidget*>(QString::number(kLatinRadio))->metaObject();
  QMetaObject::invokeMethod(window.findChild<QObject*>(QString::number(kLatinRadio)), "click");
  EXPECT_EQ(LatinMode.load(), 1);
  EXPECT_EQ(ActiveDecodingScript(), Script::kLatin);
  EXPECT_EQ(TelegramAt(0).fields[0], u"18 IZUMIMARU 31 26 6 26 S");
  window.close();
}

// The program's own order: start-up with the real worker threads, the window, close, shutdown.
TEST_F(MainWindowTest, ProgramClosesInOrderAndSavesItsSettings) {
  StartUp({KeyingThreadMain, AudioThreadMain});
  InstallPracticeConsumers();
  {
    MainWindow window;
    window.show();
    QApplication::processEvents();
    EXPECT_TRUE(ThreadExists(app.keyingThread));
    EXPECT_TRUE(MainWindowExists());
    window.close();
    EXPECT_FALSE(MainWindowExists());
  }
  auto started = std::chrono::steady_clock::now();
  ShutDown();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));
  EXPECT_FALSE(ThreadExists(app.eventThread));
  EXPECT_FALSE(ThreadExists(app.keyingThread));
  EXPECT_FALSE(ThreadExists(app.audioThread));
  EXPECT_TRUE(FileExists(SettingsFilePath()));
  InstallKeyEventConsumers({});
}

TEST(WindowLayoutTest, ScaleAndPlacement) {
  EXPECT_EQ(ScalePercent(770, 560), 50);
  EXPECT_EQ(ScalePercent(3080, 2240), 130);
  EXPECT_EQ(ScalePercent(1540, 1120), 100);
  DesignRect r = PlaceRect({270, 312, 610, 650}, 770, 560);
  EXPECT_EQ(r.x, 135);
  EXPECT_EQ(r.y, 156);
  EXPECT_EQ(r.w, 305);
  EXPECT_EQ(r.h, 325);
  EXPECT_EQ(StandardFontHeight(50), 10);
  EXPECT_EQ(LargeFontHeight(130), 36);
}

}  // namespace
