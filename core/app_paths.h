// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program's files live, and the writes that must never leave a file half written.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The directory for settings and logs: $NEMORA_HOME when set, else the executable's directory when writable
// and not an installed layout (<exe dir>/../share/nemora exists), else $XDG_DATA_HOME/nemora (default
// ~/.local/share/nemora). Created on demand. Ends without a slash.
std::string AppDirectory();
// AppDirectory() + "/" + name.
std::string AppFilePath(std::string_view name);

// Reads a whole file; false when it cannot be opened or is larger than maxBytes.
bool ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes = 64u << 20);
// Replaces the file with bytes: writes a temporary file beside it, flushes it and renames it over the old
// one, so a crash or a full disk leaves either the old or the new file whole. False on any failure (errno
// says why); the old file is then untouched.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes);
// The same without flushing (open, write, close, rename): a killed process still leaves the old or the new
// file whole, since the page cache outlives it; only a power cut can lose what SyncFile has not flushed.
bool ReplaceFileUnsynced(const std::string& path, std::string_view bytes);
// Flushes a file and its directory entry to disk; true when it is done or the file does not exist.
bool SyncFile(const std::string& path);
// Removes the "<name>.tmp<pid>" files that crashed processes left beside the file (once, at start-up).
void RemoveLeftoverTemporaries(const std::string& path);
// Writes all of bytes to fd (short writes continued); false on failure.
bool WriteAll(int fd, std::string_view bytes);
// The file system calls (open, write, close, rename, fstat) this thread made through these functions and
// the logs, for the judging cost bench.
uint64_t FileCallsOnThisThread();
void NoteFileCall();  // one more, made outside these functions
// Appends bytes in one write (O_APPEND). headerIfNew is written first, in the same write, when the file did
// not exist or was empty. False on failure.
bool AppendToFile(const std::string& path, std::string_view bytes, std::string_view headerIfNew = {});
bool FileExists(const std::string& path);
