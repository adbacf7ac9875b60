// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the two empty telegram forms the sheets are painted on, as printed paper forms of a telegraph
// office: a faint paper tone, a coloured frame, ruled boxes and printed captions. The text grid, header
// boxes, address area and Latin lines sit exactly where sheets/form_geometry.h puts the writing.
//
// Built on demand, not with the program; the pictures are committed under resources/forms/:
//   cmake --build build --target draw_forms && build/draw_forms resources/forms
//
//   1. Paper and pens     paper tone, rules, captions
//   2. Kana form          708 x 1000, vertical writing
//   3. Latin form         1458 x 1032, horizontal writing
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sheets/form_geometry.h"

namespace {

// ---- 1. Paper and pens -----------------------------------------------------------------------------------

// Deterministic, so a redrawn picture only changes where the drawing changed.
struct Lcg {
  uint32_t state;
  int Next(int range) {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF) % range;
  }
};

// A cream paper with a slow, faint cloudiness and a few short fibres.
QImage Paper(int width, int height, QColor base, uint32_t seed) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const double cloud = 1.6 * std::sin(x * 0.013 + y * 0.004) +
                           1.2 * std::sin(y * 0.011 - x * 0.006 + 1.3) + 0.8 * std::sin((x + y) * 0.027);
      const int shade = static_cast<int>(std::lround(cloud));
      line[x] = qRgb(base.red() + shade, base.green() + shade, base.blue() + shade - 1);
    }
  }
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  Lcg random{seed};
  for (int i = 0; i < width * height / 2500; ++i) {
    const int x = random.Next(width), y = random.Next(height);
    const int dx = random.Next(17) - 8, dy = random.Next(17) - 8;
    const int tone = 200 + random.Next(30);
    p.setPen(QPen(QColor(tone, tone - 8, tone - 22, 60), 1));
    p.drawLine(x, y, x + dx, y + dy);
  }
  return image;
}

struct Pen {
  QPainter& p;
  QColor ink;
  QString family;

  void Rule(int x1, int y1, int x2, int y2, int width = 1) {
    p.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(ink, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setCosmetic(width == 1);
    p.setPen(pen);
    p.drawLine(x1, y1, x2, y2);
  }
  void Dotted(int x1, int y1, int x2, int y2) {
    p.setRenderHint(QPainter::Antialiasing, false);
    QColor faint = ink;
    faint.setAlpha(150);
    p.setPen(QPen(faint, 1, Qt::DotLine));
    p.drawLine(x1, y1, x2, y2);
  }
  // A box whose outline runs on the given edges (the pen grows inwards for wide rules).
  void Box(int left, int top, int right, int bottom, int width = 1) {
    for (int i = 0; i < width; ++i) {
      Rule(left + i, top + i, right - i, top + i);
      Rule(left + i, bottom - i, right - i, bottom - i);
      Rule(left + i, top + i, left + i, bottom - i);
      Rule(right - i, top + i, right - i, bottom - i);
    }
  }
  QFont Font(int pixels, bool bold = false) const {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
  }
  void Text(const QRect& box, const QString& text, int pixels, int align = Qt::AlignCenter, bool bold = false,
            int spacing = 0) {
    p.setRenderHint(QPainter::Antialiasing, true);
    QFont font = Font(pixels, bold);
    if (spacing) font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    p.setFont(font);
    p.setPen(ink);
    p.drawText(box, align | Qt::TextSingleLine, text);
  }
  // Printed top to bottom, one character per pitch, centred on x.
  void Vertical(int x, int top, const QString& text, int pixels, int pitch) {
    for (int i = 0; i < text.size(); ++i) {
      Text(QRect(x - pixels, top + i * pitch, 2 * pixels, pitch), text.mid(i, 1), pixels);
    }
  }
  void DashedCircle(QPoint centre, int radius) {
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(ink, 1.4, Qt::DashLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, radius, radius);
  }
};

// A cell with its caption printed small in a strip along its top.
void CaptionedCell(Pen& pen, int left, int top, int right, int bottom, const QString& caption, int strip,
                   int pixels) {
  pen.Box(left, top, right, bottom);
  pen.Rule(left, top + strip, right, top + strip);
  pen.Text(QRect(left, top, right - left, strip), caption, pixels);
}

// ---- 2. Kana form ----------------------------------------------------------------------------------------

QImage KanaForm() {
  QImage image = Paper(kKanaFormWidth, kKanaFormHeight, QColor(249, 245, 232), 5000);
  QPainter p(&image);
  Pen pen{p, QColor(170, 60, 42), QStringLiteral("Noto Serif CJK JP")};

  // Frame: a heavy outer rule and a thin inner one.
  pen.Box(12, 12, 695, 987, 3);
  pen.Box(20, 20, 687, 979);

  // Title band.
  pen.Text(QRect(150, 28, 408, 70), QStringLiteral("電報受信紙"), 44, Qt::AlignCenter, true, 14);
  pen.Box(36, 46, 104, 80);
  pen.Text(QRect(36, 46, 69, 35), QStringLiteral("和文"), 20, Qt::AlignCenter, true, 4);
  pen.Text(QRect(540, 46, 140, 35), QStringLiteral("第　　　　号"), 17);
  pen.Rule(28, 106, 679, 106, 2);
  pen.Rule(28, 111, 679, 111);

  // Office band: who took the telegram in and who carried it out, and the date stamp.
  const char* office[2][3] = {{"着信局", "着信時刻", "受信者"}, {"配達区", "送達時刻", "配達者"}};
  for (int row = 0; row < 2; ++row) {
    for (int column = 0; column < 3; ++column) {
      const int left = 30 + column * 176, top = 122 + row * 88;
      CaptionedCell(pen, left, top, left + 176, top + 88, QString::fromUtf8(office[row][column]), 24, 14);
    }
  }
  pen.DashedCircle(QPoint(620, 210), 58);
  pen.Text(QRect(580, 196, 80, 28), QStringLiteral("日附印"), 14, Qt::AlignCenter, false, 3);

  // Everything printed from the header boxes down keeps its captions where a sheet shows them at every
  // window size (kKanaSightCaptions); rules may run on past that, as the paper does.
  auto caption = [&](const char* text, int pixels) {
    for (const FormCaption& c : kKanaSightCaptions) {
      if (std::strcmp(c.text, text) != 0) continue;
      pen.Text(QRect(c.left, c.top, c.right - c.left, c.bottom - c.top), QString::fromUtf8(c.text), pixels);
      return;
    }
    std::fprintf(stderr, "draw_forms: no place for the caption %s\n", text);
    std::exit(1);
  };

  // Header boxes: captions in a strip, the values written down from kKanaHeaderTop.
  const int captionTop = kKanaCaptionTop, valueTop = 344, bottom = kKanaHeaderBottom;
  struct HeaderBox {
    int left, right;
    const char* caption;
  } boxes[] = {
      {30, 216, "記事"},
      {216, 276, "受付"},
      {276, 336, "取扱者"},
      {kKanaTimeCentreX - 21, kKanaTimeCentreX + 21, "時刻"},
      {kKanaCountCentreX - 21, kKanaCountCentreX + 21, "字数"},
      {kKanaOfficeSecondCentreX - 19, kKanaOfficeCentreX + 19, "発信局"},
      {kKanaNumberCentreX - 20, kKanaNumberCentreX + 20, "番号"},
  };
  for (const HeaderBox& box : boxes) {
    pen.Box(box.left, captionTop, box.right, bottom);
    pen.Rule(box.left, valueTop, box.right, valueTop);
    caption(box.caption, 15);
  }
  pen.Box(kKanaNumberCentreX + 20, captionTop, 679, bottom);
  pen.Dotted((kKanaOfficeCentreX + kKanaOfficeSecondCentreX) / 2, valueTop + 4,
             (kKanaOfficeCentreX + kKanaOfficeSecondCentreX) / 2, bottom - 4);

  // Text grid: ruled cells, a heavier outline, and the running count printed under each column.
  const int gridLeft = kKanaColumnEdges[kKanaGridColumns], gridRight = kKanaColumnEdges[0];
  const int gridTop = kKanaRowEdges[0], gridBottom = kKanaRowEdges[kKanaGridRows];
  for (int edge : kKanaColumnEdges) pen.Rule(edge, gridTop, edge, gridBottom);
  for (int edge : kKanaRowEdges) pen.Rule(gridLeft, edge, gridRight, edge);
  pen.Box(gridLeft - 1, gridTop - 1, gridRight + 1, gridBottom + 1, 2);
  for (int column = 0; column < kKanaGridColumns; ++column) {
    const int centre = (kKanaColumnEdges[column] + kKanaColumnEdges[column + 1]) / 2;
    pen.Text(QRect(centre - 20, gridBottom + 3, 40, 13), QString::number((column + 1) * kKanaGridRows), 11);
  }

  // Address: four columns right of the grid, with faint guides between them, its caption along the top.
  const int addressLeft = gridRight, addressRight = kKanaAddressCentreX + kKanaAddressColumnPitch / 2;
  pen.Box(addressLeft, gridTop - 1, addressRight, gridBottom + 1, 2);
  pen.Rule(addressLeft, kKanaAddressTop - 2, addressRight, kKanaAddressTop - 2);
  caption("宛先（住所氏名）", 14);
  for (int k = 1; k < kKanaAddressColumns; ++k) {
    const int x = kKanaAddressCentreX + kKanaAddressColumnPitch / 2 - k * kKanaAddressColumnPitch;
    pen.Dotted(x, kKanaAddressTop + 4, x, gridBottom - 10);
  }
  pen.Box(addressRight, gridTop - 1, 679, gridBottom + 1);

  // Fee, check and sender left of the grid, captions at the grid's side of their boxes.
  pen.Box(30, gridTop - 1, gridLeft - 4, 620);
  pen.Rule(30, 508, gridLeft - 4, 508);
  caption("料金", 15);
  pen.Text(QRect(gridLeft - 40, 590, 34, 24), QStringLiteral("円"), 15, Qt::AlignRight | Qt::AlignVCenter);
  pen.Box(30, 620, gridLeft - 4, 720);
  pen.Rule(30, 646, gridLeft - 4, 646);
  caption("照合", 15);
  pen.Box(30, 720, gridLeft - 4, gridBottom + 1);
  pen.Rule(gridLeft - 28, 720, gridLeft - 28, gridBottom + 1);
  pen.Vertical(gridLeft - 16, 732, QStringLiteral("発信人住所氏名"), 14, 24);

  // Footer: the reading note in sight; the inquiry note below it, for a sheet zoomed out.
  caption("本文は右の列から縦に一字ずつ。濁点・半濁点も一字に数えます。", 13);
  pen.Text(QRect(30, 958, 648, 18),
           QStringLiteral("この電報についてのお問い合わせには、番号と発信局名をお知らせください。"), 13);
  return image;
}

// ---- 3. Latin form ---------------------------------------------------------------------------------------

QImage LatinForm() {
  const int w = kLatinFormWidth, h = kLatinFormHeight;
  QImage image = Paper(w, h, QColor(248, 246, 236), 5004);
  QPainter p(&image);
  Pen pen{p, QColor(32, 74, 138), QStringLiteral("Noto Serif CJK JP")};
  auto down = [h](double fraction) { return static_cast<int>(std::floor(fraction * h)); };
  const int margin = static_cast<int>(std::floor(kLatinMargin * w));
  const int textHeight = static_cast<int>(std::floor(kLatinFont * h));

  pen.Box(12, 12, w - 13, h - 13, 4);
  pen.Box(22, 22, w - 23, h - 23);

  // Title band.
  CaptionedCell(pen, 40, 40, 300, 140, QStringLiteral("SERIAL No."), 30, 17);
  pen.Text(QRect(320, 30, 818, 90), QStringLiteral("TELEGRAM"), 72, Qt::AlignCenter, true, 18);
  pen.Text(QRect(320, 118, 818, 34), QStringLiteral("INTERNATIONAL SERVICE  ·  欧文電報"), 20,
           Qt::AlignCenter, false, 3);
  pen.DashedCircle(QPoint(1330, 96), 62);
  pen.Text(QRect(1268, 82, 124, 28), QStringLiteral("OFFICE STAMP"), 13);
  pen.Rule(30, 168, w - 31, 168, 3);
  pen.Rule(30, 175, w - 31, 175);

  // Message: preamble, address and text on ruled lines, captions in the left margin.
  const int messageRight = 1196;
  pen.Box(30, 186, messageRight, 826, 2);
  const int lineEnd = messageRight - 20;
  auto ruledLine = [&](int top) { pen.Rule(margin, top + textHeight + 5, lineEnd, top + textHeight + 5, 2); };
  auto marginCaption = [&](int top, const QString& caption, const QString& note) {
    pen.Text(QRect(40, top, margin - 50, textHeight - 10), caption, 17, Qt::AlignLeft | Qt::AlignVCenter,
             true, 1);
    if (!note.isEmpty()) pen.Text(QRect(40, top + textHeight - 10, margin - 44, 20), note, 12, Qt::AlignLeft);
  };
  const int preamble = down(kLatinPreambleY), address = down(kLatinAddressY);
  pen.Text(QRect(margin, preamble - 34, lineEnd - margin, 24),
           QStringLiteral(
               "Number  ·  Office of origin  ·  Words  ·  Date  ·  Hour  ·  Minutes  ·  Service indications"),
           14, Qt::AlignLeft | Qt::AlignVCenter);
  marginCaption(preamble, QStringLiteral("PREAMBLE"), QString());
  ruledLine(preamble);
  marginCaption(address, QStringLiteral("TO"), QStringLiteral("name and address"));
  ruledLine(address);
  pen.Rule(30, (address + textHeight + down(kLatinTextY)) / 2 + 2, messageRight,
           (address + textHeight + down(kLatinTextY)) / 2 + 2);
  marginCaption(down(kLatinTextY), QStringLiteral("TEXT"), QString());
  for (int n = 0; n < kLatinTextLines; ++n) ruledLine(down(kLatinTextY + kLatinTextLineStep * n));

  // Office use.
  pen.Box(1206, 186, w - 31, 826, 2);
  pen.Text(QRect(1206, 190, w - 31 - 1206, 40), QStringLiteral("RECEIVED"), 20, Qt::AlignCenter, true, 3);
  const char* office[] = {"Date", "Time", "From", "Circuit", "By", "Words checked"};
  for (int i = 0; i < 6; ++i) {
    const int top = 234 + i * 98;
    pen.Rule(1206, top, w - 31, top);
    pen.Text(QRect(1214, top + 4, 200, 20), QString::fromUtf8(office[i]), 14,
             Qt::AlignLeft | Qt::AlignVCenter);
  }

  // Sender and charges.
  CaptionedCell(pen, 30, 838, 900, 968, QStringLiteral("SENDER'S NAME AND ADDRESS  (not to be telegraphed)"),
                28, 14);
  CaptionedCell(pen, 910, 838, 1166, 968, QStringLiteral("CHARGES"), 28, 14);
  CaptionedCell(pen, 1166, 838, w - 31, 968, QStringLiteral("PAID"), 28, 14);
  pen.Text(QRect(30, 976, w - 60, 22),
           QStringLiteral(
               "For any inquiry about this telegram please quote its serial number and office of origin."),
           13);
  return image;
}

bool Save(const QImage& image, const QString& path) {
  if (image.convertToFormat(QImage::Format_RGB888).save(path, "PNG", 9)) return true;
  std::fprintf(stderr, "draw_forms: cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: draw_forms OUTPUT_FOLDER\n");
    return 2;
  }
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  const bool ok = Save(KanaForm(), folder.filePath(QStringLiteral("kana_form.png"))) &&
                  Save(LatinForm(), folder.filePath(QStringLiteral("latin_form.png")));
  return ok ? 0 : 1;
}
