// SPDX-License-Identifier: GPL-3.0-or-later
// nemora-cli render as the learner runs it, in a fresh NEMORA_HOME: the peak resident memory of a two-hour
// kana session with the default settings, the render speed of the plain tone into WAV, and into MP3.
// Speeds are seconds of audio per second of wall time, the process's start included.
//   render_2h_peak_rss_mb=   render_speed_x_plain=   mp3_speed_x=
#include <fcntl.h>
#include <sndfile.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct ChildRun {
  bool ok = false;
  double wallSeconds = 0;
  long peakRssKb = 0;
};

ChildRun RunCli(const std::vector<std::string>& arguments) {
  std::vector<std::string> all = {NEMORA_CLI_PATH};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  ChildRun run;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  // The peak is read from the program's own /proc entry while it runs: a child's rusage also counts the
  // memory of the parent it was forked from.
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    std::ifstream procStatus("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(procStatus, line);) {
      if (line.rfind("VmHWM:", 0) == 0) run.peakRssKb = std::max(run.peakRssKb, std::atol(line.c_str() + 6));
    }
    usleep(20000);
  }
  run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

double AudioSeconds(const std::string& path) {
  SF_INFO info = {};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return 0;
  sf_close(file);
  return info.samplerate > 0 ? static_cast<double>(info.frames) / info.samplerate : 0;
}

}  // namespace

int main() {
  char pattern[] = "/tmp/nemora-render-bench-XXXXXX";
  const char* made = mkdtemp(pattern);
  if (!made) return 1;
  const std::string dir = made;
  setenv("NEMORA_HOME", dir.c_str(), 1);
  const std::string telegrams = dir + "/telegrams.txt";
  int result = 0;
  // Sixty kana telegrams at 25 WPM last a little over two hours; --max-minutes makes it exactly two.
  if (!RunCli({"generate", "--kana", "--count", "60", "--seed", "3", "-o", telegrams}).ok) {
    std::fprintf(stderr, "render_bench: nemora-cli generate failed\n");
    result = 1;
  }
  const ChildRun twoHours =
      result ? ChildRun{}
             : RunCli({"render", "--wpm", "25", "--max-minutes", "120", telegrams, "-o", dir + "/2h.wav"});
  const double twoHourSeconds = AudioSeconds(dir + "/2h.wav");
  std::filesystem::remove(dir + "/2h.wav");
  const std::vector<std::string> plain = {"render", "--wpm",         "25", "--band",  "none", "--sound-type",
                                          "0",      "--max-minutes", "30", telegrams, "-o"};
  std::vector<std::string> wavArgs = plain, mp3Args = plain;
  wavArgs.push_back(dir + "/plain.wav");
  mp3Args.push_back(dir + "/plain.mp3");
  const ChildRun wav = result ? ChildRun{} : RunCli(wavArgs);
  const ChildRun mp3 = result ? ChildRun{} : RunCli(mp3Args);
  const double wavSeconds = AudioSeconds(dir + "/plain.wav"), mp3Seconds = AudioSeconds(dir + "/plain.mp3");
  std::filesystem::remove_all(dir);
  if (!twoHours.ok || !wav.ok || !mp3.ok) {
    std::fprintf(stderr, "render_bench: a render failed\n");
    return 1;
  }
  std::printf("render_2h_audio_minutes=%.1f\n", twoHourSeconds / 60);
  std::printf("render_2h_peak_rss_mb=%.1f\n", twoHours.peakRssKb / 1024.0);
  std::printf("render_2h_speed_x_default=%.0f\n", twoHourSeconds / twoHours.wallSeconds);
  std::printf("render_speed_x_plain=%.0f\n", wavSeconds / wav.wallSeconds);
  std::printf("mp3_speed_x=%.0f\n", mp3Seconds / mp3.wallSeconds);
  return 0;
}
