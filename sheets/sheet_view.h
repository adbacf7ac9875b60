// SPDX-License-Identifier: GPL-3.0-or-later
// The sheet view: dragging moves both sheets, the wheel zooms them, a double-click puts them back, and the
// view is kept in the settings.
// Zoom and offsets are the PracticeSettings fields paperZoom, PaperOffsetX and PaperOffsetY, shared by both
// sheets; every change invalidates both sheets.
//
// Saving: a drag sends a move per mouse event and the settings file is written safely (sync + rename), so
// one write per move would stutter the drag. Changes are saved at most every kViewSaveIntervalMs while
// they go on, and once more when the drag ends; the window flushes a pending save shortly after the last
// wheel step (FlushViewSave).
//
// Thread: the window thread only (tests: the test thread).
#pragma once
#include <cstdint>

constexpr double kMinSheetZoom = 0.1;
constexpr double kMaxSheetZoom = 5.0;
constexpr double kSheetZoomStep = 1.1;
constexpr int kWheelNotch = 120;  // wheel distance of one notch of an ordinary mouse wheel
constexpr uint32_t kViewSaveIntervalMs = 250;

struct SheetViewState {
  bool dragging = false;
  int lastX = 0;  // last mouse position of the drag, in the coordinates of the window that started it
  int lastY = 0;
  int wheelDistance = 0;  // turned but not yet a notch (fine-grained wheels and touchpads)
  bool savePending = false;
  bool saved = false;  // lastSaveMs is meaningful
  uint32_t lastSaveMs = 0;
  int sheetWidth = 0;  // client size of the sheets (both the same); 0 until the window lays them out
  int sheetHeight = 0;
};
extern SheetViewState sheetView;

// Windows are named by control id: kModelSheet, kLearnerSheet, or 0 for the main window itself.
bool IsSheetControl(int windowId);

// Left button pressed: starts a drag only over one of the sheets (the main window forwards its own
// presses with the model sheet as the window).
void StartDrag(int x, int y, int windowId);
// Mouse moved: while dragging with the button held, moves both sheets by the distance since the last move.
// A move without the button ends the drag.
void DragMove(int x, int y, int windowId, bool leftButtonDown);
void EndDrag(int windowId);
// The window lost the mouse (another window grabbed it): the drag ends.
void LoseDragCapture();

// One wheel message: distance in eighths of a degree (positive away from the user), the cursor in the
// client coordinates of windowId. A notch zooms by 1.1 (in or out), limited to 0.1 .. 5.0; over a sheet the
// point under the cursor stays nearly where it was. Smaller distances add up until they make a notch.
void WheelZoom(int distance, int x, int y, int windowId);
// The zoom one wheel step makes of z0 (direction > 0 in, < 0 out), limited to 0.1 .. 5.0.
double SteppedZoom(double z0, int direction);

// Double-click on a sheet: zoom 1.0 and no offsets, the view the sheets start from.
void ResetSheetZoom();
// The sheets' client size, given by the window whenever it changes; the offsets are then kept within it.
void SetSheetClientSize(int width, int height);
// Offsets are kept so that at least a quarter of the form (or the whole sheet, when a quarter of the form
// is larger) stays in the sheet in each direction: a form dragged off, or left in a corner by zooming out,
// cannot be lost for good, since the view is saved. Nothing is clamped before the size is known.
void ClampSheetOffsets();

// Saves the view now if a change is waiting; true when there is one.
bool FlushViewSave();
// Forgets the drag and the save schedule (tests, and before the window loads the settings).
void ResetSheetView();
