// SPDX-License-Identifier: GPL-3.0-or-later
#include "content/statistics_material.h"

#include "content/telegram_document.h"
#include "core/settings.h"

void AddTelegramMaterial(StatisticsSources& sources) {
  sources.latin = LatinMode.load() != 0;
  // The window thread may ask while the event thread judges: the published copy, not the document.
  const std::shared_ptr<const PublishedTelegramSet> set = DisplayedTelegrams();
  sources.materialLoaded = set->loaded;
  sources.material.clear();
  for (const Telegram& telegram : set->telegrams) {
    MaterialTelegram t;
    t.number = telegram.fields[0];
    t.office = telegram.fields[1];
    t.addressLength = static_cast<int32_t>(telegram.fields[4].size());
    t.textLength = static_cast<int32_t>(telegram.fields[5].size());
    sources.material.push_back(std::move(t));
  }
}
