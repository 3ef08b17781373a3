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
#include "package/zip_handles.h"
#include "text/failure.h"
#include "text/translate.h"

namespace reportword::docx {
namespace {

// The libzip source of a streamed part. libzip reads it once, while the
// archive is closed, and works out its size and CRC-32 from what it read.
class StreamedSource {
 public:
  explicit StreamedSource(const StreamedPart& part) : part_(part) {}
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
        return zip_error_to_data(error_.get(), data, length);
      case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              -1);
      default:
        return Refuse(ZIP_ER_OPNOTSUPP);
    }
  }

  zip_int64_t Refuse(int code) {
    zip_error_set(error_.get(), code, 0);
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
  ZipError error_;
};

}  // namespace

std::string TemplatePackage::Write(const std::map<std::string, std::string>& replaced,
                                   const std::set<std::string>& dropped,
                                   const StreamedPart* streamed) const {
  // Made before the archive, so that it outlives every use libzip makes of it.
  std::optional<StreamedSource> streamed_source;
  ZipError error;
  ZipSource target_source(zip_source_buffer_create(nullptr, 0, 0, error.get()));
  ZipArchive target(target_source
                        ? zip_open_from_source(target_source.get(), ZIP_TRUNCATE, error.get())
                        : nullptr);
  if (!target) {
    throw Failure(text::Format(text::Translate("cannot create a package in memory: {0}"),
                               ZipErrorText(error.get())));
  }
  // The archive holds the source now, and this code a reference of its own,
  // to read the package back after the archive is closed.
  zip_source_keep(target_source.get());

  auto fail = [&](const std::string& what) {
    const std::string text = what + " (" + ZipErrorText(target.get()) + ")";
    target.reset();
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
    ZipSource part_source;
    const bool streams = streamed && part == streamed->name;
    auto replacement = streams ? replaced.end() : replaced.find(part);
    if (streams) {
      streamed_source.emplace(*streamed);
      part_source.reset(
          zip_source_function(target.get(), &StreamedSource::Call, &*streamed_source));
    } else if (replacement != replaced.end()) {
      part_source.reset(zip_source_buffer(target.get(), replacement->second.data(),
                                          replacement->second.size(), 0));
    } else {
      // The compressed bytes as they are: no inflate and deflate round trip.
      part_source.reset(zip_source_zip(target.get(), archive_.get(), index_of_.at(part),
                                       ZIP_FL_COMPRESSED, 0, -1));
    }
    if (!part_source) fail(text::Format(text::Translate("cannot copy part {0}"), part));
    const zip_int64_t index =
        zip_file_add(target.get(), part.c_str(), part_source.get(), ZIP_FL_ENC_UTF_8);
    if (index < 0) fail(text::Format(text::Translate("cannot add part {0}"), part));
    part_source.release();  // the archive's now
    if (streams || replacement != replaced.end()) {
      // The fastest level: for a large body table level 6 costs more than the
      // rest of the run together and saves under a tenth of the size.
      zip_set_file_compression(target.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1);
    }
  }
  if (zip_close(target.get()) != 0) fail(text::Translate("cannot complete the document package"));
  target.release();  // closed, and freed by zip_close

  std::string out;
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_source_stat(target_source.get(), &st) != 0 || zip_source_open(target_source.get()) != 0)
    throw Failure(text::Translate("cannot read back the document package"));
  out.resize(static_cast<std::size_t>(st.size));
  const zip_int64_t n = zip_source_read(target_source.get(), out.data(), st.size);
  zip_source_close(target_source.get());
  if (n < 0 || static_cast<zip_uint64_t>(n) != st.size) {
    throw Failure(text::Translate("cannot read back the document package"));
  }
  return out;
}

}  // namespace reportword::docx
