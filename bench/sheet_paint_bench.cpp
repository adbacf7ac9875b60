// SPDX-License-Identifier: GPL-3.0-or-later
// One full paint of a telegram sheet with a full page, at the sheet's size in a 1540 x 1120 window
// (offscreen). Prints the median of many paints as kana_paint_ms= and latin_paint_ms= (the paint while
// keying: view unchanged), and the paint after each zoom step (the form picture scaled anew) as
// kana_zoom_paint_ms= and latin_zoom_paint_ms=.
//   sheet_paint_bench [--save FOLDER]   also writes the painted sheets as PNGs into FOLDER
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "content/telegram_document.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/morse_table.h"
#include "core/settings.h"
#include "practice/judging.h"
#include "ui/sheet_widget.h"
#include "ui/window_layout.h"

namespace {

constexpr int kRuns = 200;

// The built-in first telegram with its text repeated until it fills more than a page.
void LoadLongTelegram(int pageCells) {
  Telegram telegram = TelegramAt(0);
  const std::u16string text = telegram.fields[kText];
  while (static_cast<int>(telegram.fields[kText].size()) < pageCells + 20) {
    telegram.fields[kText] += (LatinMode.load() ? u" " : u"") + text;
  }
  ReplaceTelegrams({telegram});
}

// The learner's copy of the current telegram up to `cells` text cells, every seventh cell wrong.
void FillLearnerCopy(int cells) {
  const char16_t wrong = LatinMode.load() ? u'Q' : u'ア';
  LearnerCopy& copy = telegramDocument.working;
  for (int field = 0; field <= kText; ++field) {
    std::u16string model = ExpandedCurrentField(field);
    if (field == kText) model = model.substr(0, static_cast<size_t>(cells));
    copy.entered[field] = model;
    copy.marks[field] = std::u16string(model.size(), u'1');
    for (size_t i = 3; i < model.size(); i += 7) {
      copy.marks[field][i] = u'0';
      if (copy.entered[field][i] != u' ') copy.entered[field][i] = wrong;
    }
  }
  StoreWorkingRecord();
  judgeState.currentField = kText;
  judgeState.textPosition = cells;
  PublishSpaceExpected();
}

double MedianMs(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

// Median time of one paint; zoomEach: a different zoom before every paint.
double PaintMs(const QSize& size, bool model, bool zoomEach, QImage& target) {
  SheetBuffers buffers;
  std::vector<double> samples;
  for (int run = 0; run < kRuns; ++run) {
    if (zoomEach) practiceSettings.paperZoom.store(run % 2 == 0 ? 1.1 : 1.0);
    QPainter painter(&target);
    const auto start = std::chrono::steady_clock::now();
    PaintSheet(painter, size, 1.0, model, buffers);
    const auto end = std::chrono::steady_clock::now();
    samples.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  practiceSettings.paperZoom.store(1.0);
  return MedianMs(samples);
}

void Measure(const char* script, bool latin, const QSize& size, const char* saveFolder) {
  LatinMode.store(latin ? 1 : 0);
  SelectDecodingMap(latin ? Script::kLatin : Script::kKana);
  ResetTelegramDocument();
  ClearJudgeCache();
  const int pageCells = latin ? 208 : 60;
  LoadLongTelegram(pageCells);
  FillLearnerCopy(pageCells - 1);
  QImage target(size, QImage::Format_RGB32);
  double steady = 0;
  for (bool model : {true, false}) {
    steady = std::max(steady, PaintMs(size, model, false, target));
    if (saveFolder) {
      target.save(QDir(saveFolder).filePath(QString("%1_%2.png").arg(script, model ? "model" : "learner")));
    }
  }
  if (saveFolder) {
    // The learner's first cells close up, as after a few wheel notches over them.
    SheetBuffers buffers;
    practiceSettings.paperZoom.store(1.8);
    practiceSettings.PaperOffsetX.store(latin ? 260 : 180);
    practiceSettings.PaperOffsetY.store(latin ? 120 : 60);
    QPainter painter(&target);
    PaintSheet(painter, size, 1.0, false, buffers);
    painter.end();
    target.save(QDir(saveFolder).filePath(QString("%1_learner_zoomed.png").arg(script)));
    practiceSettings.paperZoom.store(1.0);
    practiceSettings.PaperOffsetX.store(0);
    practiceSettings.PaperOffsetY.store(0);
  }
  const double zoomed = PaintMs(size, false, true, target);
  std::printf("%s_paint_ms=%.2f\n%s_zoom_paint_ms=%.2f\n", script, steady, script, zoomed);
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const char* saveFolder = argc == 3 && std::strcmp(argv[1], "--save") == 0 ? argv[2] : nullptr;
  QApplication app(argc, argv);
  BuildMorseTables();
  ResetSettingsToDefaults();
  SetControlChecked(kShowNextHintCheck, true);
  InstallSheetTextMeasurer();
  const DesignRect sheet = PlaceRect(FindControlDefinition(kModelSheet)->normal, 1540, 1120);
  const QSize size(sheet.w, sheet.h);
  Measure("kana", false, size, saveFolder);
  Measure("latin", true, size, saveFolder);
  return 0;
}
