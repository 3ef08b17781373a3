// Paths as this program hands them to the Windows file calls: full, resolved
// as Windows resolves a name, and in the form that lifts the limit of 260
// characters. (Windows only: windows_path_win32.cpp.)
#pragma once

#include <filesystem>
#include <string>

namespace reportword::wordproc {

// `path` as Windows resolves it when a file is opened by it (GetFullPathNameW):
// absolute, without "." and "..", with backslashes, and without trailing dots
// and spaces of its last name; a device name ("NUL", "COM1.docx") becomes its
// device path ("\\.\NUL"). A path that cannot be resolved stays as it is.
std::filesystem::path FullPath(const std::filesystem::path& path);

// The full path `full` with the \\?\ prefix (\\?\UNC\ for a share), which
// every file call takes at any length and reads as it stands, without
// resolving it again. Paths in a device namespace already stay as they are.
std::wstring LongPath(const std::filesystem::path& full);

// Both, for a path in the program's own UTF-8.
std::wstring SystemPath(const std::string& utf8_path);

}  // namespace reportword::wordproc
