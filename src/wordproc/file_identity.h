// Files by identity rather than by name. Two names of one file (links, hard
// links, bind mounts, another letter case where the file system folds it)
// have one identity: the device and inode on POSIX, the volume serial number
// and file index on Windows.
#pragma once

#include <cstdint>
#include <vector>

namespace reportword::wordproc {

struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The files one run has read or written. A save of the run replaces none of
// them, whatever a target's name leads to by the moment of that save: its
// templates and report, and the document it saved before.
class RunFiles {
 public:
  void Add(const FileIdentity& file) { files_.push_back(file); }
  bool Contains(const FileIdentity& file) const;

 private:
  std::vector<FileIdentity> files_;
};

inline bool RunFiles::Contains(const FileIdentity& file) const {
  for (const FileIdentity& known : files_) {
    if (known == file) return true;
  }
  return false;
}

}  // namespace reportword::wordproc
