// SPDX-License-Identifier: GPL-3.0-or-later
// What the nemora-cli commands share: their exit codes and the reading of numeric option values.
#pragma once
#include <string_view>

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// A whole decimal number (optional '-', at most ten digits) within [low, high]; anything else is refused
// and leaves value untouched.
bool ParseWholeNumber(std::string_view text, long long low, long long high, long long& value);
