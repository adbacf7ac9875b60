// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as a user meets it: state changes from any source reach the control table, the layout
// at common screen sizes, the script switch during a receive run, minimise and restore, and closing while a
// result window is up.
#include <gtest/gtest.h>

#include "qt_test_application.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <thread>

#include "content/telegram_document.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "practice/run_control.h"
#include "practice/scoring.h"
#include "records/run_statistics.h"
#include "temporary_home.h"
#include "ui/main_window.h"
#include "ui/result_window.h"
#include "ui/serial_port_list.h"
#include "ui/window_commands.h"
#include "ui/window_layout.h"

namespace {

using Clock = std::chrono::steady_clock;

class WindowCommandsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureQtApplication(); }
  void SetUp() override {
    BuildMorseTables();
    ClearControls();
    ResetSettingsToDefaults();
    ResetTelegramDocument();
    LatinMode.store(0);
    sheetFullScreen = false;
  }
  void TearDown() override { InstallRunControlHooks({}); }
  template <typename T>
  static T* Find(MainWindow& window, int id) {
    return window.findChild<T*>(QString::number(id));
  }
  static void Pump(int ms = 0) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    do {
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (Clock::now() < until);
  }
  TemporaryHome temporary;
};

void DoAccessibleAction(QWidget* widget, const QString& action) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
  ASSERT_NE(accessible, nullptr);
  ASSERT_NE(accessible->actionInterface(), nullptr);
  accessible->actionInterface()->doAction(action);
}

// A screen reader's toggle, not a click: the table, the settings and what is played must follow.
TEST_F(WindowCommandsTest, StateChangedWithoutTheMouseReachesTheTable) {
  MainWindow window;
  window.show();
  DoAccessibleAction(Find<QRadioButton>(window, kLatinRadio), QAccessibleActionInterface::toggleAction());
  DoAccessibleAction(Find<QCheckBox>(window, kKeyboardKeyerCheck),
                     QAccessibleActionInterface::toggleAction());
  DoAccessibleAction(Find<QCheckBox>(window, kBandQRNCheck), QAccessibleActionInterface::toggleAction());
  Find<QComboBox>(window, kSoundTypeCombo)->setCurrentIndex(3);  // keyboard or assistive selection
  DoAccessibleAction(Find<QCheckBox>(window, kPaddleReverseCheck),
                     QAccessibleActionInterface::toggleAction());
  Find<QComboBox>(window, kKeyerModeCombo)->setCurrentIndex(2);
  Find<QComboBox>(window, kKeyBindingCombo)->setCurrentIndex(1);
  struct Row {
    const char* what;
    bool holds;
  } rows[] = {
      {"欧文 selected", IsControlChecked(kLatinRadio) && !IsControlChecked(kKanaRadio)},
      {"Latin telegrams and decoding", LatinMode.load() == 1 && ActiveDecodingScript() == Script::kLatin &&
                                           TelegramAt(0).fields[0] == u"18 IZUMIMARU 31 26 6 26 S"},
      {"キー電鍵 ticked", IsControlChecked(kKeyboardKeyerCheck)},
      {"空電雑音 on", practiceSettings.BandQRN.load() == 1},
      {"sound type 3", practiceSettings.SoundType.load() == 3},
      {"paddle reverse on", practiceSettings.PaddleReverse.load() == 1},
      {"Iambic B", practiceSettings.KeyerMode.load() == 2},
      {"left and right Ctrl", practiceSettings.KeyBinding.load() == kCtrlBinding},
  };
  for (const Row& row : rows) EXPECT_TRUE(row.holds) << row.what;
  window.close();
  ResetSettingsToDefaults();
  LoadSettings();
  EXPECT_EQ(LatinMode.load(), 1);
  EXPECT_EQ(practiceSettings.SoundType.load(), 3);
  EXPECT_TRUE(IsControlChecked(kKeyboardKeyerCheck));
  EXPECT_EQ(practiceSettings.PaddleReverse.load(), 1);
  EXPECT_EQ(practiceSettings.KeyerMode.load(), 2);
  EXPECT_EQ(ControlSelection(kKeyBindingCombo), kCtrlBinding);
}

TEST_F(WindowCommandsTest, LabelsAndButtonsAreNamedByWhatTheyShow) {
  MainWindow window;
  window.show();
  SetControlText(kLearnerPageLabel, u"1/5");
  SetPause(true);
  Pump();
  struct Row {
    int id;
    QString expected;
  } rows[] = {{kLearnerPageLabel, "1/5"}, {kPauseButton, "再開"}};
  for (const Row& row : rows) {
    QAccessibleInterface* accessible =
        QAccessible::queryAccessibleInterface(window.findChild<QWidget*>(QString::number(row.id)));
    EXPECT_EQ(accessible->text(QAccessible::Name), row.expected) << row.id;
  }
  SetPause(false);
  window.close();
}

TEST_F(WindowCommandsTest, ToleranceSlidersTickEveryTen) {
  MainWindow window;
  for (int id :
       {kJudgeEaseSlider, kElementToleranceSlider, kKeySoftnessSlider, kCharSpeedSlider, kTotalEaseSlider}) {
    EXPECT_EQ(Find<QSlider>(window, id)->tickInterval(), 10) << id;
    EXPECT_NE(Find<QSlider>(window, id)->tickPosition(), QSlider::NoTicks) << id;
  }
  window.close();
}

TEST_F(WindowCommandsTest, EmptyPortListSaysSo) {
  MainWindow window;
  window.show();
  SetControlItems(kPortCombo, {});
  Pump();
  auto* combo = Find<QComboBox>(window, kPortCombo);
  EXPECT_EQ(combo->currentIndex(), -1);
  EXPECT_EQ(combo->placeholderText(), NoSerialPortText());
  EXPECT_TRUE(combo->placeholderText().contains("dialout"));
  window.close();
}

// Every caption and value label in full at the window size each screen gets, and no two controls on top of
// each other; value labels at their widest texts.
TEST_F(WindowCommandsTest, NothingClippedOrOverlappingAtCommonScreenSizes) {
  struct Row {
    const char* screen;
    int width, height;  // the client size the window takes on that screen
  } rows[] = {{"1024 x 768", 1024, 738}, {"1366 x 768", 1366, 738}, {"1920 x 1080", 1920, 1050}};
  for (const Row& row : rows) {
    MainWindow window;
    window.resize(row.width, row.height);
    window.show();
    practiceSettings.WPM.store(40);
    practiceSettings.Freq.store(1200);
    for (int value : {0, 20, 40, 60, 80, 100}) {
      for (auto* field :
           {&practiceSettings.JudgeEase, &practiceSettings.KeySoftness, &practiceSettings.ElementTolerance,
            &practiceSettings.CharSpeedTolerance, &practiceSettings.TotalEase}) {
        field->store(value);
      }
      UpdateSettingLabels();
      telegramScore.points.store(-999);
      telegramScore.maxPoints.store(9999);
      telegramScore.deductions.store(9999);
      telegramScore.correct.store(999);
      telegramScore.wrong.store(999);
      telegramScore.judged.store(1998);
      UpdateScoreLine();
      SetControlText(kRateLabel, u"電鍵種類: 横振りマニュアル  J=DSR短点  K=CTS長点");
      SetControlText(kTelegramStatusLabel, u"10通目 10/10ページ  全体 99/99");
      Pump();
      std::vector<QWidget*> shown;
      for (const ControlDefinition& def : MainWindowControls()) {
        QWidget* widget = window.findChild<QWidget*>(QString::number(def.id));
        if (!widget->isVisible()) continue;
        shown.push_back(widget);
        int needed = 0;
        QFont font = widget->font();
        if (auto* label = qobject_cast<QLabel*>(widget)) {
          if (def.id == kMessageLine) continue;  // free text, set smaller when long
          font.setPixelSize(label->property("layoutFontPixels").toInt());
          needed = QFontMetrics(font).horizontalAdvance(label->text());
        } else if (qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget)) {
          needed = widget->sizeHint().width();
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
          needed = QFontMetrics(font).horizontalAdvance(button->text()) + 8;
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
          QStringList texts = {combo->placeholderText()};
          if (def.id != kPortCombo) {
            for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
          }
          for (const QString& text : texts)
            needed = std::max(needed, QFontMetrics(font).horizontalAdvance(text) + 24);
        }
        EXPECT_LE(needed, widget->width()) << row.screen << ": control " << def.id << " at " << value;
      }
      for (size_t a = 0; a < shown.size(); ++a) {
        for (size_t b = a + 1; b < shown.size(); ++b) {
          EXPECT_FALSE(shown[a]->geometry().intersects(shown[b]->geometry()))
              << row.screen << ": " << shown[a]->objectName().toStdString() << " and "
              << shown[b]->objectName().toStdString();
        }
      }
    }
    window.close();
  }
}

// A running demonstration stops before any command but RX STOP, デモ送信 and 一旦停止; slider moves are no
// commands.
TEST_F(WindowCommandsTest, DemonstrationStopsBeforeOtherCommands) {
  RunControlHooks hooks;
  hooks.launchPlayback = [](ThreadSlot&, void (*)()) { return true; };  // the demonstration "runs"
  InstallRunControlHooks(hooks);
  MainWindow window;
  window.show();
  struct Row {
    const char* what;
    void (*act)(MainWindow& window);
    bool stops;
  } rows[] = {
      {"音色 chosen", [](MainWindow& w) { Find<QComboBox>(w, kSoundTypeCombo)->setCurrentIndex(2); }, true},
      {"AUTO ticked", [](MainWindow& w) { Find<QCheckBox>(w, kAutoCheck)->click(); }, true},
      {"送信 clicked again", [](MainWindow& w) { Find<QRadioButton>(w, kSendRadio)->click(); }, true},
      {"一旦停止", [](MainWindow& w) { Find<QPushButton>(w, kPauseButton)->click(); }, false},
      {"speed slider", [](MainWindow& w) { Find<QSlider>(w, kSpeedSlider)->setValue(22); }, false},
  };
  for (const Row& row : rows) {
    Find<QPushButton>(window, kDemoButton)->click();
    ASSERT_EQ(runFlags.demonstration.load(), 1) << row.what;
    row.act(window);
    EXPECT_EQ(runFlags.demonstration.load(), row.stops ? 0 : 1) << row.what;
    StopPlayback();
  }
  EXPECT_EQ(practiceSettings.SoundType.load(), 2);
  window.close();
}

TEST_F(WindowCommandsTest, ScriptSwitchDuringAReceiveRunStopsTheRun) {
  MainWindow window;
  window.show();
  CheckRadioButton(kReceiveRadio, kSendRadio, kReceiveRadio);
  Find<QPushButton>(window, kRxStartButton)->click();
  ASSERT_EQ(runFlags.playing.load(), 1);
  ASSERT_TRUE(ThreadExists(runControl.playbackThread));
  Find<QRadioButton>(window, kLatinRadio)->click();
  Pump();
  EXPECT_EQ(runFlags.playing.load(), 0);
  EXPECT_FALSE(ThreadExists(runControl.playbackThread));
  EXPECT_FALSE(StatusTimerRunning());
  EXPECT_EQ(LatinMode.load(), 1);
  EXPECT_EQ(Find<QLabel>(window, kMessageLine)->text(), QStringLiteral("停止"));
  window.close();
}

// Figures on the score line belong to the telegram on the sheets: a script switch takes that telegram
// away, so its figures go with it.
TEST_F(WindowCommandsTest, ScriptSwitchClearsTheScoreLine) {
  MainWindow window;
  window.show();
  const struct {
    const char* name;
    int radio;
  } rows[] = {{"to Latin", kLatinRadio}, {"back to kana", kKanaRadio}};
  for (const auto& row : rows) {
    telegramScore.judged.store(4);
    telegramScore.correct.store(3);
    telegramScore.points.store(5);
    UpdateScoreLine();
    Pump();
    ASSERT_FALSE(Find<QLabel>(window, kScoreLine)->text().isEmpty()) << row.name;
    Find<QRadioButton>(window, row.radio)->click();
    Pump();
    EXPECT_TRUE(Find<QLabel>(window, kScoreLine)->text().isEmpty()) << row.name;
    EXPECT_EQ(telegramScore.judged.load() + telegramScore.points.load(), 0) << row.name;
  }
  window.close();
}

TEST_F(WindowCommandsTest, MinimisedWindowKeepsItsLayoutUntilRestored) {
  MainWindow window;
  window.resize(1366, 738);
  window.show();
  Pump();
  QWidget* sheet = window.findChild<QWidget*>(QString::number(kLearnerSheet));
  const QRect before = sheet->geometry();
  window.showMinimized();
  Pump();
  window.resize(1024, 738);
  Pump();
  EXPECT_EQ(sheet->geometry(), before);
  window.showNormal();
  Pump();
  const DesignRect expected = PlaceRect({900, 312, 610, 650}, window.width(), window.height());
  EXPECT_EQ(sheet->geometry(), QRect(expected.x, expected.y, expected.w, expected.h));
  EXPECT_NE(sheet->geometry(), before);
  window.close();
}

TEST_F(WindowCommandsTest, MovedToAnotherScreenTheWindowFitsItsWorkArea) {
  MainWindow window;
  window.show();
  window.resize(500, 400);
  Pump();
  QScreen* screen = QGuiApplication::primaryScreen();
  emit window.windowHandle()->screenChanged(screen);
  Pump();
  EXPECT_EQ(window.geometry(), screen->availableGeometry().adjusted(0, 30, 0, 0));
  const DesignRect expected = PlaceRect({900, 312, 610, 650}, window.width(), window.height());
  EXPECT_EQ(window.findChild<QWidget*>(QString::number(kLearnerSheet))->geometry(),
            QRect(expected.x, expected.y, expected.w, expected.h));
  window.close();
}

// A result window must not block the main window: a window blocked by a modal one ignores its close
// button, so the program could not be closed and saved while a result was up.
TEST_F(WindowCommandsTest, ClosingWhileAResultIsUpClosesBothAndSaves) {
  MainWindow window;
  window.show();
  Find<QSlider>(window, kSpeedSlider)->setValue(33);
  TelegramResultSnapshot result;
  result.title = u"第1通　和文電報 結果";
  result.buttonCaption = u"次の電報へ";
  std::atomic<bool> returned{false};
  std::thread eventThread([&] {
    ShowResultWindowModal(result);
    returned.store(true);
  });
  // The result window runs its own loop on this thread; the close comes from inside it, as a click would.
  bool enabledWhileUp = true;
  QWindow* modalWhileUp = nullptr;
  Clock::time_point closeStart;
  QTimer::singleShot(300, &window, [&] {
    enabledWhileUp = window.isEnabled();
    modalWhileUp = QGuiApplication::modalWindow();
    closeStart = Clock::now();
    window.close();
  });
  const auto start = Clock::now();
  while (!returned.load() && Clock::now() - start < std::chrono::seconds(3)) Pump(5);
  EXPECT_TRUE(returned.load());
  EXPECT_FALSE(enabledWhileUp);  // no input to the main window while the result is read
  EXPECT_EQ(modalWhileUp, nullptr);
  EXPECT_LT(Clock::now() - closeStart, std::chrono::seconds(1));
  eventThread.join();
  EXPECT_FALSE(MainWindowExists());
  ResetSettingsToDefaults();
  LoadSettings();
  EXPECT_EQ(practiceSettings.WPM.load(), 33);
}

}  // namespace
