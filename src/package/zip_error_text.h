// libzip's causes in the program's own words, translated like every other
// message: libzip's texts ("Not a zip archive") are English under every locale.
#pragma once

#include <zip.h>

#include <string>

namespace reportword::docx {

// The cause `error` holds, lower-case, without a full stop.
std::string ZipErrorText(const zip_error_t* error);
// The cause of the last failure on `archive`, or on `file`.
std::string ZipErrorText(zip_t* archive);
std::string ZipErrorText(zip_file_t* file);

}  // namespace reportword::docx
