#include "system/signal_cleanup_win32.h"

#include <mutex>

namespace reportword::docx {
namespace {

std::mutex g_move;
HANDLE g_temporary = INVALID_HANDLE_VALUE;

void InstallHandler() {
  static std::once_flag installed;
  std::call_once(installed, [] { SetConsoleCtrlHandler(EndRunOnConsoleEvent, TRUE); });
}

}  // namespace

// Nothing on Windows waits for a signal to be held back: the temporary file's
// deletion mark and the MoveHold take its place. LibreOffice is not used
// there, so there are no working folders either.
SignalHold::SignalHold() = default;
SignalHold::~SignalHold() = default;
void RegisterScratchFolder(const std::filesystem::path&) {}
void ForgetScratchFolder(const std::filesystem::path&) {}

MoveHold::MoveHold() {
  InstallHandler();
  g_move.lock();
}

MoveHold::~MoveHold() {
  g_move.unlock();
}

void SetTemporaryFile(HANDLE handle) {
  g_temporary = handle;
}

// Runs on a thread of its own. The lock is never given back: the process
// ends while it holds it, so that the save cannot go on meanwhile. Ending it
// at once (rather than by ExitProcess) closes the file's handle, which
// removes it, without running code that another thread may be inside.
BOOL WINAPI EndRunOnConsoleEvent(DWORD) {
  g_move.lock();
  if (g_temporary != INVALID_HANDLE_VALUE) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(g_temporary, FileDispositionInfo, &disposition, sizeof disposition);
  }
  TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
  return TRUE;
}

}  // namespace reportword::docx
