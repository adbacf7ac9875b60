// SPDX-License-Identifier: GPL-3.0-or-later
// The two telegram sheets on screen: each paint executes the draw list that sheets/sheet_rendering.h
// computes, and the mouse works the sheet view of sheets/sheet_view.h.
#pragma once
#include <QImage>
#include <QRect>
#include <QWidget>
#include <cstdint>

#include "sheets/sheet_rendering.h"

// The images a sheet keeps between paints.
struct SheetBuffers {
  QImage buffer;      // the paint is drawn here first and copied in one block: no flicker while keying
  QImage background;  // white and the form picture, kept while the picture's place and the size stay
  QRect picturePlace;
  int pictureResource = 0;  // 0: background not valid
};

class SheetWidget : public QWidget {
  Q_OBJECT
 public:
  SheetWidget(bool model, QWidget* parent);
  int ControlId() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  bool model_;
  SheetBuffers buffers_;
};

// What a sheet shows now: the current telegram (model) or the learner's copy with the hint.
SheetContent CurrentSheetContent(bool model);
// One paint of a sheet of the given size into target, double-buffered.
void PaintSheet(QPainter& target, const QSize& size, qreal pixelRatio, bool model, SheetBuffers& buffers);
// The same for any view and content (the paint reads the settings and the document for them).
void PaintSheetContent(QPainter& target, const QSize& size, qreal pixelRatio, const SheetView& view,
                       const SheetContent& content, SheetBuffers& buffers);
// Whether the brush face draws c with ink; where it does not, the sheets set c in a plain serif face.
bool BrushFaceHasInk(char16_t c);
// The form picture decoded from the program's resources; null when it cannot be read.
const QImage& FormPicture(int resourceId);
// The learner's sheet as last painted, for benches that time a typed cell to the screen: paints so far and
// the judged cells of the copy that the last paint showed. Any thread.
struct SheetPaintMark {
  uint64_t paints = 0;
  int64_t judgedCells = 0;
};
SheetPaintMark LearnerSheetPaintMark();
// Measures characters in the window's fonts for the sheet geometry.
void InstallSheetTextMeasurer();
// The main window's own presses, moves, releases and wheel turns work the sheet view as well, and a save
// the view put off is made shortly after the last change.
void InstallSheetHandlers(QWidget* mainWindow);
