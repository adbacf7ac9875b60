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

#include "core/control_ids.h"
#include "core/controls.h"
#include "practice/run_control.h"
#include "ui/fonts.h"
#include "ui/qt_text.h"
#include "ui/serial_port_list.h"
#include "ui/sheet_widget.h"
#include "ui/window_commands.h"
#include "ui/window_layout.h"

namespace {

QPointer<MainWindow> theWindow;

// Table changes may come from any thread; each one becomes a queued refresh on the window thread.
void ForwardControlChange(int id) {
  MainWindow* window = theWindow.data();
  if (!window) return;
  QMetaObject::invokeMethod(
      window,
      [id]() {
        if (MainWindow* w = theWindow.data()) w->RefreshControl(id);
      },
      Qt::QueuedConnection);
}

void WakeWindowThread() {
  if (MainWindow* window = theWindow.data()) {
    QMetaObject::invokeMethod(
        window, []() { ProcessPostedMessages(); }, Qt::QueuedConnection);
  }
}

}  // namespace

MainWindow* TheMainWindow() {
  return theWindow.data();
}

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
  theWindow = this;
  setWindowTitle(QStringLiteral("ネモラ"));
  setObjectName(QStringLiteral("10011"));
  setAutoFillBackground(true);
  CreateControls();
  statusTimer_.setInterval(50);
  connect(&statusTimer_, &QTimer::timeout, this, []() { RefreshStatusLines(); });
  InstallControlChangeListener(ForwardControlChange);
  InstallPostedMessageWaker(WakeWindowThread);
  InitializeMainWindow();
  for (const auto& [id, widget] : controls_) RefreshControl(id);
  FitToWorkArea();
}

MainWindow::~MainWindow() {
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
        connect(button, &QPushButton::clicked, this, [this, id]() {
          HandleCommand(id);
          if (id == kFullScreenButton) LayoutMainWindow();
        });
        widget = button;
        SetControlText(id, def.caption);
        break;
      }
      case ControlKind::kCheckBox: {
        auto* box = new QCheckBox(caption, this);
        connect(box, &QCheckBox::clicked, this, [id](bool checked) {
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
        connect(radio, &QRadioButton::clicked, this, [id, first]() {
          CheckRadioButton(first, first + 1, id);
          HandleCommand(id);
        });
        widget = radio;
        SetControlText(id, def.caption);
        break;
      }
      case ControlKind::kCombo: {
        auto* combo = new QComboBox(this);
        if (id == kPortCombo) combo->setPlaceholderText(NoSerialPortText());
        connect(combo, &QComboBox::activated, this, [id](int index) {
          SetControlSelection(id, index);
          HandleCommand(id);
        });
        widget = combo;
        break;
      }
      case ControlKind::kSlider: {
        auto* slider = new QSlider(Qt::Horizontal, this);
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
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    QString text = ToQString(ControlText(id));
    if (!text.isEmpty()) button->setText(text);
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
  QRect area(0, 0, 1540, 1120);
  if (QScreen* screen = QGuiApplication::primaryScreen()) area = screen->availableGeometry();
  // The frame takes some room of its own; the client area gets the rest of the work area.
  setGeometry(area.adjusted(0, 30, 0, 0));
  LayoutMainWindow();
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
    if (def.kind == ControlKind::kCombo) r.h = std::min(r.h, PlaceRect({0, 0, 0, 30}, w, h).h);
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
    Control(def.id)->setFont(useLarge ? large : standard);
  }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!isMinimized()) LayoutMainWindow();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    statusTimer_.stop();
    CloseMainWindow();
  }
  event->accept();
}
