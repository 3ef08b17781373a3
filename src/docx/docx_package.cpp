#include "docx/docx_package.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

#include "docx/engine_failure.h"
#include "text/translate.h"
#include "text/utf8_path.h"

namespace reportword::docx {
namespace {

constexpr unsigned char kOleSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes the %XX escapes of a part name; an escaped slash or backslash stays
// escaped, as it would otherwise split a segment.
std::string PercentDecoded(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    const int high = i + 2 < name.size() && name[i] == '%' ? HexValue(name[i + 1]) : -1;
    const int low = high >= 0 ? HexValue(name[i + 2]) : -1;
    const char decoded = static_cast<char>(high * 16 + low);
    if (low < 0 || decoded == '/' || decoded == '\\') {
      out.push_back(name[i]);
    } else {
      out.push_back(decoded);
      i += 2;
    }
  }
  return out;
}

[[noreturn]] void Fail(const std::string& package, const std::string& what) {
  throw TemplateError(package, what);
}

std::string ZipErrorText(zip_error_t* error) {
  const char* text = zip_error_strerror(error);
  return text ? text : "unknown zip error";
}

// ---------------------------------------------------------------------------
// Where each entry lies in the file.
//
// The package is opened without ZIP_CHECKCONS: in libzip 1.7.3 that flag
// refuses bytes after the end record and local headers whose time, version or
// sizes differ from the central directory, all of which real templates have
// and every other reader accepts. Neither with nor without it does libzip
// notice entries whose bytes overlap (the "overlapping zip bomb": many entries
// that inflate one shared compressed block), and it has no public API for an
// entry's offset in the file. So this minimal reader goes through the central
// directory a second time, only to find each entry's byte range [local header,
// end of its compressed data), and refuses ranges that overlap or reach into
// the central directory. Every offset and length it reads is checked against
// the size of the file before use; nothing it reads is trusted.

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint64_t kEndLength = 22, kZip64LocatorLength = 20, kZip64EndLength = 56;
constexpr std::uint64_t kCentralLength = 46, kLocalLength = 30;

// Little-endian fields of the file; callers check that they lie inside it.
std::uint64_t Field(const std::string& bytes, std::uint64_t at, int length) {
  std::uint64_t value = 0;
  for (int i = length - 1; i >= 0; --i) {
    value = value << 8 | static_cast<unsigned char>(bytes[static_cast<std::size_t>(at) + i]);
  }
  return value;
}

struct EntryRange {
  std::size_t index = 0;    // in the central directory, as libzip counts
  std::uint64_t begin = 0;  // the local header
  std::uint64_t end = 0;    // just after the compressed data
  std::uint64_t crc = 0, compressed_size = 0, size = 0;
};

[[noreturn]] void FailDisagreement(const std::string& package) {
  Fail(package, text::Translate("has more than one zip directory, and they do not agree; refused"));
}

// Where libzip looks for the end record, in its order: every signature whose
// record and comment fit in the file, from the first to the last, within its
// buffer of the last 65,578 bytes less the room of a Zip64 locator in front.
std::vector<std::uint64_t> EndRecordCandidates(const std::string& bytes) {
  constexpr std::uint64_t kWindow = 0x10000 + kEndLength + kZip64LocatorLength;
  const std::uint64_t size = bytes.size();
  std::vector<std::uint64_t> candidates;
  if (size < kEndLength) return candidates;
  for (std::uint64_t at = size >= kWindow ? size - kWindow + kZip64LocatorLength : 0;
       at <= size - kEndLength; ++at) {
    if (Field(bytes, at, 4) == kEndSignature &&
        Field(bytes, at + 20, 2) <= size - at - kEndLength) {
      candidates.push_back(at);
    }
  }
  return candidates;
}

// The ranges of all entries in central-directory order (the order of libzip's
// indexes) of the directory that the end record at `end` describes; more than
// `expected_entries` is a directory libzip did not read. Throws
// wordproc::Error naming `package` when the directory is damaged or a range is
// not where it may be.
std::vector<EntryRange> ReadEntryRanges(const std::string& bytes, const std::string& package,
                                        std::size_t expected_entries, std::uint64_t end) {
  const std::uint64_t size = bytes.size();
  auto fits = [size](std::uint64_t at, std::uint64_t length) {
    return at <= size && length <= size - at;
  };
  std::uint64_t directory_size = Field(bytes, end + 12, 4);
  std::uint64_t directory = Field(bytes, end + 16, 4);
  std::uint64_t directory_limit = end;  // where the central directory must end by
  if (end >= kZip64LocatorLength &&
      Field(bytes, end - kZip64LocatorLength, 4) == kZip64LocatorSignature) {
    const std::uint64_t record = Field(bytes, end - kZip64LocatorLength + 8, 8);
    if (!fits(record, kZip64EndLength) || record + kZip64EndLength > end - kZip64LocatorLength ||
        Field(bytes, record, 4) != kZip64EndSignature) {
      Fail(package, text::Translate("has a damaged Zip64 end record"));
    }
    directory_size = Field(bytes, record + 40, 8);
    directory = Field(bytes, record + 48, 8);
    directory_limit = record;
  }
  if (directory > directory_limit || directory_size > directory_limit - directory) {
    Fail(package, text::Translate("has a central directory that lies outside the file"));
  }

  std::vector<EntryRange> ranges;
  for (std::uint64_t at = directory; at < directory + directory_size;) {
    const std::uint64_t left = directory + directory_size - at;
    if (left < kCentralLength || Field(bytes, at, 4) != kCentralSignature) {
      Fail(package, text::Translate("has a damaged central directory"));
    }
    const std::uint64_t name_length = Field(bytes, at + 28, 2);
    const std::uint64_t extra_length = Field(bytes, at + 30, 2);
    const std::uint64_t record_length =
        kCentralLength + name_length + extra_length + Field(bytes, at + 32, 2);
    if (record_length > left) Fail(package, text::Translate("has a damaged central directory"));
    if (ranges.size() == expected_entries) FailDisagreement(package);
    EntryRange range;
    range.index = ranges.size();
    const std::string name = bytes.substr(static_cast<std::size_t>(at + kCentralLength),
                                          static_cast<std::size_t>(name_length));
    range.crc = Field(bytes, at + 16, 4);
    range.compressed_size = Field(bytes, at + 20, 4);
    range.size = Field(bytes, at + 24, 4);
    range.begin = Field(bytes, at + 42, 4);
    if (range.size == 0xFFFFFFFF || range.compressed_size == 0xFFFFFFFF ||
        range.begin == 0xFFFFFFFF) {
      // The Zip64 extra field holds, in this order, each of these three
      // values that is 0xFFFFFFFF in the fixed part.
      bool found = false;
      std::uint64_t field = at + kCentralLength + name_length;
      const std::uint64_t fields_end = field + extra_length;
      while (!found && fields_end - field >= 4) {
        const std::uint64_t data_length = Field(bytes, field + 2, 2);
        if (data_length > fields_end - field - 4) break;
        if (Field(bytes, field, 2) == 0x0001) {
          found = true;
          std::uint64_t value = field + 4;
          for (std::uint64_t* target : {&range.size, &range.compressed_size, &range.begin}) {
            if (*target != 0xFFFFFFFF) continue;
            if (value + 8 > field + 4 + data_length) {
              Fail(package,
                   text::Format(text::Translate("has a damaged Zip64 field for {0}"), name));
            }
            *target = Field(bytes, value, 8);
            value += 8;
          }
        }
        field += 4 + data_length;
      }
      if (!found) Fail(package, text::Format(text::Translate("has no Zip64 field for {0}"), name));
    }
    if (!fits(range.begin, kLocalLength) || Field(bytes, range.begin, 4) != kLocalSignature) {
      Fail(
          package,
          text::Format(
              text::Translate("has no local header for {0} where its directory entry says"), name));
    }
    const std::uint64_t data = range.begin + kLocalLength + Field(bytes, range.begin + 26, 2) +
                               Field(bytes, range.begin + 28, 2);
    if (!fits(data, range.compressed_size) || data + range.compressed_size > directory) {
      throw PartError(
          package, name,
          text::Translate("reaches into the central directory or past the end of the file"));
    }
    range.end = data + range.compressed_size;
    ranges.push_back(std::move(range));
    at += record_length;
  }
  return ranges;
}

// Whether `ranges` are the entries libzip read: as many, each with its CRC-32
// and sizes.
bool AgreesWithLibzip(zip_t* archive, const std::vector<EntryRange>& ranges, std::size_t count) {
  bool same = ranges.size() == count;
  for (std::size_t i = 0; same && i < ranges.size(); ++i) {
    zip_stat_t st;
    zip_stat_init(&st);
    const std::uint64_t needed = ZIP_STAT_CRC | ZIP_STAT_COMP_SIZE | ZIP_STAT_SIZE;
    same = zip_stat_index(archive, i, 0, &st) == 0 && (st.valid & needed) == needed &&
           st.crc == ranges[i].crc && st.comp_size == ranges[i].compressed_size &&
           st.size == ranges[i].size;
  }
  return same;
}

void RefuseOverlaps(std::vector<EntryRange> ranges, const std::string& package,
                    const std::vector<std::string>& names) {
  std::sort(ranges.begin(), ranges.end(),
            [](const EntryRange& a, const EntryRange& b) { return a.begin < b.begin; });
  for (std::size_t i = 1; i < ranges.size(); ++i) {
    if (ranges[i].begin < ranges[i - 1].end) {
      Fail(package,
           text::Format(
               text::Translate("parts {0} and {1} overlap in the file, as in a zip bomb; refused"),
               names[ranges[i - 1].index], names[ranges[i].index]));
    }
  }
}

// Refuses a package whose entries share bytes (`names` are libzip's). Like
// libzip, which takes the first end record whose directory it can read, this
// walks every candidate: bytes after the directory may hold an older end
// record or a stray signature. A candidate whose directory this reader cannot
// read, or whose entries are not libzip's, is not the one libzip uses. Every
// one that agrees with libzip is checked, so that a second directory of the
// same entries cannot hide a layout that libzip might prefer.
void CheckEntryLayout(const std::string& bytes, zip_t* archive, const std::string& package,
                      const std::vector<std::string>& names) {
  std::exception_ptr first_failure;
  bool agreed = false;
  bool disagreed = false;
  for (const std::uint64_t end : EndRecordCandidates(bytes)) {
    std::vector<EntryRange> ranges;
    try {
      ranges = ReadEntryRanges(bytes, package, names.size(), end);
    } catch (const wordproc::Error&) {
      if (!first_failure) first_failure = std::current_exception();
      continue;
    }
    if (!AgreesWithLibzip(archive, ranges, names.size())) {
      disagreed = true;
      continue;
    }
    agreed = true;
    RefuseOverlaps(std::move(ranges), package, names);
  }
  if (agreed) return;
  if (first_failure) std::rethrow_exception(first_failure);
  if (disagreed) FailDisagreement(package);
  Fail(package, text::Translate("has no readable zip directory"));
}

// Inflates every entry once, so that libzip compares each one's CRC-32 with
// its contents: parts copied into the document as their compressed bytes are
// never inflated otherwise. The limits on part size were checked before.
void VerifyEntries(zip_t* archive, const std::string& package,
                   const std::vector<std::string>& names) {
  std::vector<char> buffer(1 << 16);
  for (std::size_t i = 0; i < names.size(); ++i) {
    zip_stat_t st;
    zip_stat_init(&st);
    zip_file_t* file = nullptr;
    if (zip_stat_index(archive, i, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) ||
        !(file = zip_fopen_index(archive, i, 0))) {
      throw PartError(package, names[i],
                      text::Format(text::Translate("cannot be read ({0})"), zip_strerror(archive)));
    }
    std::uint64_t total = 0;
    zip_int64_t n = 0;
    while (total <= st.size && (n = zip_fread(file, buffer.data(), buffer.size())) > 0) {
      total += static_cast<std::uint64_t>(n);
    }
    const int code = zip_error_code_zip(zip_file_get_error(file));
    const std::string text = zip_file_strerror(file);
    zip_fclose(file);
    if (n < 0 && code == ZIP_ER_CRC) {
      throw PartError(
          package, names[i],
          text::Translate("is damaged: its CRC-32 checksum does not match its contents"));
    }
    if (n < 0 || total != st.size)
      throw PartError(package, names[i], text::Format(text::Translate("is damaged ({0})"), text));
  }
}

}  // namespace

std::unique_ptr<TemplatePackage> TemplatePackage::Open(const std::string& path,
                                                       const PackageLimits& limits) {
  namespace fs = std::filesystem;
  const fs::path file = text::PathFromUtf8(path);
  std::error_code ec;
  if (fs::is_directory(file, ec)) Fail(path, text::Translate("is a folder, not a template file"));
  const std::uintmax_t size = fs::file_size(file, ec);
  if (ec) Fail(path, text::Format(text::Translate("cannot be read ({0})"), ec.message()));
  if (size > limits.max_file_size) {
    Fail(path, text::Format(text::Translate("is larger than {0} MiB; refusing to open it"),
                            limits.max_file_size >> 20));
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) Fail(path, text::Translate("cannot be opened for reading"));
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (size > 0 && !in.read(bytes.data(), static_cast<std::streamsize>(size))) {
    Fail(path, text::Translate("could not be read completely"));
  }
  return FromBytes(std::move(bytes), path, limits);
}

std::unique_ptr<TemplatePackage> TemplatePackage::FromBytes(std::string bytes,
                                                            const std::string& name,
                                                            const PackageLimits& limits) {
  std::unique_ptr<TemplatePackage> package(new TemplatePackage());
  package->name_ = name;
  package->bytes_ = std::move(bytes);
  package->limits_ = limits;
  package->Load(limits);
  return package;
}

TemplatePackage::~TemplatePackage() {
  if (archive_) zip_discard(archive_);
}

void TemplatePackage::Load(const PackageLimits& limits) {
  if (bytes_.empty()) Fail(name_, text::Translate("is empty; it is not a word-processor template"));
  if (bytes_.size() >= sizeof kOleSignature &&
      std::memcmp(bytes_.data(), kOleSignature, sizeof kOleSignature) == 0) {
    throw LegacyTemplateError(name_);
  }
  if (const std::size_t end_records = EndRecordCandidates(bytes_).size();
      end_records > limits.max_end_records) {
    Fail(name_, text::Format(text::Translate("has {0} zip end records; more than {1} are refused"),
                             end_records, limits.max_end_records));
  }
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes_.data(), bytes_.size(), 0, &error);
  if (!source) {
    std::string text = ZipErrorText(&error);
    zip_error_fini(&error);
    Fail(name_, text::Format(text::Translate("cannot be opened ({0})"), text));
  }
  archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
  if (!archive_) {
    zip_source_free(source);
    std::string text = ZipErrorText(&error);
    zip_error_fini(&error);
    Fail(name_, text::Format(text::Translate("is not a valid .dotx/.docx package ({0})"), text));
  }
  zip_error_fini(&error);

  const zip_int64_t count = zip_get_num_entries(archive_, 0);
  if (count < 0 || static_cast<std::uint64_t>(count) > limits.max_entries) {
    Fail(name_, text::Format(text::Translate("has {0} entries; more than {1} are refused"), count,
                             limits.max_entries));
  }
  std::uint64_t total_size = 0;
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive_, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !st.name) {
      Fail(name_,
           text::Format(text::Translate("has an unreadable entry ({0})"), zip_strerror(archive_)));
    }
    const std::string entry = st.name;
    if (index_of_.count(entry))
      Fail(name_, text::Format(text::Translate("holds the part {0} twice"), entry));
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
      Fail(name_,
           text::Format(text::Translate(
                            "holds the encrypted part {0}; encrypted templates are not supported"),
                        entry));
    }
    if ((st.valid & ZIP_STAT_SIZE) && st.size > limits.max_part_size) {
      throw PartError(
          name_, entry,
          text::Format(text::Translate("inflates to {0} MiB, more than the limit of {1} MiB"),
                       st.size >> 20, limits.max_part_size >> 20));
    }
    if ((st.valid & ZIP_STAT_SIZE) && (st.valid & ZIP_STAT_COMP_SIZE) && st.size > (1u << 20) &&
        st.size / (st.comp_size ? st.comp_size : 1) > limits.max_compression_ratio) {
      throw PartError(name_, entry,
                      text::Translate("claims an impossible compression ratio; refused"));
    }
    total_size += st.size;
    if (total_size > limits.max_total_size) {
      Fail(name_, text::Format(
                      text::Translate("inflates to more than {0} MiB in all; refusing to open it"),
                      limits.max_total_size >> 20));
    }
    index_of_[entry] = static_cast<zip_uint64_t>(i);
    stored_name_of_.try_emplace(PartNameKey(entry), entry);
    order_.push_back(entry);
  }
  CheckEntryLayout(bytes_, archive_, name_, order_);
  VerifyEntries(archive_, name_, order_);
}

std::string PartNameKey(const std::string& part_name) {
  std::string key = PercentDecoded(part_name);
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

std::string TemplatePackage::FindPart(const std::string& part_name) const {
  if (index_of_.count(part_name)) return part_name;
  auto found = stored_name_of_.find(PartNameKey(part_name));
  return found == stored_name_of_.end() ? std::string() : found->second;
}

std::vector<std::string> TemplatePackage::PartNames() const {
  return order_;
}

std::string TemplatePackage::ReadPart(const std::string& part_name) const {
  auto it = index_of_.find(FindPart(part_name));
  if (it == index_of_.end())
    Fail(name_, text::Format(text::Translate("has no part {0}"), part_name));
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(archive_, it->second, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) {
    throw PartError(name_, part_name, text::Translate("cannot be read"));
  }
  zip_file_t* file = zip_fopen_index(archive_, it->second, 0);
  if (!file) {
    throw PartError(name_, part_name,
                    text::Format(text::Translate("cannot be read ({0})"), zip_strerror(archive_)));
  }
  std::string content;
  content.resize(static_cast<std::size_t>(st.size));
  zip_int64_t total = 0;
  // Read one byte past the declared size, so that data longer than the header
  // says is noticed instead of trusted.
  char extra = 0;
  while (static_cast<zip_uint64_t>(total) < st.size) {
    zip_int64_t n =
        zip_fread(file, content.data() + total, st.size - static_cast<zip_uint64_t>(total));
    if (n <= 0) break;
    total += n;
  }
  zip_int64_t beyond = zip_fread(file, &extra, 1);
  std::string error_text = zip_file_strerror(file);
  zip_fclose(file);
  if (static_cast<zip_uint64_t>(total) != st.size || beyond != 0) {
    throw PartError(name_, part_name,
                    text::Format(text::Translate("is damaged ({0})"), error_text));
  }
  return content;
}

std::string TemplatePackage::Write(const std::map<std::string, std::string>& replaced,
                                   const std::set<std::string>& dropped) const {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* target_source = zip_source_buffer_create(nullptr, 0, 0, &error);
  if (!target_source)
    throw wordproc::Error(text::Format(text::Translate("cannot create a package in memory: {0}"),
                                       ZipErrorText(&error)));
  zip_t* target = zip_open_from_source(target_source, ZIP_TRUNCATE, &error);
  if (!target) {
    zip_source_free(target_source);
    std::string text = ZipErrorText(&error);
    zip_error_fini(&error);
    throw wordproc::Error(
        text::Format(text::Translate("cannot create a package in memory: {0}"), text));
  }
  zip_error_fini(&error);
  zip_source_keep(target_source);

  auto fail = [&](const std::string& what) {
    std::string text = what + " (" + zip_strerror(target) + ")";
    zip_discard(target);
    zip_source_free(target_source);
    throw wordproc::Error(text);
  };

  std::vector<std::string> parts = order_;
  for (const auto& [part, content] : replaced) {
    if (!index_of_.count(part)) parts.push_back(part);
  }
  for (const std::string& part : parts) {
    if (dropped.count(part)) continue;
    zip_source_t* part_source = nullptr;
    auto replacement = replaced.find(part);
    if (replacement != replaced.end()) {
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
    if (replacement != replaced.end()) {
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
    throw wordproc::Error(text::Translate("cannot read back the document package"));
  }
  out.resize(static_cast<std::size_t>(st.size));
  zip_int64_t n = zip_source_read(target_source, out.data(), st.size);
  zip_source_close(target_source);
  zip_source_free(target_source);
  if (n < 0 || static_cast<zip_uint64_t>(n) != st.size) {
    throw wordproc::Error(text::Translate("cannot read back the document package"));
  }
  return out;
}

std::string ResolvePartName(const std::string& source_part, const std::string& target) {
  std::string path;
  if (!target.empty() && target[0] == '/') {
    path = target.substr(1);
  } else {
    std::size_t slash = source_part.rfind('/');
    path = (slash == std::string::npos ? "" : source_part.substr(0, slash + 1)) + target;
  }
  std::vector<std::string> parts;
  std::stringstream stream(path);
  std::string piece;
  while (std::getline(stream, piece, '/')) {
    piece = PercentDecoded(piece);
    if (piece.empty() || piece == ".") continue;
    if (piece == "..") {
      if (parts.empty()) return "";
      parts.pop_back();
      continue;
    }
    parts.push_back(piece);
  }
  std::string result;
  for (const std::string& p : parts) result += (result.empty() ? "" : "/") + p;
  return result;
}

}  // namespace reportword::docx
