// Where each entry of a template's archive lies in the file.
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
#include "package/entry_layout.h"

#include <algorithm>
#include <exception>

#include "text/failure.h"
#include "text/translate.h"

namespace reportword::docx {
namespace {

[[noreturn]] void Fail(const std::string& package, const std::string& what) {
  throw TemplateFailure(package, what);
}

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

// The ranges of all entries in central-directory order (the order of libzip's
// indexes) of the directory that the end record at `end` describes; more than
// `expected_entries` is a directory libzip did not read. Throws
// Failure naming `package` when the directory is damaged or a range is
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
      throw PartFailure(
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

}  // namespace

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

// Every candidate end record is walked, as libzip walks them; see the header.
void CheckEntryLayout(const std::string& bytes, zip_t* archive, const std::string& package,
                      const std::vector<std::string>& names) {
  std::exception_ptr first_failure;
  bool agreed = false;
  bool disagreed = false;
  for (const std::uint64_t end : EndRecordCandidates(bytes)) {
    std::vector<EntryRange> ranges;
    try {
      ranges = ReadEntryRanges(bytes, package, names.size(), end);
    } catch (const Failure&) {
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

}  // namespace reportword::docx
