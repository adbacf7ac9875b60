// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a kana template file or as one of the kana content resources: every kept template line is
// trimmed, non-empty and no comment; every address keeps its prefecture.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "content/kana_tables.h"
#include "content/telegram_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const std::u16string& line : TemplateLinesFromBytes(bytes)) {
    std::u16string trimmed = line;
    TrimText(trimmed);
    if (line.empty() || line[0] == u'#' || trimmed != line) std::abort();
  }
  for (const SentenceTemplate& row : ParseSentenceTemplates(bytes)) {
    if (row.theme.empty() || row.text.empty()) std::abort();
  }
  ParseWordLists(bytes);
  const auto addresses = ParseAddresses(bytes);
  for (size_t i = 0; i < addresses.size(); ++i) {
    if (addresses[i].compare(0, kPrefectureParts[i].size(), kPrefectureParts[i]) != 0) std::abort();
  }
  return 0;
}
