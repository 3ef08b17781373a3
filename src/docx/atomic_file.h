#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace reportword::docx {

// Writes `bytes` to `path` so that the file there is either the old one or the
// complete new one: a temporary file in the same folder is written, flushed and
// renamed over the target, and then the folder is flushed too, so that a save
// that returned survives a machine crash. A replaced file passes its
// permission bits, and where the process may set them its owner and group, on
// to the new one (POSIX). A target that is a link is followed: the file it
// points to is replaced and the link stays. On any failure the temporary file
// is removed and the error names the target and the cause.
// (One implementation per platform: atomic_file_posix.cpp, atomic_file_win32.cpp.)
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// Where a save writes, once links are followed.
struct SaveTarget {
  std::filesystem::path file;    // the file replaced or created
  std::filesystem::path folder;  // the folder that holds it
  bool exists = false;
};

// The checks every save makes before it writes: a file name is given, its
// folder exists, and what is there now, if anything, is a regular file that
// is not write-protected, or a link to one.
SaveTarget CheckSaveTarget(const std::string& path);

// A short name for a temporary file: a target whose name is near the file
// system's limit still leaves room for it.
std::string TemporaryName();

}  // namespace reportword::docx
