// SPDX-License-Identifier: GPL-3.0-or-later
// Draws Nemora's icon as SVG on standard output: a straight telegraph key (base, lever, knob) on a dark
// blue tile, with a dot and a dash under it. Every shape is a plain filled rectangle or circle on a 64-unit
// grid with edges on whole units, so the picture stays crisp down to 16 pixels, where one unit is a
// quarter pixel and the knob, lever and the dot-dash still read.
//
//   c++ -std=c++20 -o icon_svg tools/icon_svg.cpp && ./icon_svg > nemora.svg   (tools/make-icon.sh)
#include <cstdio>

namespace {

constexpr const char* kTile = "#1c375c";   // the statistics window's top band
constexpr const char* kBrass = "#f2c14e";  // lever and knob
constexpr const char* kBase = "#e8eef6";
constexpr const char* kSignal = "#eb8714";  // dot and dash, the chips' orange

void Rect(double x, double y, double w, double h, const char* fill, double radius = 0) {
  std::printf("  <rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" rx=\"%g\" fill=\"%s\"/>\n", x, y, w, h,
              radius, fill);
}

void Circle(double cx, double cy, double r, const char* fill) {
  std::printf("  <circle cx=\"%g\" cy=\"%g\" r=\"%g\" fill=\"%s\"/>\n", cx, cy, r, fill);
}

}  // namespace

int main() {
  std::printf(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n");
  std::printf("  <title>Nemora</title>\n");
  Rect(2, 2, 60, 60, kTile, 12);
  // The key: a base plate, the pivot post, the lever tilting down towards the knob, and the contact post.
  Rect(8, 36, 48, 8, kBase, 2);
  Rect(14, 28, 8, 8, kBase, 1);
  std::printf("  <polygon points=\"10,26 44,22 44,28 10,30\" fill=\"%s\"/>\n", kBrass);
  Circle(46, 22, 9, kBrass);
  Rect(40, 32, 6, 4, kBase);
  // Dot and dash.
  Circle(17, 52, 4, kSignal);
  Rect(26, 48, 28, 8, kSignal, 4);
  std::printf("</svg>\n");
  return 0;
}
