// The report file as a run reads it. It is opened once, without waiting (a
// fifo put at its name would block the open for ever), checked on that very
// descriptor to be a regular file, and read from it no further than the size
// it had when it was opened (a file that keeps growing would keep the run
// reading until killed).
// (One implementation per platform: report_file_posix.cpp, report_file_win32.cpp.)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "wordproc/file_identity.h"

namespace reportword {

class ReportFile {
 public:
  // Throws InputCheckFailure when `path` names no regular file (any
  // more: the input check found one), GenerationError when it cannot be
  // opened.
  explicit ReportFile(const std::string& path);
  ~ReportFile();
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;

  // Reads up to `size` bytes from where the reading stands into `data`;
  // returns how many, 0 at the end. Throws GenerationError.
  std::size_t Read(char* data, std::size_t size);
  // Starts the reading again from the first byte.
  void Rewind() { offset_ = 0; }
  const wordproc::FileIdentity& identity() const { return identity_; }

 private:
  std::string path_;
  std::intptr_t handle_ = -1;  // a descriptor, or a Windows HANDLE
  std::uint64_t size_ = 0;
  std::uint64_t offset_ = 0;
  wordproc::FileIdentity identity_;
};

}  // namespace reportword
