// libzip's objects, each freed where it goes out of scope, whatever path the
// code takes out of it.
#pragma once

#include <zip.h>

#include <memory>

namespace reportword::docx {

// An error record of libzip's, made and finished with its scope.
class ZipError {
 public:
  ZipError() { zip_error_init(&error_); }
  ~ZipError() { zip_error_fini(&error_); }
  ZipError(const ZipError&) = delete;
  ZipError& operator=(const ZipError&) = delete;
  zip_error_t* get() { return &error_; }

 private:
  zip_error_t error_;
};

struct ZipSourceFree {
  void operator()(zip_source_t* source) const { zip_source_free(source); }
};
// A source this code holds a reference to; release() hands it to libzip
// where a call takes it over.
using ZipSource = std::unique_ptr<zip_source_t, ZipSourceFree>;

struct ZipArchiveDiscard {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
// An archive discarded unwritten, unless release()d to zip_close.
using ZipArchive = std::unique_ptr<zip_t, ZipArchiveDiscard>;

}  // namespace reportword::docx
