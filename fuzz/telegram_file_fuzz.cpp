// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a telegram file: decoding and parsing must neither crash nor produce a telegram with an
// empty or untrimmed section.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "content/telegram_file.h"

namespace {
bool Trimmed(const std::u16string& field) {
  auto blank = [](char16_t c) {
    return c == u'\t' || c == u'\n' || c == u'\r' || c == u' ' || c == u'\u3000';
  };
  return !field.empty() && !blank(field.front()) && !blank(field.back());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::u16string text;
  if (!DecodeText(bytes, text)) return 0;
  std::vector<Telegram> telegrams;
  TelegramLayout layout = TelegramLayout::kKana;
  if (!ParseTelegramText(text, telegrams, layout)) return 0;
  for (const Telegram& telegram : telegrams) {
    for (int field = 0; field < 6; ++field) {
      const bool required =
          layout == TelegramLayout::kKana || field == kNumber || field == kAddress || field == kText;
      if (required && !Trimmed(telegram.fields[static_cast<size_t>(field)])) std::abort();
    }
  }
  return 0;
}
