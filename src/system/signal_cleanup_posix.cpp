#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>
#include <vector>

#include "system/signal_cleanup_posix.h"

namespace reportword::docx {
namespace {

namespace fs = std::filesystem;

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// A run has at most a few temporary files at once; the handler reads this
// table without locks, so a slot is published by its descriptor last.
struct FileSlot {
  std::atomic<int> folder_fd{-1};
  char name[NAME_MAX + 1] = {};
};
FileSlot g_files[8];

std::vector<fs::path> g_folders;
int g_hold_depth = 0;
sigset_t g_mask_before_hold;

sigset_t EndingSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal_number : kEndingSignals) sigaddset(&set, signal_number);
  return set;
}

void RemoveFiles() noexcept {
  for (FileSlot& slot : g_files) {
    const int folder_fd = slot.folder_fd.exchange(-1);
    if (folder_fd >= 0) ::unlinkat(folder_fd, slot.name, 0);
  }
}

extern "C" void OnEndingSignal(int signal_number) {
  RemoveFiles();
  // The signal is blocked while this runs: with the default action back, it
  // ends the process as soon as the handler returns.
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  ::sigaction(signal_number, &default_action, nullptr);
  ::raise(signal_number);
}

void InstallHandlers() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    for (int signal_number : kEndingSignals) {
      struct sigaction current {};
      ::sigaction(signal_number, nullptr, &current);
      // A signal the caller ignores (nohup) stays ignored.
      if (current.sa_handler == SIG_IGN) continue;
      struct sigaction action {};
      action.sa_handler = OnEndingSignal;
      action.sa_mask = EndingSignals();
      ::sigaction(signal_number, &action, nullptr);
    }
  });
}

}  // namespace

SignalHold::SignalHold() {
  InstallHandlers();
  if (g_hold_depth++ == 0) {
    const sigset_t set = EndingSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, &g_mask_before_hold);
  }
}

SignalHold::~SignalHold() {
  if (--g_hold_depth == 0) ::pthread_sigmask(SIG_SETMASK, &g_mask_before_hold, nullptr);
}

void RegisterScratchFolder(const fs::path& folder) {
  g_folders.push_back(folder);
}

void ForgetScratchFolder(const fs::path& folder) {
  std::erase(g_folders, folder);
}

TemporaryFileRegistration::TemporaryFileRegistration(int folder_fd, const char* name) {
  InstallHandlers();
  if (std::strlen(name) > NAME_MAX) return;
  for (int i = 0; i < static_cast<int>(std::size(g_files)); ++i) {
    FileSlot& slot = g_files[i];
    if (slot.folder_fd.load() >= 0) continue;
    std::strcpy(slot.name, name);
    slot.folder_fd.store(folder_fd);
    slot_ = i;
    return;
  }
}

TemporaryFileRegistration::~TemporaryFileRegistration() {
  if (slot_ >= 0) g_files[slot_].folder_fd.store(-1);
}

std::optional<int> WaitForEndingSignal(std::chrono::milliseconds time) {
  const sigset_t set = EndingSignals();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(time);
  const timespec wait{static_cast<time_t>(seconds.count()),
                      static_cast<long>((time - seconds).count() * 1000000)};
  const int signal_number = ::sigtimedwait(&set, nullptr, &wait);
  if (signal_number > 0) return signal_number;
  return std::nullopt;
}

void EndBySignal(int signal_number) {
  for (const fs::path& folder : g_folders) {
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
  RemoveFiles();
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  ::sigaction(signal_number, &default_action, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal_number);
  ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(signal_number);
  ::_exit(128 + signal_number);  // only if the signal could not end it
}

}  // namespace reportword::docx
