// SPDX-License-Identifier: GPL-3.0-or-later
// Band-condition simulation: fading, chirp, flutter, interfering stations, static, crashes, echoes and
// receiver faults around the practice tone, one frame at a time.
//
// The audio thread calls PrepareBandBuffer once per output buffer (everything that depends only on the
// buffer's tick, Freq and the sound type) and BandFrame once per frame. The switches and levels are read
// from practiceSettings at every frame; the master switch is runFlags.bandMasterSwitch.
#pragma once
#include <cstdint>

#include "audio/tone_synthesis.h"

constexpr int kBandStationCount = 5;
constexpr uint32_t kDelayLineFrames = 48000;
// The receiver's filter on what comes from the air (stations, static, crashes, carriers): this many equal
// band-pass sections centred on the tone, together BandFilterWidth wide at -3 dB.
constexpr int kReceiverFilterSections = 3;

// Effect state, owned by the audio thread (one per renderer).
struct BandState {
  double stationPhase[kBandStationCount] = {};  // radians, wrapped to 0..2pi
  double stationSin[kBandStationCount] = {};    // sin and cos of stationPhase, advanced by rotation and
  double stationCos[kBandStationCount] = {1, 1, 1, 1, 1};  // recomputed exactly at every buffer
  float delayLine[kDelayLineFrames] = {};                  // echo and multipath history (the dry signal)
  uint32_t delayWriteIndex = 0;
  uint32_t keyDownTickMs = 0;        // tick of the last key-down, for the chirp
  int32_t previousKey = 0;           // key state of the previous frame, for the chirp
  uint32_t resetGenerationSeen = 0;  // last ResetBandSimulation request honoured
  // The receiver filter's sections (transposed form) for the air before the echo (stations, static) and
  // for the air after it.
  double filterState[2][kReceiverFilterSections][2] = {};
};

// One band-pass section's coefficients (unity gain at the centre): y = b0 x + s0; s0 = s1 - a1 y;
// s1 = -b0 x - a2 y.
struct ReceiverFilter {
  double b0 = 0, a1 = 0, a2 = 0;
};
// The section for a filter `widthHz` wide (all sections together) around centreHz; also used by tests.
ReceiverFilter DesignReceiverFilter(double centreHz, double widthHz, int32_t sampleRateHz);
// The receiver filter's width in Hz for a BandFilterWidth selection (0: 250, 1: 500, 2: 1000).
double ReceiverFilterWidthHz(int32_t selection);

// Per-buffer values (audio thread). BandFilterWidth is read here, once per buffer.
struct BandBuffer {
  uint32_t tickMs = 0;
  double timeS = 0;  // T = tick * 0.001
  int32_t sampleRateHz = 48000;
  int32_t freqHz = 800;
  int32_t soundType = 0;
  ToneTimeTerms tone;
  double pitchDrift = 1;                       // 1 + 0.01 sin(0.41 T) + 0.004 sin(1.17 T)
  double flutter[6] = {1, 1, 1, 1, 1, 1};      // flutter factor by activity 0..5
  double fading = 1;                           // fading factor on e
  double lidsPhase = 0;                        // 27 T
  double agcPump = 1;                          // 0.82 + 0.18 sin(4.6 T)
  double adjacentShift = 0;                    // 37 T
  double splitShift = 0;                       // 19 T
  double hum = 0;                              // 0.035 sin(314.159... T)
  double stationStep[kBandStationCount] = {};  // radians per frame of each station
  double stationStepSin[kBandStationCount] = {};
  double stationStepCos[kBandStationCount] = {};
  bool stationKeyed[kBandStationCount] = {};  // keying pattern at this tick
  ReceiverFilter receiver;                    // for the tone's pitch and BandFilterWidth
};
void PrepareBandBuffer(BandBuffer& buffer, uint32_t tickMs, int32_t sampleRateHz, int32_t freqHz,
                       int32_t soundType);

// One frame (audio thread). key is the tone-on state applied to this frame, envelope e, phase the
// accumulator. increment is set to the frame's phase increment (omega, bent by drift, chirp and flutter).
// Returns the sample in -1..1. With the master switch off this is the plain tone and increment = omega.
float BandFrame(BandState& state, const BandBuffer& buffer, int32_t key, float envelope, double phase,
                double& increment, double omega);

// Playback thread: the element length varied by BandUnevenLength (input unchanged when it is off), at
// least 20 ms. Independent of the master switch.
uint32_t UnevenElementLength(uint32_t durationMs, bool dash, uint32_t tickMs);

// Any thread (RX STOP): master switch off, and the interfering stations restart from phase 0 at the audio
// thread's next buffer (a request, so the audio thread stays the only writer of its state).
void ResetBandSimulation();
// Audio thread, once per buffer before its frames: honours a pending ResetBandSimulation request and
// refreshes the stations' sines from their phases.
void BeginBandBuffer(BandState& state);
