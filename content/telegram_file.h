// SPDX-License-Identifier: GPL-3.0-or-later
// Telegram text files: the decoder shared with the template files, the two file layouts, loading a file into
// the telegram document and writing telegrams back out, and the kana generator's optional template files.
//
//   kana layout   [VALA] number  [VALB] office  [VALC] count  [VALD] time  [VALE] address  [TEXT] text
//   Latin layout  [Preamble] preamble line  [To] address  [Text] text
//
// A file containing "[VALA]" anywhere is kana, else it needs "[Preamble]". A section runs from its marker to
// the first line break followed by "[", the next "[VALA]", the next telegram's start marker or the end, and
// is trimmed. A telegram missing any section is skipped. Window thread (or nemora-cli).
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "content/telegram_document.h"

enum class TelegramLayout { kKana, kLatin };

// The message of every failed load.
inline constexpr std::u16string_view kTelegramFileUnreadable = u"和文電報テキストファイルを読み込めません。";

// ---- Text -------------------------------------------------------------------------------------------------
// UTF-16LE after an FF FE mark (an odd last byte dropped); else strict UTF-8 (an EF BB BF mark skipped);
// else CP932, the code page of Japanese Windows machines, with undecodable bytes as U+FFFD. Empty bytes give
// an empty text. False (text untouched) only when nothing decodes.
bool DecodeText(std::string_view bytes, std::u16string& text);
// Removes leading and trailing TAB, LF, CR, U+0020 and U+3000.
void TrimText(std::u16string& text);
// The trimmed content of the section introduced by marker, searched from start; the search and the content
// stop at limit (the next telegram's start marker). Empty when the marker is not found.
std::u16string SectionAfter(std::u16string_view text, std::u16string_view marker, size_t start,
                            size_t limit = std::u16string_view::npos);

// ---- Telegram files ---------------------------------------------------------------------------------------
// The complete telegrams of a decoded text, in file order; false (outputs untouched) when the text has
// neither layout's marker or no complete telegram.
bool ParseTelegramText(std::u16string text, std::vector<Telegram>& telegrams, TelegramLayout& layout);
// Reads (at most 64 MiB), decodes and parses the file and installs its telegrams: the layout sets the
// script, the working copy's fields are emptied and the judge goes back to the number field. False, with
// the document untouched, when the file gives no telegram.
bool LoadTelegramFile(const std::string& path);
// LoadTelegramFile, then the page labels and both sheets; on failure the "ERROR" message box.
bool OpenTelegramFile(const std::string& path);
// Telegrams as a UTF-8 telegram file of the layout (LF line ends), which LoadTelegramFile reads back.
std::string TelegramFileBytes(const std::vector<Telegram>& telegrams, TelegramLayout layout);

// ---- Template files of the kana generator -----------------------------------------------------------------
// templates_beginner.txt (levels 0, 1), templates_nature.txt (2, 3) or templates_exam.txt (4), in the
// program's file directory.
std::string TemplateFilePath(int learningLevel);
// The lines of a text that carry content: split at LF, each trimmed, blank lines and lines beginning with
// "#" left out. Template files and the compiled-in word lists and templates share this rule.
std::vector<std::u16string> ContentLines(std::u16string_view text);
// The candidate sentences of a template file's bytes: decoded, split at LF, trimmed, without blank lines and
// lines beginning with "#".
std::vector<std::u16string> TemplateLinesFromBytes(std::string_view bytes);
// The same from a file; none when it cannot be read or decoded.
std::vector<std::u16string> ReadTemplateLines(const std::string& path);
