// SPDX-License-Identifier: GPL-3.0-or-later
// One sample of the Morse tone: oscillator phase, keying envelope and the six sound types.
//
// Pure arithmetic, called once per output frame on the audio thread (through the band simulation). The slow
// modulations depend on the buffer's millisecond tick only, so they are computed once per buffer into
// ToneTimeTerms; SynthesizeToneSample is the one-call form that computes them itself.
#pragma once
#include <cstdint>

// Sound types (INI key SoundType); any other value sounds as kSoundPlain.
enum SoundType : int32_t {
  kSoundPlain = 0,        // plain sine
  kSoundReceiver = 1,     // receiver-like: slow wobble, harmonics, soft limiting
  kSoundBright = 2,       // bright practice oscillator: sine blended with a square
  kSoundSoft = 3,         // soft sine with a slow tremolo
  kSoundOldReceiver = 4,  // drifting tone, 50 Hz hum, hiss, flutter
  kSoundBuzzer = 5,       // square plus sawtooth plus odd harmonics
};
constexpr int kSoundTypeCount = 6;
// Envelope step per frame while the tone-on state is 1 (+) or 0 (-): a 50-frame linear ramp.
constexpr float kEnvelopeStep = 0.02f;

// ---- Helpers (any thread, pure) ----
// x limited to -1..1.
float ClampUnit(float x);
// x / (|x| * 0.55 + 1): soft limiting, single precision.
float SoftClip(float x);
// Deterministic hash noise in -1..1 from the low 10 bits of n and a per-frame value y (a phase):
// 2 * frac(sin((n mod 1024) * 78.233 + y * 12.9898) * 43758.5453) - 1.
float HashNoise(uint32_t n, double y);
// The same hash with the y scaling left to the caller: HashNoise(n, y) == HashUnit(n, 12.9898 * y).
float HashUnit(uint32_t n, double v);
// sin(x), within 1 ulp for |x| up to 2.7e10 (exact reduction by up to 2^32 turns), for any size of x
// without the slow path of the C library for huge arguments (the phase accumulator is never wrapped and
// grows by up to 7540 rad/s).
double PhaseSin(double x);

// ---- Per-buffer terms (audio thread) ----
// Everything of the sound types that depends only on t = tick * 0.001 s.
struct ToneTimeTerms {
  uint32_t tickMs = 0;
  double receiverPhaseShift = 0;  // type 1: 0.018 sin(5.1 t) + 0.006 sin(13 t)
  double receiverGain = 1.45;     // type 1: (0.88 + 0.12 sin(18 t)) * 1.45
  double softTremolo = 0.92;      // type 3: 0.92 + 0.08 sin(3.2 t)
  double oldPhaseShift = 0;       // type 4: 0.06 sin(1.7 t) + 0.018 sin(6.8 t)
  double oldHum = 0;              // type 4: 0.075 sin(314.159... t), a 50 Hz hum stepped per buffer
  double oldGain = 1.75;          // type 4: (0.82 + 0.18 sin(9 t)) * 1.75
};
ToneTimeTerms ComputeToneTimeTerms(uint32_t tickMs);

// ---- One sample (audio thread) ----
// envelope in 0..1, phase in radians (the accumulator, possibly already modulated), soundType as above.
float SynthesizeToneSample(float envelope, double phase, int32_t soundType, uint32_t tickMs);
// Same with the per-buffer terms computed in advance (terms.tickMs seeds type 4's hiss).
float SynthesizeToneSampleWith(const ToneTimeTerms& terms, float envelope, double phase, int32_t soundType);
// The bright practice oscillator (type 2) from sin(phase) alone: the interfering stations keep their sine
// by rotation instead of calling sin every frame.
float BrightToneFromSine(float envelope, double sinPhase);
