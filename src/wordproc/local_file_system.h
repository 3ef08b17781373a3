#pragma once

#include "wordproc/word_processor.h"

namespace reportword::wordproc {

// Answers the file queries of a run from the local file system.
class LocalFileSystem : public FileSystem {
 public:
  bool FileExists(const std::string& path) override;
  bool SameFile(const std::string& a, const std::string& b) override;
  std::optional<FileIdentity> IdentityOf(const std::string& path) override;
  void CheckSaveTarget(const std::string& path) override;
};

}  // namespace reportword::wordproc
