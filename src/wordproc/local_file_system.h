#pragma once

#include "wordproc/word_processor.h"

namespace reportword::wordproc {

// Answers file-existence queries from the local file system.
class LocalFileSystem : public FileSystem {
 public:
  bool FileExists(const std::string& path) override;
  bool SameFile(const std::string& a, const std::string& b) override;
};

}  // namespace reportword::wordproc
