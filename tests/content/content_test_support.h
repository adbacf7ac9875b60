// SPDX-License-Identifier: GPL-3.0-or-later
// What the content tests read out of a template: the keys of its "[KEY]" placeholders.
#pragma once
#include <vector>

// The keys in order of appearance, in the template's own string type; a "[" with no later "]" ends them.
template <typename String>
std::vector<String> Placeholders(const String& text) {
  std::vector<String> keys;
  for (size_t open = text.find('['); open != String::npos; open = text.find('[', open + 1)) {
    const size_t close = text.find(']', open);
    if (close == String::npos) break;
    keys.push_back(text.substr(open + 1, close - open - 1));
  }
  return keys;
}
