// SPDX-License-Identifier: GPL-3.0-or-later
// What the program costs at rest: the trainer with its window open (offscreen) and no run, on a private
// PulseAudio server, for 20 s. Beside it, on the same server, what the server costs with no client at all
// and with a reference client (paplay) keeping a 10.7 ms stream of silence open, as a program does whose
// stream runs all the time.
//
// Prints name=value lines (percent of one core, from /proc/<pid>/stat):
//   server_no_client_core_percent      the server alone
//   reference_client_core_percent, reference_server_core_percent   paplay streaming silence, and the server
//   idle_core_percent, server_idle_core_percent                    the trainer at rest, and the server
//   stream_corked_at_rest              1 when the server sees the trainer's stream corked
//   start_log                          the trainer's start line about its sound and thread priorities
// An optional argument gives the trainer's measuring time in seconds (default 20).
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "core/clock.h"
#include "tests/audio/pulse_recorder.h"

using namespace pulsetest;

namespace {

// CPU seconds (user + system) a process has used so far; -1 when it is gone.
double ProcessCpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return -1;
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  double ticks = 0;
  for (int n = 3; n <= 15 && fields >> field; ++n) {
    if (n == 14 || n == 15) ticks += std::atof(field.c_str());
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct CpuShare {
  double first = 0, second = 0;  // percent of one core
};

CpuShare MeasureCpu(pid_t first, pid_t second, double seconds) {
  const double a0 = ProcessCpuSeconds(first), b0 = second > 0 ? ProcessCpuSeconds(second) : 0;
  const uint64_t start = MonotonicMicros();
  SleepMs(static_cast<uint32_t>(seconds * 1000));
  const double wall = (MonotonicMicros() - start) / 1e6;
  const double a1 = ProcessCpuSeconds(first), b1 = second > 0 ? ProcessCpuSeconds(second) : 0;
  return {100.0 * (a1 - a0) / wall, 100.0 * (b1 - b0) / wall};
}

pid_t Launch(const char* const* argv, const std::string& logPath) {
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(logPath.empty() ? "/dev/null" : logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 1);
    dup2(fd, 2);
    execvp(argv[0], const_cast<char* const*>(argv));
    _exit(127);
  }
  return pid;
}

void Stop(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  for (int waited = 0; waited < 3000 && waitpid(pid, nullptr, WNOHANG) == 0; waited += 10) SleepMs(10);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

bool StreamCorked() {
  FILE* list = popen("pactl list sink-inputs 2>/dev/null", "r");
  if (!list) return false;
  char line[256];
  bool corked = false;
  while (std::fgets(line, sizeof line, list)) {
    if (std::string(line).find("Corked: yes") != std::string::npos) corked = true;
  }
  pclose(list);
  return corked;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 && std::atof(argv[1]) > 0 ? std::atof(argv[1]) : 20.0;
  PulseServer server;
  if (!StartPulseServer(server)) {
    std::printf("error=%s\n", server.problem.c_str());
    return 1;
  }
  SleepMs(1000);
  const CpuShare alone = MeasureCpu(server.pid, 0, 10);
  std::printf("server_no_client_core_percent=%.2f\n", alone.first);

  const char* reference[] = {
      "paplay",    "--raw", "--rate=48000", "--channels=2", "--format=float32le", "--latency-msec=11",
      "/dev/zero", nullptr};
  const pid_t paplay = Launch(reference, "");
  SleepMs(1000);
  const CpuShare streaming = MeasureCpu(paplay, server.pid, 10);
  Stop(paplay);
  std::printf("reference_client_core_percent=%.2f\n", streaming.first);
  std::printf("reference_server_core_percent=%.2f\n", streaming.second);

  char home[] = "/tmp/nemora-idle-XXXXXX";
  if (!mkdtemp(home)) return 1;
  std::ofstream(std::string(home) + "/telegram_practice.ini") << "[Settings]\nFirstRun=0\n";
  setenv("NEMORA_HOME", home, 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const std::string log = std::string(home) + "/stderr.log";
  const char* program[] = {NEMORA_PROGRAM_PATH, nullptr};
  const pid_t trainer = Launch(program, log);
  SleepMs(3000);  // the window is up and the stream open
  const bool corked = StreamCorked();
  const CpuShare rest = MeasureCpu(trainer, server.pid, seconds);
  Stop(trainer);
  std::printf("idle_core_percent=%.2f\n", rest.first);
  std::printf("server_idle_core_percent=%.2f\n", rest.second);
  std::printf("stream_corked_at_rest=%d\n", corked ? 1 : 0);
  std::ifstream logFile(log);
  std::string line;
  while (std::getline(logFile, line)) {
    if (line.rfind("nemora: sound:", 0) == 0) std::printf("start_log=%s\n", line.c_str() + 8);
  }
  std::system(("rm -rf '" + std::string(home) + "'").c_str());
  ReleasePulseServer(server);
  return 0;
}
