// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QWindow>
#include <atomic>
#include <utility>

#include "content/telegram_document.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "practice/run_control.h"
#include "ui/copy_typing.h"
#include "ui/cross_thread_call.h"
#include "ui/fonts.h"
#include "ui/keyboard_keying.h"
#include "ui/program_icon.h"
#include "ui/qt_text.h"
#include "ui/result_window.h"
#include "ui/serial_port_list.h"
#include "ui/sheet_widget.h"
#include "ui/window_commands.h"
#include "ui/window_layout.h"

namespace {

QPointer<MainWindow> theWindow;  // window thread
// Whether the window exists, for the worker threads that forward table changes (they must not touch the
// QPointer, which the window thread writes).
std::atomic<bool> windowExists{false};

bool IsToleranceSlider(int id) {
  return id == kJudgeEaseSlider || id == kElementToleranceSlider || id == kKeySoftnessSlider ||
         id == kCharSpeedSlider || id == kTotalEaseSlider;
}

// The font size the layout gave a label, kept so a label shrunk for a long text grows back for a short one.
const char* const kLayoutFontPixels = "layoutFontPixels";

// A label text longer than its box (a long message on 1108) is set up to a quarter smaller rather than cut;
// what still does not fit is in the tool tip.
void FitLabelText(QLabel* label) {
  QFont font = label->font();
  const QVariant layoutPixels = label->property(kLayoutFontPixels);
  const int fullPixels = layoutPixels.isValid() ? layoutPixels.toInt() : font.pixelSize();
  if (fullPixels <= 0) return;
  const int room = label->contentsRect().width();
  int pixels = fullPixels;
  font.setPixelSize(pixels);
  while (pixels > fullPixels * 3 / 4 && QFontMetrics(font).horizontalAdvance(label->text()) > room) {
    font.setPixelSize(--pixels);
  }
  label->setFont(font);
  label->setToolTip(pixels < fullPixels ? label->text() : QString());
}

// Table changes may come from any thread; each one becomes a queued refresh on the window thread.
void ForwardControlChange(int id) {
  if (!windowExists.load(std::memory_order_acquire)) return;
  QueueOnWindowThread([id]() {
    if (MainWindow* w = theWindow.data()) w->RefreshControl(id);
  });
}

void WakeWindowThread() {
  if (windowExists.load(std::memory_order_acquire)) QueueOnWindowThread([]() { ProcessPostedMessages(); });
}

}  // namespace

RunControlHooks WindowRunControlHooks() {
  RunControlHooks hooks;
  hooks.focusMainWindow = []() {
    if (MainWindow* window = TheMainWindow()) window->activateWindow();
  };
  hooks.installKeyHook = InstallKeyHook;
  hooks.removeKeyHook = RemoveKeyHook;
  hooks.copyTyping = SetCopyTyping;
  return hooks;
}

MainWindow* TheMainWindow() {
  return theWindow.data();
}

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
  theWindow = this;
  windowExists.store(true, std::memory_order_release);
  SetKeyingWindow(this);
  setWindowTitle(QStringLiteral("ネモラ"));
  if (QIcon icon = ProgramIcon(); !icon.isNull()) setWindowIcon(icon);
  setObjectName(QStringLiteral("10011"));
  setAutoFillBackground(true);
  CreateControls();
  InstallSheetHandlers(this);
  statusTimer_.setInterval(50);
  connect(&statusTimer_, &QTimer::timeout, this, []() { RefreshStatusLines(); });
  InstallControlChangeListener(ForwardControlChange);
  InstallPostedMessageWaker(WakeWindowThread);
  InitializeMainWindow();
  for (const auto& [id, widget] : controls_) RefreshControl(id);
  FitToWorkArea();
}

MainWindow::~MainWindow() {
  windowExists.store(false, std::memory_order_release);
  SetKeyingWindow(nullptr);
  InstallControlChangeListener(nullptr);
  InstallPostedMessageWaker(nullptr);
}

QWidget* MainWindow::Control(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

void MainWindow::CreateControls() {
  QButtonGroup* group = nullptr;
  for (const ControlDefinition& def : MainWindowControls()) {
    QWidget* widget = nullptr;
    QString caption = ToQString(def.caption);
    int id = def.id;
    switch (def.kind) {
      case ControlKind::kButton: {
        auto* button = new QPushButton(caption, this);
        connect(button, &QPushButton::clicked, this, [id]() { HandleCommand(id); });
        widget = button;
        SetControlText(id, def.caption);
        break;
      }
      case ControlKind::kCheckBox: {
        auto* box = new QCheckBox(caption, this);
        // Every change of state, whatever made it (mouse, Space, an accessibility action), reaches the
        // table; the table's own changes come back with the widget's signals blocked.
        connect(box, &QCheckBox::toggled, this, [id](bool checked) {
          SetControlChecked(id, checked);
          HandleCommand(id);
        });
        widget = box;
        SetControlText(id, def.caption);
        break;
      }
      case ControlKind::kRadio: {
        auto* radio = new QRadioButton(caption, this);
        if (def.radioGroupStart || !group) group = new QButtonGroup(this);
        group->addButton(radio);
        int first = def.radioGroupStart ? id : id - 1;
        connect(radio, &QRadioButton::toggled, this, [this, id, first](bool checked) {
          if (!checked) return;  // the group's other button: its partner reports the change
          // A click follows its toggle at once; an accessibility toggle has none, so the mark is cleared.
          toggledRadio_ = id;
          QTimer::singleShot(0, this, [this]() { toggledRadio_ = 0; });
          CheckRadioButton(first, first + 1, id);
          HandleCommand(id);
        });
        // A click on the button already checked changes nothing but is still its command.
        connect(radio, &QRadioButton::clicked, this, [this, id]() {
          if (std::exchange(toggledRadio_, 0) == id) return;
          HandleCommand(id);
        });
        widget = radio;
        SetControlText(id, def.caption);
        break;
      }
      case ControlKind::kCombo: {
        auto* combo = new QComboBox(this);
        if (id == kPortCombo) {
          combo->setPlaceholderText(NoSerialPortText());
          combo->setToolTip(
              QStringLiteral("電鍵をつなぐシリアルポート。見つからないときは、dialout グループに"
                             "参加すると使えるようになります。"));
        } else if (id == kKeyerModeCombo) {
          combo->setToolTip(QStringLiteral("AUTO にチェックしたときに働くキーヤー"));
        } else if (id == kKeyBindingCombo) {
          combo->setToolTip(
              QStringLiteral("キー電鍵で短点・長点に使うキー。キー配列によらず、キーの位置で判定します。"));
        }
        connect(combo, &QComboBox::currentIndexChanged, this, [id](int index) {
          SetControlSelection(id, index);
          HandleCommand(id);
        });
        widget = combo;
        break;
      }
      case ControlKind::kSlider: {
        auto* slider = new QSlider(Qt::Horizontal, this);
        if (IsToleranceSlider(id)) {
          slider->setTickPosition(QSlider::TicksBelow);
          slider->setTickInterval(10);
        }
        connect(slider, &QSlider::valueChanged, this, [id, slider](int value) {
          if (slider->signalsBlocked()) return;
          SetSliderPosition(id, value);
          HandleSliderMove(id);
        });
        widget = slider;
        break;
      }
      case ControlKind::kLabel: {
        auto* label = new QLabel(caption, this);
        label->setTextFormat(Qt::PlainText);
        widget = label;
        if (!def.caption.empty()) SetControlText(id, def.caption);
        break;
      }
      case ControlKind::kSheet:
        widget = new SheetWidget(id == kModelSheet, this);
        if (id == kLearnerSheet) SetCopyTypingWidget(widget);
        break;
    }
    widget->setObjectName(QString::number(id));
    widget->setAccessibleName(caption);
    controls_[id] = widget;
  }
}

void MainWindow::RefreshControl(int id) {
  if (id == kStatusTimerId) {
    bool running = StatusTimerRunning();
    if (running && !statusTimer_.isActive()) statusTimer_.start();
    if (!running) statusTimer_.stop();
    return;
  }
  QWidget* widget = Control(id);
  if (!widget) return;
  QSignalBlocker blocker(widget);
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(ToQString(ControlText(id)));
    label->setAccessibleName(label->text());
    FitLabelText(label);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    QString text = ToQString(ControlText(id));
    if (!text.isEmpty()) {
      button->setText(text);
      button->setAccessibleName(text);
    }
    if (button->isCheckable()) button->setChecked(IsControlChecked(id));
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    std::vector<std::u16string> items = ControlItems(id);
    bool same = combo->count() == static_cast<int>(items.size());
    for (int i = 0; same && i < combo->count(); ++i) same = combo->itemText(i) == ToQString(items[i]);
    if (!same) {
      combo->clear();
      for (const auto& item : items) combo->addItem(ToQString(item));
    }
    combo->setCurrentIndex(ControlSelection(id));
  } else if (auto* slider = qobject_cast<QSlider*>(widget)) {
    int minimum, maximum;
    SliderRange(id, minimum, maximum);
    slider->setRange(minimum, maximum);
    slider->setValue(SliderPosition(id));
  } else if (auto* sheet = qobject_cast<SheetWidget*>(widget)) {
    sheet->update();
  }
  widget->setEnabled(IsControlEnabled(id) || !ControlExists(id));
}

void MainWindow::FitToWorkArea() {
  if (fitting_) return;
  fitting_ = true;
  QRect area(0, 0, 1540, 1120);
  QScreen* screen = windowHandle() ? windowHandle()->screen() : nullptr;
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (screen) area = screen->availableGeometry();
  // The frame takes some room of its own; the client area gets the rest of the work area.
  setGeometry(area.adjusted(0, 30, 0, 0));
  LayoutMainWindow();
  fitting_ = false;
  RepaintSheets();
}

void MainWindow::LayoutMainWindow() {
  int w = width(), h = height();
  if (w <= 0 || h <= 0) return;
  for (const ControlDefinition& def : MainWindowControls()) {
    QWidget* widget = Control(def.id);
    DesignRect design = def.normal;
    bool shown = !sheetFullScreen || FullSheetPlace(def.id, design);
    widget->setVisible(shown);
    if (!shown) continue;
    DesignRect r = PlaceRect(design, w, h);
    // Combo boxes are given their drop-down height in the design; the closed box takes a row's height.
    if (def.kind == ControlKind::kCombo) r.h = std::min(r.h, PlaceRect({0, design.y, 0, 28}, w, h).h);
    widget->setGeometry(r.x, r.y, r.w, r.h);
  }
  if (auto* toggle = qobject_cast<QPushButton*>(Control(kFullScreenButton))) {
    toggle->setText(sheetFullScreen ? QStringLiteral("通常表示") : QStringLiteral("用紙全画面"));
  }
  ApplyFonts(true);
  update();
}

void MainWindow::ApplyFonts(bool afterLayout) {
  int scale = ScalePercent(width(), height());
  QFont standard = MakeFont(FontRole::kGothic, StandardFontHeight(scale), true);
  QFont large = MakeFont(FontRole::kGothic, LargeFontHeight(scale), true);
  for (const ControlDefinition& def : MainWindowControls()) {
    if (def.font == FontGroup::kNone) continue;
    // After a relayout only the two page labels keep the large font.
    bool keepLarge = def.id == kModelPageLabel || def.id == kLearnerPageLabel;
    bool useLarge = def.font == FontGroup::kLarge && (!afterLayout || keepLarge);
    QWidget* widget = Control(def.id);
    widget->setFont(useLarge ? large : standard);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      label->setProperty(kLayoutFontPixels, label->font().pixelSize());
      FitLabelText(label);
    }
  }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (isMinimized() || fitting_) return;
  LayoutMainWindow();
  RepaintSheets();
}

void MainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  // A minimised window keeps its layout; restored, it is laid out for the size it has now.
  const bool wasMinimized =
      (static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized) != 0;
  if (wasMinimized && !isMinimized()) {
    LayoutMainWindow();
    RepaintSheets();
  }
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (screenWatched_ || !windowHandle()) return;
  screenWatched_ = true;
  // Moved to another screen, or the screen's scale changed: fit the window to that work area again.
  connect(windowHandle(), &QWindow::screenChanged, this, [this](QScreen* screen) {
    WatchScreen(screen);
    FitToWorkArea();
  });
  WatchScreen(windowHandle()->screen());
}

void MainWindow::WatchScreen(QScreen* screen) {
  disconnect(screenConnection_);
  if (!screen) return;
  screenConnection_ =
      connect(screen, &QScreen::logicalDotsPerInchChanged, this, [this]() { FitToWorkArea(); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    CloseOpenResultWindow();  // the event thread waiting on it goes on and the playback can end
    statusTimer_.stop();
    CloseMainWindow();
  }
  event->accept();
}
