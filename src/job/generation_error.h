// What makes a run fail after the command line was read (a failing
// word-processor call, an unreadable report, a save that could not be
// completed), as the generation calls the program's one failure type. The
// message names what went wrong and where.
#pragma once

#include <exception>
#include <string>

#include "text/failure.h"

namespace reportword {

using GenerationError = Failure;

// The message of a failure for the reader: an allocation failure
// (std::bad_alloc, std::length_error) in plain words rather than the library's
// name for it, any other failure's own message. Code that knows the file
// concerned reports these itself, naming the file.
std::string DescribeFailure(const std::exception& failure);

}  // namespace reportword
