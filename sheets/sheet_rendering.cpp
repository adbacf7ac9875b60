// SPDX-License-Identifier: GPL-3.0-or-later
// Sheet rendering.
//
//   1. Placement and pages   SheetPictureRect, PageSlice, WithNextHint, SheetDrawList
//   2. Drawing steps         DrawVerticalText, DrawHorizontalText, DrawRotatedChar, DrawVerticalBar
//   3. Kana form             grid, header fields, address columns
//   4. Latin form            preamble, address, text lines
#include "sheets/sheet_rendering.h"

#include <algorithm>
#include <cmath>

#include "core/resources.h"
#include "sheets/form_geometry.h"

namespace {

constexpr char16_t kLongVowel = u'\u30FC';       // ー
constexpr char16_t kVoicedMark = u'\u309B';      // ゛
constexpr char16_t kSemiVoicedMark = u'\u309C';  // ゜
constexpr char16_t kClosingBracket = u'\u300D';  // 」
constexpr int kKanaPageSize = 60;
constexpr int kLatinPageSize = 208;
// The kana form is drawn 1.6 times its fitting size and lifted so that its header boxes and text grid fill
// the control: 135 pixels on the sheet of the 1540 x 1120 layout (610 x 650, fitting scale 0.65). The lift
// follows the fitting scale, so smaller windows and the full-sheet view frame the same part of the form;
// the zoom leaves it alone.
constexpr double kKanaLiftPixels = 135;
constexpr double kKanaLiftFitScale = 0.65;

// Offsets are not limited (a sheet may be moved out of sight), so positions are summed wide and kept in a
// range where later pixel arithmetic cannot overflow.
int ClampPixel(long long value) {
  return static_cast<int>(std::clamp<long long>(value, -100'000'000, 100'000'000));
}

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\u3000';
}

// Nothing visible to set: blanks (padding before a hint) and the line breaks a telegram file may keep.
bool IsInvisible(char16_t c) {
  return IsBlank(c) || c < 0x20;
}

std::u16string_view SubView(std::u16string_view text, size_t start, size_t length) {
  return start < text.size() ? text.substr(start, length) : std::u16string_view();
}

// Picture coordinates of the kana form to sheet pixels.
struct KanaScale {
  PictureRect picture;
  int X(int x) const { return picture.left + static_cast<int>(1LL * x * picture.width / kKanaFormWidth); }
  int Y(int y) const { return picture.top + static_cast<int>(1LL * y * picture.height / kKanaFormHeight); }
  int Thousandths(int n) const { return static_cast<int>(1LL * n * picture.height / 1000); }
};

// A column with more characters than its box holds is set closer, with the font shrunk alike, so that it
// ends inside the box instead of running over the grid or off the form.
struct ColumnFit {
  SheetFont font;
  int pitch;
};
ColumnFit FitColumn(SheetFont font, int pitch, size_t count, int available) {
  if (count == 0 || pitch <= 0 || static_cast<long long>(count) * pitch <= available) return {font, pitch};
  const int fitted = std::max(1, available / static_cast<int>(count));
  font.height = std::max(1, font.height * fitted / pitch);
  return {font, fitted};
}

void PushText(DrawList& list, const SheetFont& font, char16_t c, int x, int y, SheetColour colour) {
  DrawOp op;
  op.kind = DrawKind::kText;
  op.x = x;
  op.y = y;
  op.font = font;
  op.character = c;
  op.colour = colour;
  list.push_back(op);
}

}  // namespace

// ---- 1. Placement and pages ------------------------------------------------------------------------------

PictureRect SheetPictureRect(const SheetView& view, bool latin) {
  const double pictureWidth = latin ? kLatinFormWidth : kKanaFormWidth;
  const double pictureHeight = latin ? kLatinFormHeight : kKanaFormHeight;
  const double fit = std::min(view.clientHeight / pictureHeight, view.clientWidth / pictureWidth);
  const double scale = fit * view.zoom * (latin ? 1.02 : 1.6);
  const long long lift = latin ? 0 : std::llround(kKanaLiftPixels * fit / kKanaLiftFitScale);
  PictureRect rect;
  rect.width = static_cast<int>(std::floor(pictureWidth * scale));
  rect.height = static_cast<int>(std::floor(pictureHeight * scale));
  rect.left = ClampPixel((view.clientWidth - rect.width) / 2 + static_cast<long long>(view.offsetX));
  rect.top = ClampPixel((view.clientHeight - rect.height) / 2 + static_cast<long long>(view.offsetY) - lift);
  return rect;
}

std::u16string PageSlice(const std::u16string& text, int shownPage, int pageSize) {
  if (shownPage < 0 || pageSize <= 0) return {};
  const size_t start = static_cast<size_t>(shownPage) * static_cast<size_t>(pageSize);
  return start < text.size() ? text.substr(start, static_cast<size_t>(pageSize)) : std::u16string();
}

SheetContent WithNextHint(SheetContent content, int field, int position, char16_t expected) {
  if (field < 0 || field > 5 || position < 0 || expected == 0 || IsInvisible(expected)) return content;
  std::u16string& entered = content.fields[static_cast<size_t>(field)];
  std::u16string& marks = content.marks[static_cast<size_t>(field)];
  const size_t at = static_cast<size_t>(position);
  if (at < entered.size()) return content;
  // A missing mark reads as right, so padding with '1' changes no colour; blank cells show nothing.
  marks.resize(at, u'1');
  entered.resize(at, u' ');
  entered.push_back(expected);
  marks.push_back(kHintMark);
  return content;
}

SheetContent WithPendingInput(SheetContent content, int field, int position, std::u16string_view pending) {
  if (field < 0 || field > 5 || position < 0 || pending.empty()) return content;
  std::u16string& entered = content.fields[static_cast<size_t>(field)];
  std::u16string& marks = content.marks[static_cast<size_t>(field)];
  const size_t at = static_cast<size_t>(position);
  // Pending input stands where the next cell goes; a missing mark reads as right (see WithNextHint).
  entered.resize(at, u' ');
  marks.resize(at, u'1');
  entered.append(pending);
  marks.append(pending.size(), kPendingMark);
  return content;
}

DrawList SheetDrawList(const SheetView& view, const SheetContent& content) {
  DrawList list;
  if (view.clientWidth <= 0 || view.clientHeight <= 0) return list;
  list.reserve(200);
  DrawOp white;
  white.kind = DrawKind::kFillWhite;
  white.width = view.clientWidth;
  white.height = view.clientHeight;
  list.push_back(white);
  const PictureRect rect = SheetPictureRect(view, content.latin);
  DrawOp picture;
  picture.kind = DrawKind::kPicture;
  picture.x = rect.left;
  picture.y = rect.top;
  picture.width = rect.width;
  picture.height = rect.height;
  picture.picture = content.latin ? kResourceLatinForm : kResourceKanaForm;
  list.push_back(picture);
  if (content.latin) {
    DrawLatinForm(list, rect, content);
  } else {
    DrawKanaForm(list, rect, content);
  }
  return list;
}

// ---- 2. Drawing steps ------------------------------------------------------------------------------------

SheetColour MarkColour(std::u16string_view marks, size_t index) {
  if (index >= marks.size() || marks[index] == u'1') return kSheetBlack;
  if (marks[index] == kHintMark) return kSheetHintGrey;
  return marks[index] == kPendingMark ? kSheetPendingBlue : kSheetWrongRed;
}

bool IsRotatedBracket(char16_t c) {
  return c == u'(' || c == u')' || c == u'\uFF08' || c == u'\uFF09' || c == kClosingBracket;
}

void DrawRotatedChar(DrawList& list, int fontHeight, char16_t c, int x, int y, SheetColour colour) {
  DrawOp op;
  op.kind = DrawKind::kRotatedText;
  op.x = x;
  op.y = y;
  op.font = SheetFont{SheetFace::kBrush, fontHeight, true};
  op.character = c;
  op.colour = colour;
  list.push_back(op);
}

void DrawVerticalBar(DrawList& list, int size, int x, int y, SheetColour colour) {
  DrawOp op;
  op.kind = DrawKind::kBar;
  op.x = x;
  op.y = y;
  op.width = std::max(2, size / 8);
  op.height = std::max(8, 7 * size / 10);
  op.colour = colour;
  list.push_back(op);
}

void DrawVerticalText(DrawList& list, const SheetFont& font, int pitch, std::u16string_view text,
                      std::u16string_view marks, int x, int top) {
  for (size_t n = 0; n < text.size(); ++n) {
    const char16_t c = text[n];
    const SheetColour colour = MarkColour(marks, n);
    const int y = top + static_cast<int>(n) * pitch;
    if (IsRotatedBracket(c)) {
      DrawRotatedChar(list, pitch + pitch / 8, c, x - pitch / 3, y + 3 * pitch / 5, colour);
    } else if (c == kLongVowel) {
      DrawVerticalBar(list, pitch, x, y + pitch / 2, colour);
    } else if (c == kVoicedMark || c == kSemiVoicedMark) {
      // By its ink, as in the grid: upper right of its place in the column.
      const InkBox ink = MeasureInk(font, c);
      PushText(list, font, c, x + pitch / 4 - ink.width / 2 - ink.x, y - ink.y, colour);
    } else if (!IsInvisible(c)) {
      PushText(list, font, c, x - MeasureCharacter(font, c).width / 2, y, colour);
    }
  }
}

void DrawHorizontalText(DrawList& list, const SheetFont& font, std::u16string_view text, int x, int y,
                        std::u16string_view marks, bool model) {
  const int step = AverageCharWidth(font);
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsInvisible(c)) continue;
    PushText(list, font, c, x + static_cast<int>(i) * step, y, model ? kSheetBlack : MarkColour(marks, i));
  }
}

// ---- 3. Kana form ----------------------------------------------------------------------------------------

namespace {

void DrawKanaCell(DrawList& list, const KanaScale& k, const SheetFont& font, int index, char16_t c,
                  SheetColour colour) {
  const int column = index / kKanaGridRows;
  const int row = index % kKanaGridRows;
  const int cx = k.X(kKanaColumnEdges[column + 1]);
  const int cw = k.X(kKanaColumnEdges[column]) - cx;
  const int cy = k.Y(kKanaRowEdges[row]);
  const int ch = k.Y(kKanaRowEdges[row + 1]) - cy;
  if (c == kLongVowel) {
    DrawVerticalBar(list, font.height, cx + cw / 2, cy + ch / 2, colour);
  } else if (c == kClosingBracket) {
    DrawRotatedChar(list, font.height, c, cx + cw / 2 - k.Thousandths(8), cy + ch / 2 + k.Thousandths(12),
                    colour);
  } else if (IsRotatedBracket(c)) {
    DrawRotatedChar(list, font.height, c, cx + cw / 4, cy + ch / 2, colour);
  } else if (c == kVoicedMark || c == kSemiVoicedMark) {
    // The sound marks belong at the upper right of the kana before them. Faces set them anywhere in their
    // advance (the brush face at the left of a full-width one), so they are placed by their ink: its centre
    // on the centre of the cell's upper-right quarter, moved a little further up and right, and kept inside
    // the cell.
    const InkBox ink = MeasureInk(font, c);
    const int inkLeft =
        std::clamp(cx + 3 * cw / 4 + k.Thousandths(5) - ink.width / 2, cx, cx + cw - ink.width);
    const int inkTop = std::clamp(cy + ch / 4 - k.Thousandths(4) - ink.height / 2, cy, cy + ch - ink.height);
    PushText(list, font, c, inkLeft - ink.x, inkTop - ink.y, colour);
  } else if (!IsInvisible(c)) {
    const TextExtent extent = MeasureCharacter(font, c);
    PushText(list, font, c, cx + (cw - extent.width) / 2, cy + (ch - extent.height) / 2, colour);
  }
}

// A header field that ends inside its box. A field longer than the box is set closer with the font shrunk
// alike, but below 60 % of the font it could no longer be read: such a field goes on in a second column
// (vertical writing: the first half on the right, the rest on the left), each half-box wide.
constexpr int kLeastReadablePercent = 60;
constexpr int kEmPercent = 85;  // a full-width character is as wide as its em, 85 % of the cell height

void DrawHeaderColumn(DrawList& list, const KanaScale& k, std::u16string_view text, std::u16string_view marks,
                      int centreX, bool mayWrap) {
  const SheetFont font{SheetFace::kBrush, k.Thousandths(kKanaHeaderFont), true};
  const int pitch = k.Thousandths(kKanaHeaderPitch);
  const int top = k.Y(kKanaHeaderTop);
  const int available = k.Y(kKanaHeaderBottom) - top;
  const ColumnFit single = FitColumn(font, pitch, text.size(), available);
  if (!mayWrap || text.size() < 2 || single.pitch * 100 >= pitch * kLeastReadablePercent) {
    DrawVerticalText(list, single.font, single.pitch, text, marks, k.X(centreX), top);
    return;
  }
  const size_t firstLength = (text.size() + 1) / 2;
  ColumnFit fit = FitColumn(font, pitch, firstLength, available);
  // Two columns share the box: neither may be wider than its half.
  const int halfBox = k.X(centreX + kKanaHeaderBoxHalfWidth) - k.X(centreX);
  if (fit.font.height * kEmPercent / 100 > halfBox) fit.font.height = std::max(1, halfBox * 100 / kEmPercent);
  const int offset = halfBox / 2;
  DrawVerticalText(list, fit.font, fit.pitch, text.substr(0, firstLength), SubView(marks, 0, firstLength),
                   k.X(centreX) + offset, top);
  DrawVerticalText(list, fit.font, fit.pitch, text.substr(firstLength),
                   SubView(marks, firstLength, text.npos), k.X(centreX) - offset, top);
}

void DrawKanaHeader(DrawList& list, const KanaScale& k, const SheetContent& content) {
  auto marksOf = [&](int field) -> std::u16string_view {
    return content.model ? std::u16string_view() : std::u16string_view(content.marks[field]);
  };
  const std::u16string_view office = content.fields[1];
  const std::u16string_view officeMarks = marksOf(1);
  const size_t first = kKanaOfficeFirstColumn;
  if (!content.fields[3].empty()) {
    DrawHeaderColumn(list, k, content.fields[3], marksOf(3), kKanaTimeCentreX, true);
  }
  DrawHeaderColumn(list, k, content.fields[2], marksOf(2), kKanaCountCentreX, true);
  // The office has its second column already.
  DrawHeaderColumn(list, k, office.substr(0, first),
                   officeMarks.substr(0, std::min(first, officeMarks.size())), kKanaOfficeCentreX, false);
  DrawHeaderColumn(list, k, SubView(office, first, office.npos), SubView(officeMarks, first, office.npos),
                   kKanaOfficeSecondCentreX, false);
  DrawHeaderColumn(list, k, content.fields[0], marksOf(0), kKanaNumberCentreX, true);
}

void DrawKanaAddress(DrawList& list, const KanaScale& k, const SheetContent& content) {
  const std::u16string_view address = content.fields[4];
  const std::u16string_view marks = content.model ? std::u16string_view() : content.marks[4];
  const SheetFont font{SheetFace::kBrush, k.Thousandths(kKanaAddressFont), true};
  const int top = k.Y(kKanaAddressTop);
  const int available = k.Y(kKanaAddressBottom) - top;
  const std::vector<TextPiece> columns = CutAddressColumns(address);
  for (size_t column = 0; column < columns.size(); ++column) {
    const TextPiece& piece = columns[column];
    const ColumnFit fit = FitColumn(font, k.Thousandths(kKanaAddressPitch), piece.length, available);
    const int x =
        k.X(kKanaAddressCentreX) - static_cast<int>(column) * k.Thousandths(kKanaAddressColumnPitch);
    DrawVerticalText(list, fit.font, fit.pitch, address.substr(piece.start, piece.length),
                     SubView(marks, piece.start, piece.length), x, top);
  }
}

}  // namespace

void DrawKanaForm(DrawList& list, const PictureRect& picture, const SheetContent& content) {
  const KanaScale k{picture};
  const SheetFont grid{SheetFace::kBrush, k.Thousandths(kKanaGridFont), true};
  const std::u16string slice = PageSlice(content.fields[5], content.shownPage, kKanaPageSize);
  const std::u16string marks =
      content.model ? std::u16string() : PageSlice(content.marks[5], content.shownPage, kKanaPageSize);
  const int cells = std::min<int>(static_cast<int>(slice.size()), kKanaGridColumns * kKanaGridRows);
  for (int i = 0; i < cells; ++i) {
    DrawKanaCell(list, k, grid, i, slice[static_cast<size_t>(i)], MarkColour(marks, static_cast<size_t>(i)));
  }
  DrawKanaHeader(list, k, content);
  DrawKanaAddress(list, k, content);
}

std::vector<TextPiece> CutAddressColumns(std::u16string_view address) {
  std::vector<TextPiece> columns;
  size_t start = 0;
  for (size_t i = 0; i < address.size(); ++i) {
    if (address[i] != kClosingBracket) continue;
    if (columns.size() < kKanaAddressColumns) columns.push_back({start, i + 1 - start});
    start = i + 1;
  }
  if (start < address.size() && columns.size() < kKanaAddressColumns) {
    columns.push_back({start, address.size() - start});
  }
  return columns;
}

// ---- 4. Latin form ---------------------------------------------------------------------------------------

std::vector<TextPiece> CutLatinLines(std::u16string_view slice, bool fixedLines) {
  std::vector<TextPiece> lines;
  const size_t size = slice.size();
  const size_t width = kLatinLineLength;
  if (fixedLines) {
    for (size_t start = 0; start < size && lines.size() < kLatinTextLines; start += width) {
      lines.push_back({start, std::min(width, size - start)});
    }
    return lines;
  }
  size_t s = 0;
  while (s < size && lines.size() < kLatinTextLines) {
    size_t length = size - s;
    if (length > width) {
      const size_t blank = slice.rfind(u' ', s + width);
      length = (blank != slice.npos && blank > s) ? blank - s : width;
    }
    lines.push_back({s, length});
    s += length;
    while (s < size && slice[s] == u' ') ++s;
  }
  return lines;
}

void DrawLatinForm(DrawList& list, const PictureRect& picture, const SheetContent& content) {
  const int w = picture.width;
  const int h = picture.height;
  auto down = [&](double fraction) { return picture.top + static_cast<int>(std::floor(fraction * h)); };
  const SheetFont font{SheetFace::kGothic, static_cast<int>(std::floor(kLatinFont * h)), true};
  const int x = picture.left + static_cast<int>(std::floor(kLatinMargin * w));
  const bool model = content.model;
  DrawHorizontalText(list, font, content.fields[0], x, down(kLatinPreambleY), content.marks[0], model);
  DrawHorizontalText(list, font, content.fields[4], x, down(kLatinAddressY), content.marks[4], model);
  const std::u16string slice = PageSlice(content.fields[5], content.shownPage, kLatinPageSize);
  const std::u16string marks =
      model ? std::u16string() : PageSlice(content.marks[5], content.shownPage, kLatinPageSize);
  const std::vector<TextPiece> lines = CutLatinLines(slice, content.sendPractice);
  for (size_t n = 0; n < lines.size(); ++n) {
    const TextPiece& line = lines[n];
    DrawHorizontalText(list, font, std::u16string_view(slice).substr(line.start, line.length), x,
                       down(kLatinTextY + kLatinTextLineStep * static_cast<double>(n)),
                       SubView(marks, line.start, line.length), model);
  }
}
