// SPDX-License-Identifier: GPL-3.0-or-later
// The one place where Qt strings meet the program's UTF-16 text.
#pragma once
#include <QString>
#include <string>

inline QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::u16string FromQString(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}
