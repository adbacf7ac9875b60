// SPDX-License-Identifier: GPL-3.0-or-later
#include "content/random_command.h"

#include <memory>

#include "content/english_generator.h"
#include "content/kana_generator.h"
#include "content/random_source.h"
#include "core/control_ids.h"
#include "core/controls.h"
#include "core/event_queue.h"

bool GenerateRandomBatch(std::vector<Telegram>& batch) {
  // Only the first call seeds: two presses within one second still give different batches.
  SeedRandomOnce();
  if (CurrentScript() == Script::kLatin) return GenerateEnglishBatch(batch);
  batch = GenerateKanaBatch();
  return true;
}

namespace {

// On the event thread, which owns the document.
void InstallRandomBatchNow(std::vector<Telegram> batch, bool latin, bool secondGeneration) {
  ReplaceTelegrams(std::move(batch));
  if (latin) SetCurrentScript(Script::kLatin);
  ResetLearnerCopies();
  judgeState.currentField = 0;
  judgeState.textPosition = 0;
  InvalidateControl(kLearnerSheet);
  LoadWorkingRecord();
  ClampCurrentPage();
  ShowTelegramStatus();
  SetStatusText(latin              ? u"欧文第2世代ランダム電報を生成しました"
                : secondGeneration ? u"第2世代ランダム電報を生成しました"
                                   : u"通常ランダム電報を生成しました");
  UpdatePageLabels();
  RefreshSheets();
  SetControlText(kRateLabel, latin              ? u"欧文第2世代ランダム電報 200通生成"
                             : secondGeneration ? u"第2世代ランダム電報 10通生成"
                                                : u"通常ランダム電報 10通生成");
}

}  // namespace

void InstallRandomBatch(std::vector<Telegram> batch) {
  const bool latin = CurrentScript() == Script::kLatin;
  const bool secondGeneration = IsControlChecked(kSecondGenerationCheck);
  auto shared = std::make_shared<std::vector<Telegram>>(std::move(batch));
  PostToEventThread([shared, latin, secondGeneration] {
    InstallRandomBatchNow(std::move(*shared), latin, secondGeneration);
  });
}

void GenerateRandomTelegrams() {
  std::vector<Telegram> batch;
  if (!GenerateRandomBatch(batch)) return;
  InstallRandomBatch(std::move(batch));
}
