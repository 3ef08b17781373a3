// An OOXML package (a zip of XML and binary parts) opened as a template, and
// the writing of a new package from it with some parts replaced or dropped.
// (Opening and reading: docx_package.cpp; writing: package_writing.cpp.)
#pragma once

#include <zip.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "package/zip_handles.h"
#include "text/failure.h"

namespace reportword::docx {

// Bounds that keep a hostile template from taking unbounded time or memory.
struct PackageLimits {
  std::uint64_t max_file_size = 512ull << 20;  // the template file itself
  std::uint64_t max_part_size = 256ull << 20;  // one part, uncompressed
  // All parts together, uncompressed: every part is inflated once on opening.
  std::uint64_t max_total_size = 1ull << 30;
  std::uint64_t max_entries = 10000;
  // libzip reads the directory of every end record in the last 64 KiB, and
  // every local header of each once there are several: thousands of copies of
  // one record keep it busy for many minutes. A real file has one, or a few
  // left over in trailing bytes.
  std::uint64_t max_end_records = 16;
  // Deflate cannot compress better than about 1032:1; more is a forged header.
  std::uint64_t max_compression_ratio = 1100;
};

// A part whose contents are made while the package is written, so that
// neither they nor their compressed form are ever held whole: `produce`
// appends the next piece to the empty buffer it is given and returns false
// once that piece is the last. It is called until then, on one pass only.
// `size_bound`, when not 0, is a size the part cannot exceed: libzip leaves
// the Zip64 fields out of an entry whose size it is told is under 4 GiB, and
// without them the package is plain zip as word processors expect. The real
// size and CRC-32 are the ones counted while the part is read.
struct StreamedPart {
  std::string name;
  std::function<bool(std::string& piece)> produce;
  std::uint64_t size_bound = 0;
};

class TemplatePackage {
 public:
  // Reads and checks the package in `bytes`, read from the template file
  // `name`. Throws Failure with a message that names the file and says what
  // is wrong with it.
  static std::unique_ptr<TemplatePackage> FromBytes(std::string bytes, const std::string& name,
                                                    const PackageLimits& limits = {});
  ~TemplatePackage();
  TemplatePackage(const TemplatePackage&) = delete;
  TemplatePackage& operator=(const TemplatePackage&) = delete;

  const std::string& name() const { return name_; }
  // The name under which the package stores the part `part_name`, or "" when it
  // has none. Part names are URIs compared without regard to ASCII case and
  // with %XX escapes decoded, so "word/Header1.xml" finds "word/header1.xml";
  // an entry of exactly that name wins. Every set or map of parts keys on the
  // stored name, so that two spellings of one part stay one part.
  std::string FindPart(const std::string& part_name) const;
  bool HasPart(const std::string& part_name) const { return !FindPart(part_name).empty(); }
  // The uncompressed bytes of a part (any spelling FindPart accepts); throws
  // Failure when it is missing or cannot be read within the limits.
  std::string ReadPart(const std::string& part_name) const;
  std::vector<std::string> PartNames() const;

  // A complete new package: every part of this one in its order, except that
  // `replaced` parts get new contents and `dropped` parts are left out. Parts
  // that are neither are copied as their compressed bytes. `replaced` parts
  // that this package lacks are added at the end. A `streamed` part is
  // replaced (or added) as `replaced` parts are, its contents made as they are
  // compressed. Throws Failure, or what `produce` threw.
  std::string Write(const std::map<std::string, std::string>& replaced,
                    const std::set<std::string>& dropped,
                    const StreamedPart* streamed = nullptr) const;

 private:
  TemplatePackage() = default;
  void Load(const PackageLimits& limits);

  std::string name_;
  std::string bytes_;  // the archive, kept for the life of the package
  ZipArchive archive_;
  PackageLimits limits_;
  std::vector<std::string> order_;
  std::map<std::string, zip_uint64_t> index_of_;
  std::map<std::string, std::string> stored_name_of_;  // by PartNameKey, the first entry
};

// Why a legacy binary Word template (.dot/.doc) is not read without a converter.
Failure LegacyTemplateFailure(const std::string& template_path);

// The form in which two names of one part are equal: %XX escapes decoded and
// ASCII letters lower-cased.
std::string PartNameKey(const std::string& part_name);

// Resolves a relationship target against the folder of the part that owns the
// relationships, with %XX escapes of its segments decoded; returns "" when the
// target leaves the package.
std::string ResolvePartName(const std::string& source_part, const std::string& target);

}  // namespace reportword::docx
