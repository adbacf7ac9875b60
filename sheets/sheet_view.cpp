// SPDX-License-Identifier: GPL-3.0-or-later
#include "sheets/sheet_view.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/clock.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/settings.h"
#include "sheets/sheet_rendering.h"

SheetViewState sheetView;

namespace {

int32_t SaturatedAdd(int32_t a, long long b) {
  return static_cast<int32_t>(std::clamp<long long>(a + b, INT32_MIN, INT32_MAX));
}

// Truncation toward zero, kept inside the offsets' range.
int32_t Truncated(double value) {
  if (!std::isfinite(value)) return 0;
  return static_cast<int32_t>(std::clamp(std::trunc(value), double{INT32_MIN}, double{INT32_MAX}));
}

void SaveViewNow() {
  SaveSettings();
  sheetView.savePending = false;
  sheetView.saved = true;
  sheetView.lastSaveMs = TickMs();
}

// The offset range that keeps `keep` pixels of a picture of `size` (placed at base + offset) in a sheet of
// `client` pixels.
int32_t ClampOffset(int32_t offset, long long base, int size, int client) {
  const long long keep = std::min<long long>(size / 4, client);
  const long long low = keep - size - base;
  const long long high = client - keep - base;
  return static_cast<int32_t>(std::clamp<long long>(offset, std::max<long long>(low, INT32_MIN),
                                                    std::min<long long>(high, INT32_MAX)));
}

// The view changed: repaint both sheets; save unless a save happened within the interval.
void ViewChanged() {
  ClampSheetOffsets();
  InvalidateControl(kModelSheet);
  InvalidateControl(kLearnerSheet);
  if (!sheetView.saved || TickMs() - sheetView.lastSaveMs >= kViewSaveIntervalMs) {
    SaveViewNow();
  } else {
    sheetView.savePending = true;
  }
}

void StopDragging() {
  sheetView.dragging = false;
  FlushViewSave();
}

}  // namespace

bool IsSheetControl(int windowId) {
  return windowId == kModelSheet || windowId == kLearnerSheet;
}

void StartDrag(int x, int y, int windowId) {
  if (!IsSheetControl(windowId)) return;
  sheetView.dragging = true;
  sheetView.lastX = x;
  sheetView.lastY = y;
}

void DragMove(int x, int y, int windowId, bool leftButtonDown) {
  if (!sheetView.dragging) return;
  if (!leftButtonDown) {
    StopDragging();
    return;
  }
  PracticeSettings& s = practiceSettings;
  s.PaperOffsetX.store(SaturatedAdd(s.PaperOffsetX.load(), static_cast<long long>(x) - sheetView.lastX));
  s.PaperOffsetY.store(SaturatedAdd(s.PaperOffsetY.load(), static_cast<long long>(y) - sheetView.lastY));
  sheetView.lastX = x;
  sheetView.lastY = y;
  ViewChanged();
}

void EndDrag(int windowId) {
  if (sheetView.dragging) StopDragging();
}

void LoseDragCapture() {
  if (sheetView.dragging) StopDragging();
}

double SteppedZoom(double z0, int direction) {
  double zoom = z0;
  if (direction > 0) zoom = z0 * kSheetZoomStep;
  if (direction < 0) zoom = z0 / kSheetZoomStep;
  if (!std::isfinite(zoom)) zoom = 1.0;
  return std::clamp(zoom, kMinSheetZoom, kMaxSheetZoom);
}

void WheelZoom(int distance, int x, int y, int windowId) {
  if (distance == 0) return;
  // A turn back the other way starts counting afresh.
  if ((distance > 0) != (sheetView.wheelDistance > 0)) sheetView.wheelDistance = 0;
  sheetView.wheelDistance += distance;
  if (std::abs(sheetView.wheelDistance) < kWheelNotch) return;
  const int direction = sheetView.wheelDistance > 0 ? 1 : -1;
  sheetView.wheelDistance = 0;  // one step per message, however far it turned

  PracticeSettings& s = practiceSettings;
  const double z0 = s.paperZoom.load();
  const double zoom = SteppedZoom(z0, direction);
  s.paperZoom.store(zoom);
  if (IsSheetControl(windowId) && z0 > 0 && zoom != z0) {
    // Anchor the point under the cursor (the centring of the picture is left out, as the offsets are).
    const double m = zoom / z0;
    s.PaperOffsetX.store(Truncated(x - std::trunc(m * (x - static_cast<double>(s.PaperOffsetX.load())))));
    s.PaperOffsetY.store(Truncated(y - std::trunc(m * (y - static_cast<double>(s.PaperOffsetY.load())))));
  }
  ViewChanged();
}

void ClampSheetOffsets() {
  if (sheetView.sheetWidth <= 0 || sheetView.sheetHeight <= 0) return;
  PracticeSettings& s = practiceSettings;
  const bool latin = LatinMode.load() != 0;
  const SheetView centred{sheetView.sheetWidth, sheetView.sheetHeight, s.paperZoom.load(), 0, 0};
  const PictureRect at = SheetPictureRect(centred, latin);  // the picture's place without offsets
  s.PaperOffsetX.store(ClampOffset(s.PaperOffsetX.load(), at.left, at.width, sheetView.sheetWidth));
  s.PaperOffsetY.store(ClampOffset(s.PaperOffsetY.load(), at.top, at.height, sheetView.sheetHeight));
}

void SetSheetClientSize(int width, int height) {
  sheetView.sheetWidth = width;
  sheetView.sheetHeight = height;
  const int32_t x = practiceSettings.PaperOffsetX.load(), y = practiceSettings.PaperOffsetY.load();
  ClampSheetOffsets();
  if (x != practiceSettings.PaperOffsetX.load() || y != practiceSettings.PaperOffsetY.load()) ViewChanged();
}

void ResetSheetZoom() {
  practiceSettings.paperZoom.store(1.0);
  practiceSettings.PaperOffsetX.store(0);
  practiceSettings.PaperOffsetY.store(0);
  ViewChanged();
}

bool FlushViewSave() {
  if (!sheetView.savePending) return false;
  SaveViewNow();
  return true;
}

void ResetSheetView() {
  sheetView = SheetViewState{};
}
