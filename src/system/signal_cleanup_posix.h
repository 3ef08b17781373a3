// The POSIX side of the signal cleanup: temporary files by folder descriptor
// and name, and the wait of a conversion.
#pragma once

#include <chrono>
#include <optional>

#include "system/signal_cleanup.h"

namespace reportword::docx {

// A temporary file `name` in the folder open as `folder_fd`, removed if an
// ending signal comes before the registration goes. The caller creates the
// file only after registering it, under a SignalHold, so that a signal never
// removes a file of the same name that is not this run's.
class TemporaryFileRegistration {
 public:
  TemporaryFileRegistration(int folder_fd, const char* name);
  ~TemporaryFileRegistration();
  TemporaryFileRegistration(const TemporaryFileRegistration&) = delete;
  TemporaryFileRegistration& operator=(const TemporaryFileRegistration&) = delete;

 private:
  int slot_ = -1;
};

// Waits up to `time` for an ending signal held back by a SignalHold and
// returns it, or nothing.
std::optional<int> WaitForEndingSignal(std::chrono::milliseconds time);

// Removes every registered folder and file, then ends the process by
// `signal_number` as its default action would (status 128+n in a shell).
[[noreturn]] void EndBySignal(int signal_number);

}  // namespace reportword::docx
