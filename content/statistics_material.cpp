#include "content/statistics_material.h"

#include "content/telegram_document.h"
#include "core/settings.h"

void AddTelegramMaterial(StatisticsSources& sources) {
  sources.latin = LatinMode.load() != 0;
  sources.materialLoaded = telegramDocument.loaded;
  sources.material.clear();
  for (int i = 0; i < TelegramCount(); ++i) {
    const Telegram telegram = TelegramAt(i);
    MaterialTelegram t;
    t.number = telegram.fields[0];
    t.office = telegram.fields[1];
    t.addressLength = static_cast<int32_t>(telegram.fields[4].size());
    t.textLength = static_cast<int32_t>(telegram.fields[5].size());
    sources.material.push_back(std::move(t));
  }
}
