// The Windows side of the cleanup. The temporary document is open and marked
// for deletion while it is written, so that the system removes it however the
// process ends (Ctrl+C, TerminateProcess, logoff), and the mark is lifted
// only for the moment of the move. A console handler for Ctrl+C, Ctrl+Break,
// the console's closing, logoff and shutdown waits for a move in progress,
// marks the file again and ends the run with STATUS_CONTROL_C_EXIT.
#pragma once

#include <windows.h>

#include "system/signal_cleanup.h"

namespace reportword::docx {

// While one lives, a console event waits: the temporary file's handle and
// deletion mark change only under it. The first one installs the handler.
class MoveHold {
 public:
  MoveHold();
  ~MoveHold();
  MoveHold(const MoveHold&) = delete;
  MoveHold& operator=(const MoveHold&) = delete;
};

// Under a MoveHold: `handle` is the open temporary document, which a console
// event marks for deletion before it ends the run; INVALID_HANDLE_VALUE when
// none is open.
void SetTemporaryFile(HANDLE handle);

// What the console handler does with `event` (it does not return); for tests.
BOOL WINAPI EndRunOnConsoleEvent(DWORD event);

}  // namespace reportword::docx
