// Writing a new package from a template's: copied parts keep their
// compressed bytes, replaced parts are deflated from memory, and a streamed
// part is deflated as its producer makes it.
#include <zip.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <optional>

#include "package/template_package.h"
#include "package/zip_error_text.h"
#include "text/translate.h"
#include "text/failure.h"

namespace reportword::docx {
namespace {

// The libzip source of a streamed part. libzip reads it once, while the
// archive is closed, and works out its size and CRC-32 from what it read.
class StreamedSource {
 public:
  explicit StreamedSource(const StreamedPart& part) : part_(part) { zip_error_init(&error_); }
  ~StreamedSource() { zip_error_fini(&error_); }
  StreamedSource(const StreamedSource&) = delete;
  StreamedSource& operator=(const StreamedSource&) = delete;

  static zip_int64_t Call(void* self, void* data, zip_uint64_t length, zip_source_cmd_t command) {
    return static_cast<StreamedSource*>(self)->Handle(data, length, command);
  }
  // What the producer threw: it cannot cross libzip, so it is thrown again
  // once libzip has given up.
  std::exception_ptr failure() const { return failure_; }

 private:
  zip_int64_t Handle(void* data, zip_uint64_t length, zip_source_cmd_t command) {
    switch (command) {
      case ZIP_SOURCE_OPEN:
        // The producer makes its contents once; a second pass would read
        // nothing and store an empty part without a word.
        if (opened_) return Refuse(ZIP_ER_OPNOTSUPP);
        opened_ = true;
        return 0;
      case ZIP_SOURCE_READ:
        return Read(static_cast<char*>(data), length);
      case ZIP_SOURCE_CLOSE:
      case ZIP_SOURCE_FREE:  // this object belongs to the writer, not to libzip
        return 0;
      case ZIP_SOURCE_STAT: {
        if (length < sizeof(zip_stat_t)) return Refuse(ZIP_ER_INVAL);
        zip_stat_t* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        // Before the end, only the bound is known, and libzip asks only to
        // decide on Zip64; without a bound it must assume the worst.
        const bool read_through = last_ && offset_ == piece_.size();
        if (read_through || part_.size_bound != 0) {
          st->size = read_through ? produced_ : part_.size_bound;
          st->valid |= ZIP_STAT_SIZE;
        }
        return sizeof(zip_stat_t);
      }
      case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&error_, data, length);
      case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              -1);
      default:
        return Refuse(ZIP_ER_OPNOTSUPP);
    }
  }

  zip_int64_t Refuse(int code) {
    zip_error_set(&error_, code, 0);
    return -1;
  }

  zip_int64_t Read(char* data, zip_uint64_t length) {
    zip_uint64_t copied = 0;
    try {
      while (copied < length) {
        if (offset_ == piece_.size()) {
          if (last_) break;
          piece_.clear();  // keeps its capacity: one piece's worth of memory throughout
          offset_ = 0;
          last_ = !part_.produce(piece_);
          continue;
        }
        const std::size_t n = static_cast<std::size_t>(
            std::min<zip_uint64_t>(length - copied, piece_.size() - offset_));
        std::memcpy(data + copied, piece_.data() + offset_, n);
        offset_ += n;
        copied += n;
        produced_ += n;
      }
    } catch (...) {
      failure_ = std::current_exception();
      return Refuse(ZIP_ER_INTERNAL);
    }
    return static_cast<zip_int64_t>(copied);
  }

  const StreamedPart& part_;
  std::string piece_;
  std::size_t offset_ = 0;
  std::uint64_t produced_ = 0;
  bool opened_ = false;
  bool last_ = false;
  std::exception_ptr failure_;
  zip_error_t error_;
};

}  // namespace

std::string TemplatePackage::Write(const std::map<std::string, std::string>& replaced,
                                   const std::set<std::string>& dropped,
                                   const StreamedPart* streamed) const {
  // Made before the archive, so that it outlives every use libzip makes of it.
  std::optional<StreamedSource> streamed_source;
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* target_source = zip_source_buffer_create(nullptr, 0, 0, &error);
  if (!target_source)
    throw Failure(text::Format(text::Translate("cannot create a package in memory: {0}"),
                                       ZipErrorText(&error)));
  zip_t* target = zip_open_from_source(target_source, ZIP_TRUNCATE, &error);
  if (!target) {
    zip_source_free(target_source);
    std::string text = ZipErrorText(&error);
    zip_error_fini(&error);
    throw Failure(
        text::Format(text::Translate("cannot create a package in memory: {0}"), text));
  }
  zip_error_fini(&error);
  zip_source_keep(target_source);

  auto fail = [&](const std::string& what) {
    std::string text = what + " (" + ZipErrorText(target) + ")";
    zip_discard(target);
    zip_source_free(target_source);
    if (streamed_source && streamed_source->failure())
      std::rethrow_exception(streamed_source->failure());
    throw Failure(text);
  };

  std::vector<std::string> parts = order_;
  for (const auto& [part, content] : replaced) {
    if (!index_of_.count(part)) parts.push_back(part);
  }
  if (streamed && !index_of_.count(streamed->name) && !replaced.count(streamed->name)) {
    parts.push_back(streamed->name);
  }
  for (const std::string& part : parts) {
    if (dropped.count(part)) continue;
    zip_source_t* part_source = nullptr;
    const bool streams = streamed && part == streamed->name;
    auto replacement = streams ? replaced.end() : replaced.find(part);
    if (streams) {
      streamed_source.emplace(*streamed);
      part_source = zip_source_function(target, &StreamedSource::Call, &*streamed_source);
    } else if (replacement != replaced.end()) {
      part_source =
          zip_source_buffer(target, replacement->second.data(), replacement->second.size(), 0);
    } else {
      // The compressed bytes as they are: no inflate and deflate round trip.
      part_source = zip_source_zip(target, archive_, index_of_.at(part), ZIP_FL_COMPRESSED, 0, -1);
    }
    if (!part_source) fail(text::Format(text::Translate("cannot copy part {0}"), part));
    zip_int64_t index = zip_file_add(target, part.c_str(), part_source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip_source_free(part_source);
      fail(text::Format(text::Translate("cannot add part {0}"), part));
    }
    if (streams || replacement != replaced.end()) {
      // The fastest level: for a large body table level 6 costs more than the
      // rest of the run together and saves under a tenth of the size.
      zip_set_file_compression(target, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1);
    }
  }
  if (zip_close(target) != 0) fail(text::Translate("cannot complete the document package"));

  std::string out;
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_source_stat(target_source, &st) != 0 || zip_source_open(target_source) != 0) {
    zip_source_free(target_source);
    throw Failure(text::Translate("cannot read back the document package"));
  }
  out.resize(static_cast<std::size_t>(st.size));
  zip_int64_t n = zip_source_read(target_source, out.data(), st.size);
  zip_source_close(target_source);
  zip_source_free(target_source);
  if (n < 0 || static_cast<zip_uint64_t>(n) != st.size) {
    throw Failure(text::Translate("cannot read back the document package"));
  }
  return out;
}

}  // namespace reportword::docx
