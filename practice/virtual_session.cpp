// SPDX-License-Identifier: GPL-3.0-or-later
// The practice pipeline on a virtual clock.
//   - the virtual world: one millisecond step = keying tick, audio, event dispatch, the caller's action
//   - the session: clock hooks, the captured playback body, measurements
#include "practice/virtual_session.h"

#include <chrono>
#include <memory>

#include "audio/audio_engine.h"
#include "core/clock.h"
#include "core/controls.h"
#include "core/event_queue.h"
#include "core/shared_flags.h"
#include "core/tone_flag.h"
#include "keying/keying_thread.h"
#include "practice/run_control.h"

namespace {

constexpr uint64_t kStepUs = 1000;

struct VirtualWorld {
  bool active = false;
  uint64_t nowUs = 0;  // virtual MonotonicMicros(); the step at nowUs has not run yet
  uint64_t startUs = 0;
  uint64_t stopAtUs = 0;  // the playback is stopped when virtual time reaches this
  KeyingState keying;
  std::unique_ptr<AudioRenderState> audio;  // large (the band simulation's delay line)
  bool render = false;
  int sampleRateHz = 48000;
  uint64_t framesRendered = 0;
  std::vector<float>* samples = nullptr;
  const std::function<bool(const float*, int)>* sink = nullptr;
  bool limitReached = false;
  bool sinkFailed = false;
  std::vector<float> stepBuffer;
  const std::function<void(uint64_t)>* everyMillisecond = nullptr;
  void (*capturedBody)() = nullptr;
};
VirtualWorld world;

// One millisecond at world.nowUs: the keying tick samples the levers the playback has set by now, the tone
// edge it makes is stamped with nowUs and applied at the first frame of this millisecond, the events it
// pushes are judged before the playback goes on.
void StepWorld() {
  KeyingStep(world.keying);
  // Past the limit the playback only winds down (a lever let go, a gap ended): nothing more is heard, so a
  // cut session is exactly as long as asked.
  if (world.render && world.nowUs < world.stopAtUs) {
    // Frames are counted from the session start, so any rate keeps exact time (48 kHz: 48 per step).
    const uint64_t stepIndex = (world.nowUs - world.startUs) / kStepUs;
    const uint64_t rate = static_cast<uint64_t>(world.sampleRateHz);
    const uint64_t endFrame = (stepIndex + 1) * rate / 1000;
    const int frames = static_cast<int>(endFrame - world.framesRendered);
    if (frames > 0) {
      world.stepBuffer.resize(static_cast<size_t>(frames));
      const uint64_t firstFrameUs = world.startUs + world.framesRendered * 1000000 / rate;
      RenderFrames(*world.audio, world.stepBuffer.data(), frames, 1, world.sampleRateHz, firstFrameUs, 0);
      if (world.sink && *world.sink) {
        if (!world.sinkFailed && !(*world.sink)(world.stepBuffer.data(), frames)) {
          world.sinkFailed = true;
          runFlags.playing.store(0);
        }
      } else {
        world.samples->insert(world.samples->end(), world.stepBuffer.begin(), world.stepBuffer.end());
      }
      world.framesRendered = endFrame;
    }
  } else {
    DiscardToneEdges();
  }
  KeyEvent event;
  while (PopKeyEvent(event)) DispatchKeyEvent(event);
  ProcessPostedMessages();
  if (world.everyMillisecond && *world.everyMillisecond) (*world.everyMillisecond)(world.nowUs);
  world.nowUs += kStepUs;
  if (world.nowUs >= world.stopAtUs) {
    world.limitReached = true;
    runFlags.playing.store(0);
  }
}

uint64_t VirtualMicros() {
  return world.nowUs;
}

void VirtualSleepUntil(uint64_t deadlineUs) {
  while (world.nowUs < deadlineUs) StepWorld();
}

bool CapturePlayback(ThreadSlot& slot, void (*body)()) {
  world.capturedBody = body;
  return true;
}

}  // namespace

uint64_t VirtualNowUs() {
  return world.active ? world.nowUs : 0;
}

bool RunVirtualSession(const VirtualSessionOptions& options, VirtualSessionResult& result) {
  const auto wallStart = std::chrono::steady_clock::now();
  result = VirtualSessionResult{};
  world.active = true;
  world.startUs = options.startUs - options.startUs % kStepUs;
  world.nowUs = world.startUs;
  world.stopAtUs = world.startUs + options.limitUs;
  world.keying = KeyingState{};
  world.audio = std::make_unique<AudioRenderState>();
  world.render = options.render;
  world.sampleRateHz = options.sampleRateHz > 0 ? options.sampleRateHz : 48000;
  world.framesRendered = 0;
  world.samples = &result.samples;
  world.sink = &options.sink;
  world.limitReached = false;
  world.sinkFailed = false;
  world.everyMillisecond = &options.everyMillisecond;
  world.capturedBody = nullptr;

  InstallClockHooks(ClockHooks{VirtualMicros, VirtualSleepUntil});
  DiscardToneEdges();
  const RunControlHooks savedHooks = CurrentRunControlHooks();
  RunControlHooks sessionHooks = savedHooks;
  sessionHooks.launchPlayback = CapturePlayback;
  InstallRunControlHooks(sessionHooks);
  if (options.start) options.start();
  InstallRunControlHooks(savedHooks);

  if (world.capturedBody) {
    result.ran = true;
    world.capturedBody();
  }
  result.virtualDurationUs = world.nowUs - world.startUs;
  result.framesRendered = world.framesRendered;
  result.limitReached = world.limitReached;
  result.sinkFailed = world.sinkFailed;

  RemoveClockHooks();
  world.active = false;
  world.samples = nullptr;
  world.sink = nullptr;
  world.everyMillisecond = nullptr;
  world.audio.reset();
  result.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  return result.ran;
}
