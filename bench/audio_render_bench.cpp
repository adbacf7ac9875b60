// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of the audio render loop for 48 kHz stereo in real time: the plain tone (sound type 0, master switch
// off) and the heaviest case (sound type 4, all 21 band switches on, activity 5, noise 100), keyed in a
// steady pattern. Prints name=value lines; core_percent is the CPU share of one core the loop needs.
#include <time.h>

#include <cstdio>
#include <vector>

#include "audio/audio_engine.h"
#include "core/settings.h"
#include "core/shared_flags.h"
#include "core/tone_flag.h"

namespace {

constexpr int kRateHz = 48000;
constexpr int kBufferFrames = 128;
constexpr int kSeconds = 20;

double ThreadCpuSeconds() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

void SetBandSwitches(int32_t v) {
  PracticeSettings& s = practiceSettings;
  for (auto* f :
       {&s.BandQRN,         &s.BandQRM,          &s.BandQSB,       &s.BandFlutter,  &s.BandLids,
        &s.BandChirp,       &s.BandUnevenLength, &s.BandAGC,       &s.BandIFFilter, &s.BandPitchDrift,
        &s.BandEcho,        &s.BandMultipath,    &s.BandLightning, &s.BandAdjacent, &s.BandSplit,
        &s.BandAtmospheric, &s.BandHum,          &s.BandIgnition,  &s.BandAgcPump,  &s.BandRinging,
        &s.BandOverload}) {
    f->store(v);
  }
}

// Renders kSeconds of stereo in 128-frame buffers, keyed 60 ms on / 60 ms off (as 20 WPM dots), starting
// far into the program's life (a large phase) and returns CPU seconds.
double RenderSeconds() {
  static AudioRenderState state;
  state = AudioRenderState{};
  state.phase = 2.0e7;  // about an hour of 800 Hz
  std::vector<float> buffer(2 * kBufferFrames);
  const uint64_t startUs = 3600ull * 1000000ull;
  const int buffers = kSeconds * kRateHz / kBufferFrames;
  double begin = ThreadCpuSeconds();
  for (int b = 0; b < buffers; ++b) {
    uint64_t firstUs = startUs + static_cast<uint64_t>(b) * kBufferFrames * 1000000ull / kRateHz;
    if (b % 45 == 0) {  // every 120 ms
      WriteToneOn(1, firstUs + 1000);
      WriteToneOn(0, firstUs + 61000);
    }
    RenderFramesAtTick(state, buffer.data(), kBufferFrames, 2, kRateHz, firstUs, 0,
                       static_cast<uint32_t>(firstUs / 1000));
  }
  return ThreadCpuSeconds() - begin;
}

}  // namespace

int main() {
  ResetSettingsToDefaults();
  SetBandSwitches(0);
  runFlags.bandMasterSwitch.store(0);
  practiceSettings.SoundType.store(0);
  double plain = RenderSeconds();

  SetBandSwitches(1);
  runFlags.bandMasterSwitch.store(1);
  practiceSettings.BandActivity.store(5);
  practiceSettings.BandNoiseLevel.store(100);
  double worst = 0;
  int worstType = 0;
  for (int type = 0; type < 6; ++type) {
    practiceSettings.SoundType.store(type);
    double cpu = RenderSeconds();
    if (cpu > worst) worst = cpu, worstType = type;
  }
  const double frames = static_cast<double>(kSeconds) * kRateHz;
  std::printf("plain_core_percent=%.3f\n", plain / kSeconds * 100.0);
  std::printf("all_effects_core_percent=%.3f\n", worst / kSeconds * 100.0);
  std::printf("all_effects_worst_sound_type=%d\n", worstType);
  std::printf("ns_per_frame_plain=%.1f\n", plain / frames * 1e9);
  std::printf("ns_per_frame_all=%.1f\n", worst / frames * 1e9);
  return 0;
}
