// SPDX-License-Identifier: GPL-3.0-or-later
// The native PulseAudio backend (also PipeWire's PulseAudio server): a pa_stream on a pa_threaded_mainloop.
//
// Unlike RtAudio's pa_simple path it sees its stream: the server's underflow notices, the stream's and the
// connection's state (a killed server fails the context at once), its latency from the timing info, and it
// can cork the stream so that nothing is written or woken while no run is active.
//
// Buffering follows the period: minreq = one period (the server asks for frames a period at a time),
// tlength = periods x period. Every libpulse call made outside the mainloop thread holds the mainloop lock;
// the callbacks run on the mainloop thread, which is the device thread: it renders inside the write callback.
//
// Sections: the record and callbacks, waiting with a time limit, open, the other operations.
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "audio/audio_backend.h"
#include "core/threads.h"  // CurrentThreadId

namespace {

// A corked stream still holds the sink to the latency it asked for, and a sink that renders every few ms for
// nobody costs the server several percent of a core; at rest the stream asks for this period instead.
constexpr uint32_t kRestPeriodMs = 250;
// Connecting and creating the stream take a few round trips to a local server; a server that accepts the
// connection and then hangs must not hold the audio thread longer than this.
constexpr pa_usec_t kSetupLimitUs = 1500000;

struct PulseStream {
  pa_threaded_mainloop* mainloop = nullptr;
  pa_context* context = nullptr;
  pa_stream* stream = nullptr;
  AudioFillFunction fill = nullptr;
  void* user = nullptr;
  AudioStreamReports* reports = nullptr;
  // Shared between the audio thread and the mainloop thread. The mainloop lock orders them, but that lock is
  // libpulse's own and invisible to ThreadSanitizer, so they are atomics as well.
  std::atomic<size_t> frameBytes{0};
  std::atomic<int> channels{0};
  std::atomic<bool> closing{false};   // our own disconnect: its state changes are not failures
  std::atomic<bool> timedOut{false};  // the set-up limit passed
  std::atomic<uint32_t> sinkRate{0};  // the default sink's format, 0 until known
  std::atomic<uint32_t> sinkChannels{0};
  pa_time_event* setupTimer = nullptr;
  pa_buffer_attr runAttr{};   // the buffering asked for while playing
  pa_buffer_attr restAttr{};  // while corked: a latency so long that the sink need not wake for us
};

// ---- Callbacks (mainloop thread) ----

void ContextState(pa_context* context, void* userdata) {
  auto* p = static_cast<PulseStream*>(userdata);
  p->reports->deviceThreadId.store(CurrentThreadId(), std::memory_order_relaxed);
  const pa_context_state_t state = pa_context_get_state(context);
  if (!p->closing && (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED)) {
    p->reports->failed.store(1, std::memory_order_release);
  }
  pa_threaded_mainloop_signal(p->mainloop, 0);
}

void StreamState(pa_stream* stream, void* userdata) {
  auto* p = static_cast<PulseStream*>(userdata);
  const pa_stream_state_t state = pa_stream_get_state(stream);
  if (!p->closing && (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)) {
    p->reports->failed.store(1, std::memory_order_release);
  }
  pa_threaded_mainloop_signal(p->mainloop, 0);
}

// The server asks for `bytes` more. Rendered in one call, so the engine's frame clock sees one request.
void StreamWrite(pa_stream* stream, size_t bytes, void* userdata) {
  auto* p = static_cast<PulseStream*>(userdata);
  const size_t frameBytes = p->frameBytes.load(std::memory_order_relaxed);
  while (bytes >= frameBytes) {
    void* data = nullptr;
    size_t size = bytes;
    if (pa_stream_begin_write(stream, &data, &size) < 0 || !data) return;
    size = std::min(size, bytes) / frameBytes * frameBytes;
    if (size == 0) {
      pa_stream_cancel_write(stream);
      return;
    }
    p->fill(static_cast<float*>(data), static_cast<int>(size / frameBytes),
            p->channels.load(std::memory_order_relaxed), p->user);
    if (pa_stream_write(stream, data, size, nullptr, 0, PA_SEEK_RELATIVE) < 0) return;
    bytes -= size;
  }
}

void StreamUnderflow(pa_stream* /*stream*/, void* userdata) {
  static_cast<PulseStream*>(userdata)->reports->underflows.fetch_add(1, std::memory_order_relaxed);
}

void SinkInfo(pa_context* /*context*/, const pa_sink_info* info, int eol, void* userdata) {
  auto* p = static_cast<PulseStream*>(userdata);
  if (eol == 0 && info) {
    p->sinkRate.store(info->sample_spec.rate);
    p->sinkChannels.store(info->sample_spec.channels);
  }
  if (eol != 0) pa_threaded_mainloop_signal(p->mainloop, 0);
}

void LatencyUpdated(pa_stream* stream, int success, void* userdata) {
  auto* p = static_cast<PulseStream*>(userdata);
  pa_usec_t latencyUs = 0;
  int negative = 0;
  if (success && pa_stream_get_latency(stream, &latencyUs, &negative) == 0 && !negative) {
    p->reports->latencyUs.store(static_cast<int64_t>(latencyUs), std::memory_order_relaxed);
  }
}

void SetupTimeout(pa_mainloop_api* /*api*/, pa_time_event* /*event*/, const struct timeval* /*tv*/,
                  void* userdata) {
  auto* p = static_cast<PulseStream*>(userdata);
  p->timedOut = true;
  pa_threaded_mainloop_signal(p->mainloop, 0);
}

// minreq = one period: the server asks a period at a time; tlength = the whole buffering, which with
// ADJUST_LATENCY the server splits between its sink and this stream.
pa_buffer_attr BufferAttr(uint32_t periodBytes, int32_t periods) {
  pa_buffer_attr attr;
  attr.maxlength = static_cast<uint32_t>(-1);
  attr.tlength = periodBytes * static_cast<uint32_t>(periods);
  attr.prebuf = static_cast<uint32_t>(-1);
  attr.minreq = periodBytes;
  attr.fragsize = static_cast<uint32_t>(-1);
  return attr;
}

// ---- Waiting with a time limit (audio thread, mainloop lock held) ----

bool ContextSettled(const PulseStream& p) {
  const pa_context_state_t s = pa_context_get_state(p.context);
  return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
}

bool StreamSettled(const PulseStream& p) {
  const pa_stream_state_t s = pa_stream_get_state(p.stream);
  return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
}

// Waits until settled(p) or the set-up limit passes; true when settled.
bool WaitUntil(PulseStream& p, bool (*settled)(const PulseStream&)) {
  while (!settled(p) && !p.timedOut) pa_threaded_mainloop_wait(p.mainloop);
  return settled(p);
}

bool WaitForOperation(PulseStream& p, pa_operation* operation) {
  if (!operation) return false;
  while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING && !p.timedOut) {
    pa_threaded_mainloop_wait(p.mainloop);
  }
  const bool done = pa_operation_get_state(operation) == PA_OPERATION_DONE;
  pa_operation_unref(operation);
  return done;
}

// ---- Open and close ----

void Destroy(PulseStream* p) {
  if (p->mainloop) {
    pa_threaded_mainloop_lock(p->mainloop);
    p->closing = true;
    if (p->setupTimer) pa_threaded_mainloop_get_api(p->mainloop)->time_free(p->setupTimer);
    if (p->stream) {
      pa_stream_set_write_callback(p->stream, nullptr, nullptr);
      pa_stream_set_underflow_callback(p->stream, nullptr, nullptr);
      pa_stream_disconnect(p->stream);
      pa_stream_unref(p->stream);
      p->stream = nullptr;
    }
    if (p->context) {
      pa_context_disconnect(p->context);
      pa_context_unref(p->context);
      p->context = nullptr;
    }
    pa_threaded_mainloop_unlock(p->mainloop);
    pa_threaded_mainloop_stop(p->mainloop);
    pa_threaded_mainloop_free(p->mainloop);
  }
  delete p;
}

// Connects, learns the default sink's rate and channels, and creates the stream corked. Mainloop lock held.
bool ConnectLocked(PulseStream& p, const AudioStreamConfig& config, pa_sample_spec& spec) {
  pa_mainloop_api* api = pa_threaded_mainloop_get_api(p.mainloop);
  pa_proplist* properties = pa_proplist_new();
  pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Nemora");
  pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "nemora");
  p.context = pa_context_new_with_proplist(api, "Nemora", properties);
  pa_proplist_free(properties);
  if (!p.context) return false;
  pa_context_set_state_callback(p.context, ContextState, &p);
  p.setupTimer = pa_context_rttime_new(p.context, pa_rtclock_now() + kSetupLimitUs, SetupTimeout, &p);
  if (pa_context_connect(p.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return false;
  if (!WaitUntil(p, ContextSettled) || pa_context_get_state(p.context) != PA_CONTEXT_READY) return false;

  WaitForOperation(p, pa_context_get_sink_info_by_name(p.context, "@DEFAULT_SINK@", SinkInfo, &p));
  spec.format = PA_SAMPLE_FLOAT32NE;
  spec.rate = static_cast<uint32_t>(config.sampleRateHz);
  spec.channels = static_cast<uint8_t>(std::clamp(config.channels, 1, 2));
  // The sink's own rate spares the server a resampler; the same sample goes to every channel anyway.
  if (p.sinkRate.load() > 0) spec.rate = p.sinkRate.load();
  if (p.sinkChannels.load() > 0 && p.sinkChannels.load() < spec.channels) {
    spec.channels = static_cast<uint8_t>(p.sinkChannels.load());
  }
  p.channels = spec.channels;
  p.frameBytes = pa_frame_size(&spec);

  p.stream = pa_stream_new(p.context, "Nemora", &spec, nullptr);
  if (!p.stream) return false;
  pa_stream_set_state_callback(p.stream, StreamState, &p);
  pa_stream_set_write_callback(p.stream, StreamWrite, &p);
  pa_stream_set_underflow_callback(p.stream, StreamUnderflow, &p);
  const uint32_t frameBytes = static_cast<uint32_t>(pa_frame_size(&spec));
  p.runAttr = BufferAttr(static_cast<uint32_t>(config.periodFrames) * frameBytes, config.periods);
  p.restAttr = BufferAttr(kRestPeriodMs * spec.rate / 1000 * frameBytes, 4);
  const pa_stream_flags_t flags =
      static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
  if (pa_stream_connect_playback(p.stream, nullptr, &p.restAttr, flags, nullptr, nullptr) < 0) return false;
  return WaitUntil(p, StreamSettled) && pa_stream_get_state(p.stream) == PA_STREAM_READY;
}

bool PulseOpen(AudioStream& stream, const AudioStreamConfig& config, AudioFillFunction fill, void* user,
               AudioStreamReports& reports) {
  auto* p = new PulseStream;
  p->fill = fill;
  p->user = user;
  p->reports = &reports;
  p->mainloop = pa_threaded_mainloop_new();
  if (!p->mainloop) {
    delete p;
    return false;
  }
  pa_threaded_mainloop_set_name(p->mainloop, "nemora-pulse");
  if (pa_threaded_mainloop_start(p->mainloop) < 0) {
    pa_threaded_mainloop_free(p->mainloop);
    delete p;
    return false;
  }
  pa_threaded_mainloop_lock(p->mainloop);
  pa_sample_spec spec{};
  const bool ok = ConnectLocked(*p, config, spec);
  if (p->setupTimer) {
    pa_threaded_mainloop_get_api(p->mainloop)->time_free(p->setupTimer);
    p->setupTimer = nullptr;
  }
  // With ADJUST_LATENCY the server splits the asked latency between its sink and this stream's buffer, so
  // the stream's tlength is less than asked; the plan stands for the buffering, the timing info for the
  // latency.
  AudioStream opened;
  opened.handle = p;
  opened.sampleRateHz = static_cast<int32_t>(spec.rate);
  opened.channels = p->channels;
  opened.periodFrames = config.periodFrames;
  opened.periods = config.periods;
  pa_threaded_mainloop_unlock(p->mainloop);
  if (!ok) {
    Destroy(p);
    return false;
  }
  stream = opened;
  return true;
}

// ---- The other operations ----

void Unref(pa_operation* operation) {
  if (operation) pa_operation_unref(operation);
}

// Corked: the long resting buffering, and the buffer dropped, so the next run starts from fresh frames
// rather than the tail of this one. Playing: the run's buffering, the resting silence dropped, uncorked.
// The server carries the three requests out in order.
bool Cork(AudioStream& stream, bool cork) {
  auto* p = static_cast<PulseStream*>(stream.handle);
  if (!p) return false;
  pa_threaded_mainloop_lock(p->mainloop);
  const bool ready = pa_stream_get_state(p->stream) == PA_STREAM_READY;
  if (ready) {
    if (cork) Unref(pa_stream_cork(p->stream, 1, nullptr, nullptr));
    Unref(pa_stream_set_buffer_attr(p->stream, cork ? &p->restAttr : &p->runAttr, nullptr, nullptr));
    Unref(pa_stream_flush(p->stream, nullptr, nullptr));
    if (!cork) Unref(pa_stream_cork(p->stream, 0, nullptr, nullptr));
  }
  pa_threaded_mainloop_unlock(p->mainloop);
  return ready;
}

bool PulseResume(AudioStream& stream) {
  return Cork(stream, false);
}

bool PulsePause(AudioStream& stream) {
  return Cork(stream, true);
}

void PulseClose(AudioStream& stream) {
  if (stream.handle) Destroy(static_cast<PulseStream*>(stream.handle));
  stream = AudioStream{};
}

void PulseUpdateLatency(AudioStream& stream) {
  auto* p = static_cast<PulseStream*>(stream.handle);
  if (!p) return;
  pa_threaded_mainloop_lock(p->mainloop);
  if (pa_stream_get_state(p->stream) == PA_STREAM_READY) {
    if (pa_operation* o = pa_stream_update_timing_info(p->stream, LatencyUpdated, p)) pa_operation_unref(o);
  }
  pa_threaded_mainloop_unlock(p->mainloop);
}

}  // namespace

const AudioBackend pulseAudioBackend = {"PulseAudio", kAudioApiPulse, PulseOpen,         PulseResume,
                                        PulsePause,   PulseClose,     PulseUpdateLatency};
