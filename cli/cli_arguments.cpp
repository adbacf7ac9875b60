// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_arguments.h"

bool ParseWholeNumber(std::string_view text, long long low, long long high, long long& value) {
  const bool negative = !text.empty() && text[0] == '-';
  const std::string_view digits = negative ? text.substr(1) : text;
  if (digits.empty() || digits.size() > 10) return false;
  long long number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  if (negative) number = -number;
  if (number < low || number > high) return false;
  value = number;
  return true;
}
