#pragma once

#include <string>
#include <string_view>

#include "wordproc/file_identity.h"

namespace reportword::docx {

// Writes `bytes` to `path` so that the file there is either the old one or the
// complete new one: a temporary file in the same folder is written, flushed and
// renamed over the target, and then the folder is flushed too, so that a save
// that returned survives a machine crash. A replaced file passes its
// permission bits, and where the process may set them its owner and group, on
// to the new one (POSIX). A target that is a link is followed: the file it
// points to is replaced and the link stays. On any failure the temporary file
// is removed and the error names the target and the cause.
//
// With `run_files`, the file the rename would replace is compared with them
// once the folder is open, just before the rename: one of them is refused
// with InputCheckFailure, and the file written is added to them.
// (One implementation per platform: atomic_file_posix.cpp, atomic_file_win32.cpp.)
void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         wordproc::RunFiles* run_files);

// A short name for a temporary file: a target whose name is near the file
// system's limit still leaves room for it.
std::string TemporaryName();

}  // namespace reportword::docx
