// The cause of a failed system call in the program's own words, translated
// like every other message: the C library's texts ("Permission denied") are
// English under every locale where its own catalogs are not installed.
#pragma once

#include <string>
#include <system_error>

namespace reportword::text {

// The cause for `error_number` (an errno value), lower-case, without a full
// stop: "permission denied", "the disk is full". A cause this program has no
// words of its own for is the C library's text.
std::string SystemErrorText(int error_number);

// The same for a std::error_code of the generic or system category; another
// category's own message otherwise.
std::string SystemErrorText(const std::error_code& error);

// The cause for `code`, a Windows error code (GetLastError), in the same words,
// so that the save, the template and the report tell a cause alike; a rare
// code this program has no words for is the system's own text with the code.
// Windows only (system_error_text_win32.cpp).
std::string WindowsErrorText(unsigned long code);

}  // namespace reportword::text
