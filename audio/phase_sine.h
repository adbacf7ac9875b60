// SPDX-License-Identifier: GPL-3.0-or-later
// Sine for the audio thread: argument reduction and polynomial kernels, inline so the per-frame code of the
// tone synthesis and the band simulation calls no library function for its many sines and hashes.
//
// The phase accumulator is never wrapped and hash arguments reach 1e10 and more, where the C library's sin
// takes a path several times slower; reducing by quarter turns and evaluating fdlibm's kernels is as exact
// (within 1 ulp up to 2^32 turns) and costs a few nanoseconds.
#pragma once
#include <cmath>
#include <cstdint>

namespace phase_sine {

constexpr double kTwoPi = 6.283185307179586;
// 2 pi and pi/2 in three parts for argument reduction (Cody and Waite): the first two parts have 21
// significant bits, so their products with a whole number of turns (quadrants) below 2^32 are exact.
constexpr double kTwoPi1 = 6.283184051513672;
constexpr double kTwoPi2 = 1.2556656656670384e-06;
constexpr double kTwoPi3 = 2.4893488687586454e-13;
constexpr double kHalfPi1 = 1.570796012878418;
constexpr double kHalfPi2 = 3.139164164167596e-07;
constexpr double kHalfPi3 = 6.223372171896613e-14;
constexpr double kTwoOverPi = 0.6366197723675814;
// Beyond this the quadrant count could pass 2^32: whole turns are taken off first.
constexpr double kQuadrantLimit = 1.0e9;

inline double RoundToWhole(double v) {
  return static_cast<double>(static_cast<int64_t>(v + (v >= 0.0 ? 0.5 : -0.5)));
}

inline double ReduceTurns(double x) {
  double turns = RoundToWhole(x * (1.0 / kTwoPi));
  return ((x - turns * kTwoPi1) - turns * kTwoPi2) - turns * kTwoPi3;
}

// sin and cos on |r| <= pi/4 by the minimax polynomials of fdlibm's kernels (error below 1 ulp).
inline double KernelSin(double r) {
  double z = r * r;
  return r + r * z *
                 (-1.66666666666666324348e-01 +
                  z * (8.33333333332248946124e-03 +
                       z * (-1.98412698298579493134e-04 +
                            z * (2.75573137070700676789e-06 +
                                 z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)))));
}
inline double KernelCos(double r) {
  double z = r * r;
  return 1.0 - 0.5 * z +
         z * z *
             (4.16666666666666019037e-02 +
              z * (-1.38888888888741095749e-03 +
                   z * (2.48015872894767294178e-05 +
                        z * (-2.75573143513906633035e-07 +
                             z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11)))));
}

// x reduced to r in [-pi/4, pi/4] and its quadrant: x = r + quadrant * pi/2 (mod 2 pi).
inline double ReduceQuadrant(double x, uint32_t& quadrant) {
  if (std::fabs(x) >= kQuadrantLimit) [[unlikely]]
    x = ReduceTurns(x);
  double k = RoundToWhole(x * kTwoOverPi);
  quadrant = static_cast<uint32_t>(static_cast<int64_t>(k)) & 3u;
  return ((x - k * kHalfPi1) - k * kHalfPi2) - k * kHalfPi3;
}

// The quadrant picks kernel and sign by table lookup: it is random from call to call (hash arguments), and
// a branch on it would be mispredicted half the time.
constexpr double kQuadrantSign[4] = {1.0, 1.0, -1.0, -1.0};

inline void SinCos(double x, double& s, double& c) {
  uint32_t quadrant;
  double r = ReduceQuadrant(x, quadrant);
  const double kernels[2] = {KernelSin(r), KernelCos(r)};
  s = kernels[quadrant & 1u] * kQuadrantSign[quadrant];
  c = kernels[(quadrant & 1u) ^ 1u] * kQuadrantSign[(quadrant + 1u) & 3u];
}

// frac(v) = v - floor(v) for |v| < 2^62, without a library call.
inline double Fraction(double v) {
  double f = v - static_cast<double>(static_cast<int64_t>(v));
  return f < 0.0 ? f + 1.0 : f;
}

inline double Sin(double x) {
  uint32_t quadrant;
  double r = ReduceQuadrant(x, quadrant);
  const double kernels[2] = {KernelSin(r), KernelCos(r)};
  return kernels[quadrant & 1u] * kQuadrantSign[quadrant];
}

// 2 * frac(sin((n mod 1024) * 78.233 + v) * 43758.5453) - 1
inline float Hash(uint32_t n, double v) {
  double h = Sin(static_cast<double>(n & 1023u) * 78.233 + v) * 43758.5453;
  return static_cast<float>(2.0 * Fraction(h) - 1.0);
}

}  // namespace phase_sine
