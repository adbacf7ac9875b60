// SPDX-License-Identifier: GPL-3.0-or-later
// The telegrams the sheets work from, as the statistics' 教材 mode lists them (the records know no
// documents, so the window and nemora-cli hand them over).
#pragma once
#include "records/statistics_report.h"

// Fills the material, its script and whether it was loaded or generated rather than the built-in samples.
void AddTelegramMaterial(StatisticsSources& sources);
