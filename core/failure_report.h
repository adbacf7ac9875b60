// SPDX-License-Identifier: GPL-3.0-or-later
// Failures the learner must know about: a settings save or log write that fails, a worker thread that does
// not start, a sound stream that cannot be opened. Each is said on the message line (1108) and on stderr
// with the reason, once: a failure that repeats (every judged character's log write on a full disk) is
// said again only after the same kind of operation has succeeded in between. Any thread.
#pragma once
#include <string>
#include <string_view>

enum class FailureKind {
  kSettingsSave,
  kPracticeLog,
  kCharacterLog,
  kTextLog,
  kThreadStart,
  kSoundStream,
  kCount,
};

// Says the failure unless this kind is already being reported; reason is the system's words (strerror).
void ReportFailure(FailureKind kind, std::u16string_view message, std::string_view reason);
// The operation worked again: its next failure is said anew.
void ClearFailure(FailureKind kind);
// The words of the latest failure still going on (said and not yet cleared), empty when none: lines that
// are rewritten all the time (the judgement line) keep it in view.
std::u16string ActiveFailureText();
// How many failures have been said since start-up (tests).
int ReportedFailureCount();
