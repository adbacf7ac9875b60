// SPDX-License-Identifier: GPL-3.0-or-later
// The random generation command (button 7 "ランダム生成"): seeds the random source once per process, makes a
// batch for the current script (10 kana or 200 English telegrams) and installs it in place of the document.
// The batch is made on the window thread, which reads the controls; installing it is posted to the event
// thread, which owns the document, so a press during a run changes nothing under the judge.
#pragma once
#include <vector>

#include "content/telegram_document.h"

// The command: batch, install, message line and score line; nothing changes when the English generator
// has shown its message.
void GenerateRandomTelegrams();
// Seeds once, then the batch of the current script (kana: normal or second generation by check box
// 20006). False after the English generator's message.
bool GenerateRandomBatch(std::vector<Telegram>& batch);
// Installs a batch (posted to the event thread): empty learner copies, telegram 1 page 1, the judge at the
// number field, the texts of the message line (1108) and the score line (1104), the page labels and both
// sheets.
void InstallRandomBatch(std::vector<Telegram> batch);
