// The device callback makes no system call but the monotonic clock: a scripted device thread renders
// through the live engine under a seccomp filter that traps every other system call and counts it. With the
// bench's CPU-time figures asked for, the thread's CPU clock is read on every callback, and the same filter
// counts it: the count is real.
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <time.h>
#include <ucontext.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <thread>
#include <vector>

#include "audio_test_support.h"
#include "core/app.h"
#include "core/clock.h"
#include "core/threads.h"

namespace {

constexpr int kMeasuredCallbacks = 400;

std::atomic<int> trapped{0};
std::atomic<long> lastTrapped{-1};
std::atomic<int> callbacksTrapped{-1};  // the device thread's result; -1 until it has one

void OnSigsys(int, siginfo_t* info, void* context) {
  trapped.fetch_add(1, std::memory_order_relaxed);
  lastTrapped.store(info->si_syscall, std::memory_order_relaxed);
  // The call was not made: it fails, as for a kernel without it.
  static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RAX] = -ENOSYS;
}

// Allows only what the thread needs to end and clock_gettime(CLOCK_MONOTONIC) (a system call where the
// clock source has no vDSO); traps the rest.
bool TrapSystemCallsOnThisThread() {
  sock_filter filter[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_rt_sigreturn, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_exit, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_clock_gettime, 0, 3),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, CLOCK_MONOTONIC, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP),
  };
  sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
  return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
         prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

struct Device {
  std::thread thread;
  std::atomic<bool> playing{false};
};

// Once playing, renders a few periods at the device's pace, then kMeasuredCallbacks under the filter, and
// ends (a filtered thread cannot sleep or be asked to stop).
bool Open(AudioStream& stream, const AudioStreamConfig& config, AudioFillFunction fill, void* user,
          AudioStreamReports& reports) {
  auto* d = new Device;
  const int frames = config.periodFrames;
  d->thread = std::thread([d, fill, user, frames, &reports] {
    reports.deviceThreadId.store(CurrentThreadId());
    std::vector<float> buffer(static_cast<size_t>(frames) * 2);
    for (int waited = 0; waited < 2000 && !d->playing; ++waited) SleepMs(1);
    for (int k = 0; k < 20; ++k) {
      fill(buffer.data(), frames, 2, user);
      SleepMs(1);
    }
    if (!TrapSystemCallsOnThisThread()) return;
    const int before = trapped.load();
    for (int k = 0; k < kMeasuredCallbacks; ++k) fill(buffer.data(), frames, 2, user);
    callbacksTrapped.store(trapped.load() - before);
  });
  stream.handle = d;
  stream.sampleRateHz = 48000;
  stream.channels = 2;
  stream.periodFrames = config.periodFrames;
  stream.periods = config.periods;
  return true;
}
bool Resume(AudioStream& stream) {
  static_cast<Device*>(stream.handle)->playing = true;
  return true;
}
bool Pause(AudioStream& stream) {
  static_cast<Device*>(stream.handle)->playing = false;
  return true;
}
void Close(AudioStream& stream) {
  auto* d = static_cast<Device*>(stream.handle);
  if (!d) return;
  d->thread.join();
  delete d;
  stream = AudioStream{};
}
void Latency(AudioStream&) {}

const AudioBackend kFiltered = {"filtered", kAudioApiOther, Open, Resume, Pause, Close, Latency};
const AudioBackend* const kFilteredList[] = {&kFiltered};

struct Row {
  const char* name;
  int32_t measureCpu;  // audioStream.measureCallbackCpu
  bool callsExpected;
};
const Row kRows[] = {
    {"in use: the clock alone", 0, false},
    {"with the bench's CPU-time figures: the thread CPU clock too", 1, true},
};

TEST(DeviceCallback, MakesNoSystemCallButTheClock) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "SKIPPED under a sanitizer: its runtime intercepts signals and makes calls of its own, so "
                  "the trap count says nothing about the program";
#endif
  struct sigaction action {};
  action.sa_sigaction = OnSigsys;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  struct sigaction previous {};
  ASSERT_EQ(sigaction(SIGSYS, &action, &previous), 0);
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    audiotest::ResetAudioTestState();
    practiceSettings.Freq.store(700);
    audioStream.measureCallbackCpu.store(row.measureCpu);
    callbacksTrapped.store(-1);
    lastTrapped.store(-1);
    UseAudioBackends(kFilteredList, 1);
    app.stopAllEvent = CreateEvent(true, false);
    SetSoundUse(SoundUse::kSending);
    ThreadSlot audio;
    ASSERT_TRUE(StartThread(audio, AudioThreadMain));
    for (int waited = 0; waited < 5000 && callbacksTrapped.load() < 0; waited += 5) SleepMs(5);
    SetEvent(app.stopAllEvent);
    EXPECT_TRUE(WaitAndForget(audio, kThreadExitWaitMs));
    UseAudioBackends(nullptr, 0);
    SetSoundUse(SoundUse::kRest);
    audioStream.measureCallbackCpu.store(0);
    const int calls = callbacksTrapped.load();
    ASSERT_GE(calls, 0) << "the device thread did not render under the filter";
    if (row.callsExpected) {
      EXPECT_GE(calls, kMeasuredCallbacks) << "the filter did not see the CPU clock being read";
    } else {
      EXPECT_EQ(calls, 0) << "system call " << lastTrapped.load() << " in the callback";
    }
  }
  sigaction(SIGSYS, &previous, nullptr);
}

}  // namespace
