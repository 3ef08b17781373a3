#pragma once

#include <string>
#include <string_view>

namespace reportword::docx {

// Writes `bytes` to `path` so that the file there is either the old one or the
// complete new one: a temporary file in the same folder is written, flushed and
// renamed over the target, and then the folder is flushed too, so that a save
// that returned survives a machine crash. A file that is replaced passes its
// permission bits on to the new one (POSIX). On any failure the temporary file
// is removed and wordproc::Error names the target and the cause.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace reportword::docx
