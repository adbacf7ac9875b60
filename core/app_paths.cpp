// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/app_paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

thread_local uint64_t fileCallCount = 0;  // file system calls made by this thread

bool WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ++fileCallCount;
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

namespace {

bool MakeDirectories(const std::string& path) {
  if (path.empty()) return false;
  struct stat info;
  if (stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash))) return false;
  return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

std::string ExecutableDirectory() {
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (length <= 0) return {};
  std::string path(buffer, static_cast<size_t>(length));
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// make install puts the program in <prefix>/bin beside <prefix>/share/nemora. With the default prefix
// ~/.local that bin directory is the user's own and writable, yet settings and logs do not belong among
// programs: an installed program always uses the XDG data directory.
bool IsInstalledLayout(const std::string& exeDir) {
  struct stat info;
  return stat((exeDir + "/../share/nemora").c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string AppDirectory() {
  if (const char* home = std::getenv("NEMORA_HOME"); home && *home) {
    std::string dir(home);
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    MakeDirectories(dir);
    return dir;
  }
  std::string exeDir = ExecutableDirectory();
  if (!exeDir.empty() && !IsInstalledLayout(exeDir) && access(exeDir.c_str(), W_OK) == 0) return exeDir;
  std::string base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.local/share";
  } else {
    base = "/tmp";
  }
  std::string dir = base + "/nemora";
  MakeDirectories(dir);
  return dir;
}

std::string AppFilePath(std::string_view name) {
  return AppDirectory() + "/" + std::string(name);
}

bool FileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || static_cast<uint64_t>(info.st_size) > maxBytes) {
    close(fd);
    return false;
  }
  std::string data;
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return false;
    }
    if (n == 0) break;
    data.append(buffer, static_cast<size_t>(n));
    if (data.size() > maxBytes) {
      close(fd);
      return false;
    }
  }
  close(fd);
  bytes = std::move(data);
  return true;
}

namespace {

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

// A rewrite cut short by a crash leaves "<name>.tmp<pid>" beside the file. Those of processes that no longer
// run are removed; another running instance's temporary is left to it.
void RemoveLeftoverTemporaries(const std::string& path) {
  const std::string directory = DirectoryOf(path);
  const std::string prefix = path.substr(path.find_last_of('/') + 1) + ".tmp";
  DIR* listing = opendir(directory.c_str());
  if (!listing) return;
  while (dirent* entry = readdir(listing)) {
    std::string_view name = entry->d_name;
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) continue;
    std::string_view digits = name.substr(prefix.size());
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos) continue;
    pid_t pid = static_cast<pid_t>(std::atol(std::string(digits).c_str()));
    if (pid > 0 && pid != getpid() && kill(pid, 0) != 0 && errno == ESRCH) {
      unlink((directory + "/" + std::string(name)).c_str());
    }
  }
  closedir(listing);
}

namespace {

// Makes a rename in the directory durable: without it a power cut can bring the old file back.
void SyncDirectory(const std::string& path) {
  int fd = open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

namespace {

bool ReplaceFile(const std::string& path, std::string_view bytes, bool durable) {
  std::string temporary = path + ".tmp" + std::to_string(getpid());
  ++fileCallCount;
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes) && (!durable || fsync(fd) == 0);
  ++fileCallCount;
  ok = close(fd) == 0 && ok;
  ++fileCallCount;
  if (!ok || rename(temporary.c_str(), path.c_str()) != 0) {
    const int saved = errno;
    unlink(temporary.c_str());
    errno = saved;
    return false;
  }
  if (durable) SyncDirectory(path);
  return true;
}

}  // namespace

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  return ReplaceFile(path, bytes, true);
}

bool ReplaceFileUnsynced(const std::string& path, std::string_view bytes) {
  return ReplaceFile(path, bytes, false);
}

bool SyncFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;
  const bool ok = fsync(fd) == 0;
  close(fd);
  SyncDirectory(path);
  return ok;
}

uint64_t FileCallsOnThisThread() {
  return fileCallCount;
}

void NoteFileCall() {
  ++fileCallCount;
}

bool AppendToFile(const std::string& path, std::string_view bytes, std::string_view headerIfNew) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  struct stat info;
  bool isNew = fstat(fd, &info) == 0 && info.st_size == 0;
  bool ok;
  if (isNew && !headerIfNew.empty()) {
    std::string whole;
    whole.reserve(headerIfNew.size() + bytes.size());
    whole.append(headerIfNew);
    whole.append(bytes);
    ok = WriteAll(fd, whole);
  } else {
    ok = WriteAll(fd, bytes);
  }
  return close(fd) == 0 && ok;
}
