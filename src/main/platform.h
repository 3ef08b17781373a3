// What the program takes from the platform it runs on: its argument text, its
// arguments one by one, and the word-processor backend it was built with. Each
// has whole alternatives in files of their own (argument_text_posix.cpp /
// argument_text_win32.cpp, argument_list_posix.cpp / argument_list_win32.cpp,
// default_backend_docx.cpp / default_backend_automation.cpp); the build picks.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "wordproc/word_processor.h"

namespace reportword {

// The command line without the program's name, as one text with the double
// quotes around the paths.
std::string ProgramArgumentText(int argc, char** argv);

// An argument that the argument text cannot carry as it was given, or
// nullptr. Where the shell split the command line, that is an argument after
// the code holding a double quote; a raw command line (Windows) is taken as
// the system defines it and carries everything.
const char* ArgumentLostInTheText(int argc, char** argv);

// The arguments without the program's name, each as UTF-8, split as the
// platform splits a command line.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// The backend of this build: the native .docx engine, or the installed word
// processor driven through automation. Starting it may throw.
std::unique_ptr<wordproc::Backend> CreateDefaultBackend();

}  // namespace reportword
