// The calls with which the Windows save puts the finished document in place,
// as a table, so that a test can make each of them fail as the system can.
// (atomic_file_win32.cpp)
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "wordproc/file_identity.h"

namespace reportword::docx {

struct MoveCalls {
  // Creates the temporary file, opens the target to find a holder before
  // anything changes, and opens the temporary file again after a failed
  // replacement, to mark it for deletion once more.
  decltype(&::CreateFileW) create_file;
  // Sets and lifts the deletion mark, and renames the file to a new target.
  decltype(&::SetFileInformationByHandle) set_information;
  // Replaces an existing target, which keeps its access rights and attributes.
  decltype(&::ReplaceFileW) replace_file;
  // Puts a document back under the target's name after a replacement that
  // failed half-way.
  decltype(&::MoveFileExW) move_file;
  // The wait between tries while another program holds the target.
  decltype(&::Sleep) sleep;
};

// The system's own calls, which WriteFileAtomically uses.
extern const MoveCalls kSystemMoveCalls;

// WriteFileAtomically, with `calls` for the steps above.
void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         wordproc::RunFiles* run_files, const MoveCalls& calls);

}  // namespace reportword::docx
