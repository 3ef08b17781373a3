#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace reportword::docx {

// Writes `bytes` to `path` so that the file there is either the old one or the
// complete new one: a temporary file in the same folder is written, flushed and
// renamed over the target, and then the folder is flushed too, so that a save
// that returned survives a machine crash. A file that is replaced passes its
// permission bits on to the new one (POSIX). On any failure the temporary file
// is removed and the error names the target and the cause.
// (One implementation per platform: atomic_file_posix.cpp, atomic_file_win32.cpp.)
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// The checks every save makes before it writes: a file name is given, it does
// not name a folder, and its folder exists. Returns that folder.
std::filesystem::path CheckSaveTarget(const std::string& path);

// How the temporary file beside `target` begins: a dot and the target's name,
// cut to 64 bytes at a character boundary, so that a target whose own name is
// near the file system's limit still has room for the temporary suffix.
std::filesystem::path TemporaryNamePrefix(const std::filesystem::path& target);

}  // namespace reportword::docx
