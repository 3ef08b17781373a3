// reportwordw.exe: the same program built for the Windows subsystem, as
// pythonw.exe stands beside python.exe. Started from a graphical program it
// opens no console window; started in a console, its messages still reach it.
#include <windows.h>

#include <cstdio>

#include "main/program.h"

namespace {

bool IsValid(DWORD standard_handle) {
  const HANDLE handle = GetStdHandle(standard_handle);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// A program of this subsystem has standard handles only where its caller
// passed some (a redirection, a pipe), and those stay as they are. Without
// them, the messages go to the caller's console, where there is one.
void UseTheCallersConsole() {
  const bool output = IsValid(STD_OUTPUT_HANDLE);
  const bool errors = IsValid(STD_ERROR_HANDLE);
  if ((output && errors) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
  if (!output) std::freopen("CONOUT$", "w", stdout);
  if (!errors) std::freopen("CONOUT$", "w", stderr);
}

}  // namespace

int main(int argc, char** argv) {
  UseTheCallersConsole();
  return reportword::RunExecutable(argc, argv);
}
