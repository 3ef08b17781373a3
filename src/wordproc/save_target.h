// The checks every save makes of its target before it writes, so that a save
// replaces only a regular file its user may replace, and reaches it only
// through links that can be trusted.
// (The parts that differ by platform: save_target_posix.cpp, save_target_win32.cpp.)
#pragma once

#include <filesystem>
#include <string>

namespace reportword::wordproc {

// Where a save writes, once links are followed.
struct SaveTarget {
  std::filesystem::path file;    // the file replaced or created
  std::filesystem::path folder;  // the folder that holds it
  bool exists = false;
};

// A file name is given, its folder exists, and what is there now, if
// anything, is a regular file that is not write-protected, or a trusted link
// to one. Throws Failure (`cannot save "PATH": ...`) naming what is wrong.
SaveTarget CheckSaveTarget(const std::string& path);

// Whether the link `link` may be followed: on POSIX it belongs to the user
// running the program or to the owner of the folder it stands in, the rule
// the kernel applies in shared folders (protected_symlinks), so that another
// user who may write the folder cannot point a target at a file of yours.
bool LinkIsTrusted(const std::filesystem::path& link);

// Whether `file` names a device rather than a file wherever it stands (NUL,
// CON, COM1.docx on Windows); never on POSIX, where devices are files.
bool IsDeviceName(const std::filesystem::path& file);

// The name a save writes to, as the system resolves `file`: on Windows its full
// path, without the trailing dots and spaces that Windows drops from a name;
// elsewhere `file` as it is.
std::filesystem::path ResolvedName(const std::filesystem::path& file);

// What is at `file` now, links followed, as std::filesystem::status tells it.
// On Windows the system is asked by the full path, which takes any length,
// and a device name is a character device wherever it stands.
std::filesystem::file_status StatusOf(const std::filesystem::path& file);

}  // namespace reportword::wordproc
