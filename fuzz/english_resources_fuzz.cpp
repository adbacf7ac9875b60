// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as the English resources (dictionary before the first NUL byte, templates after it): parsing
// and expansion must keep every level in range, and filling any template must work.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "content/english_generator.h"
#include "content/random_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const size_t split = bytes.find('\0');
  const std::string_view dictionaryBytes = bytes.substr(0, split);
  const std::string_view templateBytes =
      split == std::string_view::npos ? std::string_view() : bytes.substr(split + 1);
  EnglishDictionary dictionary;
  EnglishTemplates templates;
  if (!ParseEnglishResources(dictionaryBytes, templateBytes, dictionary, templates)) return 0;
  for (const EnglishTemplate& t : templates) {
    if (t.minimumLevel < 0 || t.maximumLevel < t.minimumLevel ||
        (t.minimumLevel <= 4 && t.maximumLevel > 4)) {
      std::abort();
    }
  }
  for (const auto& [key, items] : dictionary) {
    if (key.empty() || items.empty()) std::abort();
  }
  SeedRandom(static_cast<uint32_t>(size));
  for (int level = 0; level <= 4; ++level) {
    const std::vector<int> candidates = EnglishCandidates(templates, level, u"ALL");
    for (int index : candidates) {
      const std::u16string text = FillEnglishTemplate(templates[static_cast<size_t>(index)].text, dictionary);
      if (!text.empty() && text.back() == u' ') std::abort();
      EnglishWordCount(text);
    }
  }
  return 0;
}
