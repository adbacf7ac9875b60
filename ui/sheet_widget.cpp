// SPDX-License-Identifier: GPL-3.0-or-later
// The sheets on screen.
//
//   1. Fonts and measuring   one QFont per face and size, the measurer the geometry asks
//   2. Content               what each sheet shows now
//   3. Executing             PaintSheet: the draw list into a buffer, then one copy
//   4. Mouse                 the sheets' own mouse, the main window's forwarded mouse, the deferred save
#include "ui/sheet_widget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QRawFont>
#include <QTimer>
#include <QWheelEvent>
#include <atomic>
#include <map>
#include <tuple>

#include "content/telegram_document.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/resources.h"
#include "core/settings.h"
#include "practice/judging.h"
#include "practice/typed_copy.h"
#include "sheets/sheet_view.h"
#include "ui/copy_typing.h"
#include "ui/fonts.h"

// ---- 1. Fonts and measuring ------------------------------------------------------------------------------

namespace {

struct CachedFont {
  QFont font;
  QFontMetrics metrics;
  int latinStep;
};

// The brush face's stand-in when it has no ink for a character, so the sheets never show an empty cell.
QFont BrushFallbackFont(int height, bool bold) {
  QFont font = MakeFont(FontRole::kBrush, height, bold);
  font.setFamilies({"Noto Serif CJK JP", "Noto Sans CJK JP"});
  return font;
}

// Fonts are looked up once per face and size: a paint sets about a hundred characters in three sizes.
// Face kGothic + 1 stands for the brush face's fallback.
const CachedFont& CachedFontOf(int face, int height, bool bold) {
  static std::map<std::tuple<int, int, bool>, CachedFont> fonts;
  const auto key = std::make_tuple(face, height, bold);
  auto it = fonts.find(key);
  if (it == fonts.end()) {
    if (fonts.size() >= 64) fonts.clear();  // every zoom step brings new sizes; keep only recent ones
    const int pixels = std::max(1, height);
    QFont qfont = face == static_cast<int>(SheetFace::kBrush)    ? MakeFont(FontRole::kBrush, pixels, bold)
                  : face == static_cast<int>(SheetFace::kGothic) ? MakeFont(FontRole::kGothic, pixels, bold)
                                                                 : BrushFallbackFont(pixels, bold);
    QFontMetrics metrics(qfont);
    // The step of a fixed-pitch Latin line is its Latin cell; a CJK face's average over all its glyphs would
    // count the full-width ones.
    const int step = metrics.horizontalAdvance(QLatin1Char('0'));
    it = fonts.emplace(key, CachedFont{qfont, metrics, step}).first;
  }
  return it->second;
}

const CachedFont& FontFor(const SheetFont& font) {
  return CachedFontOf(static_cast<int>(font.face), font.height, font.bold);
}

}  // namespace

bool BrushFaceHasInk(char16_t c) {
  // The brush face lists some characters (（ and ） among them) with empty outlines: the font machinery
  // then takes the face at its word and falls back to nothing. Each glyph's outline is looked at once.
  static std::map<char16_t, bool> answers;
  auto it = answers.find(c);
  if (it != answers.end()) return it->second;
  const QRawFont raw = QRawFont::fromFont(MakeFont(FontRole::kBrush, 48, true));
  bool ink = false;
  if (raw.isValid() && raw.supportsCharacter(QChar(c))) {
    const QList<quint32> glyphs = raw.glyphIndexesForString(QString(QChar(c)));
    ink = !glyphs.isEmpty() && glyphs.first() != 0 && !raw.pathForGlyph(glyphs.first()).isEmpty();
  }
  answers.emplace(c, ink);
  return ink;
}

namespace {

// The face a character is set in: the brush face falls back per character where it has no ink.
const CachedFont& FontFor(const SheetFont& font, char16_t c) {
  if (font.face == SheetFace::kBrush && !BrushFaceHasInk(c)) {
    return CachedFontOf(static_cast<int>(SheetFace::kGothic) + 1, font.height, font.bold);
  }
  return FontFor(font);
}

TextExtent QtCharacterExtent(const SheetFont& font, char16_t c) {
  const CachedFont& f = FontFor(font, c);
  return {f.metrics.horizontalAdvance(QChar(c)), f.metrics.height()};
}

int QtAverageCharWidth(const SheetFont& font) {
  return FontFor(font).latinStep;
}

InkBox QtInkBox(const SheetFont& font, char16_t c) {
  const CachedFont& f = FontFor(font, c);
  const QRect ink = f.metrics.boundingRect(QChar(c));  // from the baseline origin
  if (ink.isEmpty()) return {0, 0, f.metrics.horizontalAdvance(QChar(c)), f.metrics.height()};
  return {ink.x(), ink.y() + f.metrics.ascent(), ink.width(), ink.height()};
}

}  // namespace

void InstallSheetTextMeasurer() {
  InstallTextMeasurer(TextMeasurer{QtCharacterExtent, QtAverageCharWidth, QtInkBox});
}

// ---- 2. Content ------------------------------------------------------------------------------------------

SheetContent CurrentSheetContent(bool model) {
  SheetContent content;
  content.model = model;
  content.latin = LatinMode.load() != 0;
  content.sendPractice = IsControlChecked(kSendRadio);
  // The event thread owns the document: paint what it last published.
  const SheetSnapshot shown = DisplayedSheets();
  content.shownPage = shown.shownPage;
  if (model) {
    // Copy receive: a telegram's model stays a blank form until its copy is closed.
    if (shown.modelHidden) return content;
    const Telegram& telegram = shown.model;
    for (size_t k = 0; k < telegram.fields.size(); ++k) {
      content.fields[k] =
          content.latin ? telegram.fields[k] : ExpandMorseText(telegram.fields[k], Script::kKana);
    }
    return content;
  }
  const LearnerCopy& copy = shown.working;
  content.fields = copy.entered;
  content.marks = copy.marks;
  const NextCell next = NextExpectedCell();
  if (shown.copyReceive) {
    // Until the telegram's copy is closed its cells are not marked: red would say what the model holds.
    if (shown.modelHidden) {
      for (std::u16string& marks : content.marks) marks.assign(marks.size(), u'1');
    }
    // The copy is the learner's own: no hint, but what is being typed shows where it goes.
    return WithPendingInput(content, next.field, next.position, TypedCopyPending() + CopyTypingComposition());
  }
  if (IsControlChecked(kShowNextHintCheck))
    content = WithNextHint(content, next.field, next.position, next.expected);
  return content;
}

// ---- 3. Executing ----------------------------------------------------------------------------------------

const QImage& FormPicture(int resourceId) {
  // Decoded once: a paint while keying must not unpack a PNG.
  static std::map<int, QImage> pictures;
  auto it = pictures.find(resourceId);
  if (it == pictures.end()) {
    std::string bytes;
    QImage image;
    if (ReadResourceBytes(resourceId, bytes)) {
      image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
      if (!image.isNull()) image = image.convertToFormat(QImage::Format_RGB32);
    }
    it = pictures.emplace(resourceId, image).first;
  }
  return it->second;
}

namespace {

QColor ToColor(const SheetColour& c) {
  return QColor(c.red, c.green, c.blue);
}

// White and the picture stretched into place, at the buffer's size. Shrinking averages the picture's pixels
// (thin rules stay visible); enlarging interpolates only the part inside the control.
bool DrawBackground(QImage& layer, const QSize& size, qreal ratio, const DrawOp& op) {
  const QImage& picture = FormPicture(op.picture);
  if (picture.isNull()) return false;
  layer = QImage(size * ratio, QImage::Format_RGB32);
  layer.setDevicePixelRatio(ratio);
  layer.fill(Qt::white);
  QPainter p(&layer);
  const QRect target(op.x, op.y, op.width, op.height);
  const QSize device = target.size() * ratio;
  if (device.width() <= picture.width() && device.height() <= picture.height()) {
    QImage scaled = picture.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(ratio);
    p.drawImage(target.topLeft(), scaled);
  } else {
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(target, picture);
  }
  return true;
}

void DrawCharacter(QPainter& p, const DrawOp& op) {
  const CachedFont& font = FontFor(op.font, op.character);
  p.setFont(font.font);
  p.setPen(ToColor(op.colour));
  const QString text(QChar(op.character));
  if (op.kind == DrawKind::kText) {
    p.drawText(QPoint(op.x, op.y + font.metrics.ascent()), text);
    return;
  }
  // Turned a quarter clockwise about the baseline centre.
  p.save();
  p.translate(op.x, op.y);
  p.rotate(90);
  p.drawText(QPoint(-font.metrics.horizontalAdvance(text) / 2, 0), text);
  p.restore();
}

// The list into the buffer; false when the form picture is missing (the rest is not drawn then: nothing
// is written on a form that is not there).
bool ExecuteDrawList(QPainter& p, const DrawList& list, const QSize& size, qreal ratio,
                     SheetBuffers& buffers) {
  for (const DrawOp& op : list) {
    switch (op.kind) {
      case DrawKind::kFillWhite:
        p.fillRect(QRect(op.x, op.y, op.width, op.height), Qt::white);
        break;
      case DrawKind::kPicture: {
        const QRect place(op.x, op.y, op.width, op.height);
        if (buffers.background.size() != size * ratio || buffers.picturePlace != place ||
            buffers.pictureResource != op.picture) {
          buffers.pictureResource = 0;
          if (!DrawBackground(buffers.background, size, ratio, op)) return false;
          buffers.picturePlace = place;
          buffers.pictureResource = op.picture;
        }
        p.drawImage(QPoint(0, 0), buffers.background);
        break;
      }
      case DrawKind::kText:
      case DrawKind::kRotatedText:
        DrawCharacter(p, op);
        break;
      case DrawKind::kBar:
        p.setPen(QPen(ToColor(op.colour), op.width, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(op.x, op.y - op.height / 2, op.x, op.y + op.height / 2);
        break;
    }
  }
  return true;
}

}  // namespace

void PaintSheetContent(QPainter& target, const QSize& size, qreal ratio, const SheetView& view,
                       const SheetContent& content, SheetBuffers& buffers) {
  if (size.width() <= 0 || size.height() <= 0) return;
  const DrawList list = SheetDrawList(view, content);
  if (buffers.buffer.size() != size * ratio) {
    buffers.buffer = QImage(size * ratio, QImage::Format_RGB32);
    buffers.buffer.setDevicePixelRatio(ratio);
  }
  {
    QPainter p(&buffers.buffer);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    ExecuteDrawList(p, list, size, ratio, buffers);
  }
  target.drawImage(QPoint(0, 0), buffers.buffer);
}

namespace {

SheetView CurrentSheetView(const QSize& size) {
  const PracticeSettings& s = practiceSettings;
  return {size.width(), size.height(), s.paperZoom.load(), s.PaperOffsetX.load(), s.PaperOffsetY.load()};
}

// Written by the window thread's paints; a bench reads it between them.
std::atomic<uint64_t> learnerPaints{0};
std::atomic<int64_t> learnerPaintedCells{0};

int64_t JudgedCells(const SheetContent& content) {
  int64_t cells = 0;
  for (const std::u16string& marks : content.marks) cells += static_cast<int64_t>(marks.size());
  return cells;
}

}  // namespace

void PaintSheet(QPainter& target, const QSize& size, qreal ratio, bool model, SheetBuffers& buffers) {
  if (size.width() <= 0 || size.height() <= 0) return;
  PaintSheetContent(target, size, ratio, CurrentSheetView(size), CurrentSheetContent(model), buffers);
}

SheetPaintMark LearnerSheetPaintMark() {
  return {learnerPaints.load(std::memory_order_acquire), learnerPaintedCells.load(std::memory_order_acquire)};
}

// ---- 4. Mouse --------------------------------------------------------------------------------------------

namespace {

// Owns the timer that saves a view change the throttle put off, and forwards the main window's own mouse.
class SheetViewForwarder : public QObject {
 public:
  explicit SheetViewForwarder(QWidget* mainWindow) : QObject(mainWindow), window_(mainWindow) {
    flush_.setSingleShot(true);
    flush_.setInterval(static_cast<int>(kViewSaveIntervalMs) + 50);
    connect(&flush_, &QTimer::timeout, this, []() { FlushViewSave(); });
    mainWindow->installEventFilter(this);
  }
  void ArmFlush() {
    if (sheetView.savePending) flush_.start();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
          StartDrag(mouse->position().toPoint().x(), mouse->position().toPoint().y(), kModelSheet);
        }
        return false;
      }
      case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        DragMove(at.x(), at.y(), kModelSheet, mouse->buttons() & Qt::LeftButton);
        ArmFlush();
        return false;
      }
      case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) EndDrag(kModelSheet);
        return false;
      case QEvent::WindowDeactivate:
        // Another window (a result window opening mid-drag) takes the mouse: its release never comes here.
        LoseDragCapture();
        return false;
      case QEvent::Wheel:
        // Turned over the window (or a control that does not take the wheel): zoom without an anchor.
        WheelZoom(static_cast<QWheelEvent*>(event)->angleDelta().y(), 0, 0, 0);
        ArmFlush();
        return true;
      default:
        return false;
    }
  }

 private:
  QWidget* window_;
  QTimer flush_;
};

QPointer<SheetViewForwarder> forwarder;

void ArmViewFlush() {
  if (SheetViewForwarder* f = forwarder.data()) f->ArmFlush();
}

}  // namespace

void InstallSheetHandlers(QWidget* mainWindow) {
  ResetSheetView();
  if (!forwarder) forwarder = new SheetViewForwarder(mainWindow);
}

SheetWidget::SheetWidget(bool model, QWidget* parent) : QWidget(parent), model_(model) {
  InstallSheetTextMeasurer();
  setAttribute(Qt::WA_OpaquePaintEvent, true);
}

int SheetWidget::ControlId() const {
  return model_ ? kModelSheet : kLearnerSheet;
}

void SheetWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const SheetContent content = CurrentSheetContent(model_);
  PaintSheetContent(p, size(), devicePixelRatioF(), CurrentSheetView(size()), content, buffers_);
  if (model_) return;
  learnerPaintedCells.store(JudgedCells(content), std::memory_order_release);
  learnerPaints.fetch_add(1, std::memory_order_acq_rel);
}

void SheetWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    StartDrag(event->position().toPoint().x(), event->position().toPoint().y(), ControlId());
  }
  event->accept();
}

void SheetWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  DragMove(at.x(), at.y(), ControlId(), event->buttons() & Qt::LeftButton);
  ArmViewFlush();
  event->accept();
}

void SheetWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) EndDrag(ControlId());
  event->accept();
}

void SheetWidget::wheelEvent(QWheelEvent* event) {
  const QPoint at = event->position().toPoint();
  WheelZoom(event->angleDelta().y(), at.x(), at.y(), ControlId());
  ArmViewFlush();
  event->accept();
}

void SheetWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    ResetSheetZoom();
    ArmViewFlush();
  }
  event->accept();
}

void SheetWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // Both sheets always have one size; the model sheet reports it once it is on screen, so a passing size
  // before the window's first layout does not pull the saved offsets in.
  if (model_ && isVisible()) SetSheetClientSize(width(), height());
}

void SheetWidget::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (model_) SetSheetClientSize(width(), height());
}
