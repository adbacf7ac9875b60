// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window_layout.h"

#include <algorithm>

#include "core/control_ids.h"

namespace {

using K = ControlKind;
using F = FontGroup;

std::vector<ControlDefinition> BuildControls() {
  std::vector<ControlDefinition> c = {
      // Top row. Where a caption or value label would not fit its box at the font's own scale, the row is
      // spread over the room it had to spare: 苦手電報 gives 40 units to 間違っても先へ進む, the value labels
      // of the speed and tolerance rows take width from their sliders, and the learner's page label moves
      // left so that the rates (1104) no longer lie under it.
      {kRxStartButton, K::kButton, u"RX START", {270, 8, 120, 28}, F::kStandard},
      {kRxStopButton, K::kButton, u"RX STOP", {395, 8, 120, 28}, F::kStandard},
      {kPauseButton, K::kButton, u"一旦停止", {520, 8, 125, 28}, F::kStandard},
      {kResetButton, K::kButton, u"RESET", {650, 8, 95, 28}, F::kStandard},
      {kDemoButton, K::kButton, u"デモ送信", {750, 8, 115, 28}, F::kStandard},
      {kRandomButton, K::kButton, u"ランダム生成", {870, 8, 145, 28}, F::kStandard},
      {kAutoCheck, K::kCheckBox, u"AUTO", {1025, 8, 75, 28}, F::kStandard},
      {kKeyboardKeyerCheck, K::kCheckBox, u"キー電鍵", {1105, 8, 105, 28}, F::kStandard},
      {kWeakTelegramCheck, K::kCheckBox, u"苦手電報", {1215, 8, 105, 28}, F::kStandard},
      {kProceedCheck, K::kCheckBox, u"間違っても先へ進む", {1325, 8, 195, 28}, F::kStandard},
      // Second row.
      {kReceiveRadio, K::kRadio, u"受信", {270, 44, 90, 28}, F::kStandard, true},
      {kSendRadio, K::kRadio, u"送信", {365, 44, 90, 28}, F::kStandard},
      {kLatinRadio, K::kRadio, u"欧文", {585, 44, 80, 28}, F::kStandard, true},
      {kKanaRadio, K::kRadio, u"和文", {670, 44, 80, 28}, F::kStandard},
      // Receive practice judged from the learner's typed copy; beside the practice choices, after the
      // radio groups so that it joins neither.
      {kCopyReceiveCheck, K::kCheckBox, u"筆記受信", {460, 44, 120, 28}, F::kStandard},
      {kPortCombo, K::kCombo, u"", {755, 44, 310, 120}, F::kStandard},
      {kMessageLine, K::kLabel, u"", {1075, 43, 445, 32}, F::kStandard},
      // Third row.
      {kCategoryCaption, K::kLabel, u"カテゴリ", {270, 83, 85, 24}, F::kStandard},
      {kCategoryCombo, K::kCombo, u"", {355, 80, 285, 100}, F::kStandard},
      {kSecondGenerationCheck, K::kCheckBox, u"第2世代ランダム", {650, 80, 185, 28}, F::kStandard},
      {kAutoDifficultyCheck, K::kCheckBox, u"自動難易度", {840, 80, 145, 28}, F::kStandard},
      {kSoundTypeCaption, K::kLabel, u"音色", {995, 83, 55, 24}, F::kStandard},
      {kSoundTypeCombo, K::kCombo, u"", {1050, 80, 235, 100}, F::kStandard},
      {kLevelCaption, K::kLabel, u"学習レベル", {1295, 83, 90, 24}, F::kStandard},
      {kLevelCombo, K::kCombo, u"", {1385, 80, 135, 100}, F::kStandard},
      // Speed row: the speed and the effective speed side by side, as they are set together.
      {kSpeedLabel, K::kLabel, u"", {270, 119, 100, 24}, F::kStandard},
      {kSpeedSlider, K::kSlider, u"速度", {375, 114, 220, 34}, F::kStandard},
      {kEffectiveSpeedLabel, K::kLabel, u"", {605, 119, 145, 24}, F::kStandard},
      {kEffectiveSpeedSlider, K::kSlider, u"実効速度", {755, 114, 185, 34}, F::kStandard},
      {kScoreLine, K::kLabel, u"", {950, 115, 570, 32}, F::kStandard},
      // Tolerance rows; the tone's pitch at the end of the first, where the row had room.
      {kJudgeEaseLabel, K::kLabel, u"", {270, 155, 215, 24}, F::kStandard},
      {kJudgeEaseSlider, K::kSlider, u"判定しやすさ", {490, 150, 250, 34}, F::kStandard},
      {kElementToleranceLabel, K::kLabel, u"", {750, 155, 230, 24}, F::kStandard},
      {kElementToleranceSlider, K::kSlider, u"符号長許容度", {985, 150, 235, 34}, F::kStandard},
      {kFreqLabel, K::kLabel, u"", {1230, 155, 125, 24}, F::kStandard},
      {kFreqSlider, K::kSlider, u"周波数", {1360, 150, 160, 34}, F::kStandard},
      {kKeySoftnessLabel, K::kLabel, u"", {270, 191, 200, 24}, F::kStandard},
      {kKeySoftnessSlider, K::kSlider, u"打鍵の甘さ", {475, 186, 190, 34}, F::kStandard},
      {kCharSpeedLabel, K::kLabel, u"", {675, 191, 235, 24}, F::kStandard},
      {kCharSpeedSlider, K::kSlider, u"文字速度許容度", {915, 186, 190, 34}, F::kStandard},
      {kTotalEaseLabel, K::kLabel, u"", {1115, 191, 215, 24}, F::kStandard},
      {kTotalEaseSlider, K::kSlider, u"総合判定度", {1335, 186, 185, 34}, F::kStandard},
      // Option row.
      {kShowNextHintCheck, K::kCheckBox, u"次入力文字を薄灰色表示", {270, 224, 235, 28}, F::kStandard},
      {kAutoSpeedCheck, K::kCheckBox, u"正答率で速度自動調整", {515, 224, 235, 28}, F::kStandard},
      // The paddle: which keyer AUTO runs, the levers swapped, and the keyboard keys that are the levers.
      {kKeyerModeCaption, K::kLabel, u"キーヤー", {765, 227, 85, 24}, F::kStandard},
      {kKeyerModeCombo, K::kCombo, u"", {850, 224, 225, 120}, F::kStandard},
      {kPaddleReverseCheck, K::kCheckBox, u"パドル反転", {1085, 224, 125, 28}, F::kStandard},
      {kKeyBindingCaption, K::kLabel, u"キー割当", {1220, 227, 85, 24}, F::kStandard},
      {kKeyBindingCombo, K::kCombo, u"", {1305, 224, 215, 100}, F::kStandard},
      // Left column.
      {kLoadTelegramButton, K::kButton, u"電報読込", {10, 8, 240, 29}, F::kStandard},
      {kGuideButton, K::kButton, u"取扱説明", {10, 41, 240, 29}, F::kStandard},
      {kFullScreenButton, K::kButton, u"用紙全画面", {10, 74, 240, 29}, F::kStandard},
      {kStatisticsButton, K::kButton, u"現在の成績", {10, 107, 240, 29}, F::kStandard},
      {kHomeButton, K::kButton, u"ホーム", {10, 140, 240, 29}, F::kStandard},
      {kPreviousPageButton, K::kButton, u"前ページ", {10, 239, 240, 29}, F::kStandard},
      {kNextPageButton, K::kButton, u"次ページ", {10, 272, 240, 29}, F::kStandard},
      {kBandChirpCheck, K::kCheckBox, u"チャープ", {10, 464, 240, 29}, F::kLarge},
      {kBandUnevenCheck, K::kCheckBox, u"符号長ばらつき", {10, 495, 240, 29}, F::kLarge},
      {kActivityCaption, K::kLabel, u"混雑度", {10, 530, 105, 22}, F::kLarge},
      {kActivityCombo, K::kCombo, u"", {120, 526, 130, 100}, F::kLarge},
      {kBandPanelCaption, K::kLabel, u"受信環境・無線機効果", {10, 560, 240, 24}, F::kStandard},
      {kNoiseCaption, K::kLabel, u"ノイズレベル 0～100", {10, 586, 240, 20}, F::kStandard},
      {kNoiseSlider, K::kSlider, u"ノイズレベル", {10, 606, 240, 27}, F::kStandard},
      {kFilterCaption, K::kLabel, u"受信フィルタ幅", {10, 635, 240, 20}, F::kStandard},
      {kFilterCombo, K::kCombo, u"", {10, 655, 240, 75}, F::kStandard},
      // Sheets.
      {kModelTitle, K::kLabel, u"お手本", {520, 288, 120, 24}, F::kLarge},
      {kLearnerTitle, K::kLabel, u"ユーザー入力", {1160, 288, 160, 24}, F::kLarge},
      {kModelSheet, K::kSheet, u"お手本", {270, 312, 610, 650}, F::kNone},
      {kLearnerSheet, K::kSheet, u"ユーザー入力", {900, 312, 610, 650}, F::kNone},
      // Under the sheets.
      {kModelPageLabel, K::kLabel, u"1/1", {470, 975, 90, 28}, F::kLarge},
      {kLearnerPageLabel, K::kLabel, u"1/1", {905, 975, 90, 28}, F::kLarge},
      {kTelegramStatusLabel, K::kLabel, u"1通目 1/1ページ", {610, 975, 290, 28}, F::kLarge},
      {kRateLabel, K::kLabel, u"", {1000, 975, 510, 28}, F::kLarge},
      {kStatusLine1, K::kLabel, u"", {270, 1010, 610, 34}, F::kLarge},
      {kStatusLine2, K::kLabel, u"", {900, 1010, 610, 34}, F::kLarge},
  };
  const char16_t* bandConditions[] = {u"空電雑音", u"局間混信", u"フェージング", u"フラッター",
                                      u"不安定送信"};
  for (int i = 0; i < 5; ++i) {
    c.push_back({kBandQRNCheck + i, K::kCheckBox, bandConditions[i], {10, 309 + 31 * i, 240, 29}, F::kLarge});
  }
  const char16_t* receiverEffects[] = {u"AGC",
                                       u"IFフィルタ",
                                       u"CWピッチドリフト",
                                       u"エコー",
                                       u"マルチパス",
                                       u"雷ノイズ",
                                       u"隣接局混信",
                                       u"スプリット運用風混信",
                                       u"大気雑音",
                                       u"電源ハム",
                                       u"点火パルス雑音",
                                       u"AGCポンピング",
                                       u"狭帯域リンギング",
                                       u"受信機飽和"};
  for (int i = 0; i < 14; ++i) {
    c.push_back(
        {kBandAGCCheck + i, K::kCheckBox, receiverEffects[i], {10, 684 + 24 * i, 240, 23}, F::kStandard});
  }
  return c;
}

int MulDivRounded(int value, int numerator, int denominator) {
  long long product = static_cast<long long>(value) * numerator;
  long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

}  // namespace

const std::vector<ControlDefinition>& MainWindowControls() {
  static const std::vector<ControlDefinition> controls = BuildControls();
  return controls;
}

const ControlDefinition* FindControlDefinition(int id) {
  for (const ControlDefinition& c : MainWindowControls()) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

int ScalePercent(int clientWidth, int clientHeight) {
  int scale = std::min(MulDivRounded(clientWidth, 100, 1540), MulDivRounded(clientHeight, 100, 1120));
  return std::clamp(scale, 50, 130);
}

DesignRect PlaceRect(const DesignRect& d, int w, int h) {
  // The far edges are rounded like the near ones (size = far - near), so controls that touch in the design
  // never overlap by a rounding pixel.
  const int x = MulDivRounded(d.x, w, 1540);
  const int y = MulDivRounded(d.y, h, 1120);
  return {x, y, MulDivRounded(d.x + d.w, w, 1540) - x, MulDivRounded(d.y + d.h, h, 1120) - y};
}

bool FullSheetPlace(int id, DesignRect& place) {
  switch (id) {
    case kFullScreenButton:
      place = {10, 8, 180, 30};
      return true;
    case kModelTitle:
      place = {360, 8, 160, 30};
      return true;
    case kLearnerTitle:
      place = {1050, 8, 180, 30};
      return true;
    case kModelSheet:
      place = {10, 44, 750, 1026};
      return true;
    case kLearnerSheet:
      place = {780, 44, 750, 1026};
      return true;
    default:
      return false;
  }
}

int StandardFontHeight(int scalePercent) {
  return std::max(10, scalePercent * 20 / 100);
}
int LargeFontHeight(int scalePercent) {
  return std::max(10, scalePercent * 28 / 100);
}
