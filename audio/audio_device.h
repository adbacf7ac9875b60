// The sound device behind a few functions: an RtAudio callback stream on the default output (the PulseAudio
// API first, ALSA "default" as fallback), float32 interleaved. No RtAudio error escapes these functions.
#pragma once
#include <cstdint>

// Fills `frames` interleaved float frames; runs on the device's own thread (real-time: no allocation,
// locks or I/O).
using AudioFillFunction = void (*)(float* interleaved, int frames, int channels, void* user);

struct AudioDeviceConfig {
  int32_t sampleRateHz = 48000;  // used when the device offers it, else the device's preferred rate
  int32_t channels = 2;          // fewer when the device has fewer
  int32_t bufferFrames = 128;    // frames per callback
  int32_t numberOfBuffers = 4;   // device-side buffers (RtAudio's default buffers 200 ms on PulseAudio)
};

struct AudioDeviceHandle;  // the RtAudio object, opaque here

struct AudioDevice {
  AudioDeviceHandle* handle = nullptr;  // null: not open
  int32_t sampleRateHz = 0;             // granted values
  int32_t channels = 0;
  int32_t bufferFrames = 0;
  int32_t numberOfBuffers = 0;
  int32_t api = 0;  // kAudioApiPulse or kAudioApiAlsa
};

constexpr int32_t kAudioApiPulse = 1;
constexpr int32_t kAudioApiAlsa = 2;

// Opens the stream; device holds the granted format. False, with nothing left open, when neither API gives
// a stream. Called by the audio thread.
bool OpenAudioDevice(AudioDevice& device, const AudioDeviceConfig& config, AudioFillFunction fill,
                     void* user);
// Starts the opened stream: fill is called from then on. False when it does not start.
bool StartAudioDevice(AudioDevice& device);
// Stops and closes the stream; fill is not called after it returns. Safe on a closed device.
void CloseAudioDevice(AudioDevice& device);
// Nonzero after the device reported a stream error from its own thread (the stream is then silent).
int32_t AudioDeviceFailed();
