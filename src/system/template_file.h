// Reading a template file whole, from one descriptor: what is not a regular
// file (a folder, a pipe, a device) is refused before anything is read, and
// without waiting for a writer that may never come.
#pragma once

#include <cstdint>
#include <string>

#include "wordproc/file_identity.h"

namespace reportword::docx {

// The bytes of the file at `path`, and its identity into `*identity`. Throws
// Failure naming the template when it is not a regular file, is
// larger than `max_size` bytes, or cannot be read.
std::string ReadTemplateFile(const std::string& path, std::uint64_t max_size,
                             wordproc::FileIdentity* identity);

}  // namespace reportword::docx
