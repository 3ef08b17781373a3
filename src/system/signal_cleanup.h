// What a run leaves behind when SIGINT, SIGTERM or SIGHUP ends it: nothing.
// Temporary files are removed from the signal handler itself; working folders
// (a converter's profile can be a deep tree) are removed outside it, because
// the signals are held back while one exists.
// (One implementation per platform: signal_cleanup_posix.cpp, signal_cleanup_win32.cpp.)
#pragma once

#include <filesystem>

namespace reportword::docx {

// While one exists, the ending signals wait. One that arrived meanwhile ends
// the process when the last hold goes, after its folders are gone, unless a
// conversion's wait took it first.
class SignalHold {
 public:
  SignalHold();
  ~SignalHold();
  SignalHold(const SignalHold&) = delete;
  SignalHold& operator=(const SignalHold&) = delete;
};

// A working folder, removed with its contents when a held signal ends the run.
void RegisterScratchFolder(const std::filesystem::path& folder);
void ForgetScratchFolder(const std::filesystem::path& folder);

}  // namespace reportword::docx
