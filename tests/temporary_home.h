// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh, empty NEMORA_HOME for one test, removed with everything in it when the test ends.
#pragma once
#include <stdlib.h>

#include <filesystem>
#include <string>

struct TemporaryHome {
  std::string path;
  TemporaryHome() {
    char pattern[] = "/tmp/nemora-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    path = made ? made : "/tmp";
    setenv("NEMORA_HOME", path.c_str(), 1);
  }
  ~TemporaryHome() {
    unsetenv("NEMORA_HOME");
    std::error_code ignored;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    if (path != "/tmp") std::filesystem::remove_all(path, ignored);
  }
  TemporaryHome(const TemporaryHome&) = delete;
  TemporaryHome& operator=(const TemporaryHome&) = delete;
};
