#include "docgen/wordproc/docx/docx_package.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "docgen/generation_error.h"

namespace reportword::docx {
namespace {

constexpr unsigned char kOleSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

std::string Quoted(const std::string& name) {
  return "\"" + name + "\"";
}

[[noreturn]] void Fail(const std::string& package, const std::string& what) {
  throw GenerationError("template " + Quoted(package) + ": " + what);
}

std::string ZipErrorText(zip_error_t* error) {
  const char* text = zip_error_strerror(error);
  return text ? text : "unknown zip error";
}

}  // namespace

std::unique_ptr<TemplatePackage> TemplatePackage::Open(const std::string& path,
                                                       const PackageLimits& limits) {
  namespace fs = std::filesystem;
  const fs::path file = fs::u8path(path);
  std::error_code ec;
  if (fs::is_directory(file, ec)) Fail(path, "is a folder, not a template file");
  const std::uintmax_t size = fs::file_size(file, ec);
  if (ec) Fail(path, "cannot be read (" + ec.message() + ")");
  if (size > limits.max_file_size) {
    Fail(path, "is larger than " + std::to_string(limits.max_file_size >> 20) +
                   " MiB; refusing to open it");
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) Fail(path, "cannot be opened for reading");
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (size > 0 && !in.read(bytes.data(), static_cast<std::streamsize>(size))) {
    Fail(path, "could not be read completely");
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
  if (bytes_.empty()) Fail(name_, "is empty; it is not a word-processor template");
  if (bytes_.size() >= sizeof kOleSignature &&
      std::memcmp(bytes_.data(), kOleSignature, sizeof kOleSignature) == 0) {
    Fail(name_,
         "is a legacy binary Word file (.dot/.doc), which this program cannot read; save the "
         "template as a Word template (.dotx) and use that");
  }
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes_.data(), bytes_.size(), 0, &error);
  if (!source) {
    std::string text = ZipErrorText(&error);
    zip_error_fini(&error);
    Fail(name_, "cannot be opened (" + text + ")");
  }
  archive_ = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
  if (!archive_) {
    zip_source_free(source);
    std::string text = ZipErrorText(&error);
    zip_error_fini(&error);
    Fail(name_, "is not a valid .dotx/.docx package (" + text + ")");
  }
  zip_error_fini(&error);

  const zip_int64_t count = zip_get_num_entries(archive_, 0);
  if (count < 0 || static_cast<std::uint64_t>(count) > limits.max_entries) {
    Fail(name_, "has " + std::to_string(count) + " entries; more than " +
                    std::to_string(limits.max_entries) + " are refused");
  }
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive_, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !st.name) {
      Fail(name_, "has an unreadable entry (" + std::string(zip_strerror(archive_)) + ")");
    }
    const std::string entry = st.name;
    if (index_of_.count(entry)) Fail(name_, "holds the part " + entry + " twice");
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
      Fail(name_, "holds the encrypted part " + entry + "; encrypted templates are not supported");
    }
    if ((st.valid & ZIP_STAT_SIZE) && st.size > limits.max_part_size) {
      Fail(name_, "part " + entry + " inflates to " + std::to_string(st.size >> 20) +
                      " MiB, more than the limit of " + std::to_string(limits.max_part_size >> 20) +
                      " MiB");
    }
    if ((st.valid & ZIP_STAT_SIZE) && (st.valid & ZIP_STAT_COMP_SIZE) && st.size > (1u << 20) &&
        st.size / (st.comp_size ? st.comp_size : 1) > limits.max_compression_ratio) {
      Fail(name_, "part " + entry + " claims an impossible compression ratio; refused");
    }
    index_of_[entry] = static_cast<zip_uint64_t>(i);
    order_.push_back(entry);
  }
}

bool TemplatePackage::HasPart(const std::string& part_name) const {
  return index_of_.count(part_name) != 0;
}

std::vector<std::string> TemplatePackage::PartNames() const {
  return order_;
}

std::string TemplatePackage::ReadPart(const std::string& part_name) const {
  auto it = index_of_.find(part_name);
  if (it == index_of_.end()) Fail(name_, "has no part " + part_name);
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(archive_, it->second, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) {
    Fail(name_, "part " + part_name + " cannot be read");
  }
  zip_file_t* file = zip_fopen_index(archive_, it->second, 0);
  if (!file) {
    Fail(name_, "part " + part_name + " cannot be read (" + zip_strerror(archive_) + ")");
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
    Fail(name_, "part " + part_name + " is damaged (" + error_text + ")");
  }
  return content;
}

std::string TemplatePackage::Write(const std::map<std::string, std::string>& replaced,
                                   const std::set<std::string>& dropped) const {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* target_source = zip_source_buffer_create(nullptr, 0, 0, &error);
  if (!target_source)
    throw GenerationError("cannot create a package in memory: " + ZipErrorText(&error));
  zip_t* target = zip_open_from_source(target_source, ZIP_TRUNCATE, &error);
  if (!target) {
    zip_source_free(target_source);
    std::string text = ZipErrorText(&error);
    zip_error_fini(&error);
    throw GenerationError("cannot create a package in memory: " + text);
  }
  zip_error_fini(&error);
  zip_source_keep(target_source);

  auto fail = [&](const std::string& what) {
    std::string text = what + " (" + zip_strerror(target) + ")";
    zip_discard(target);
    zip_source_free(target_source);
    throw GenerationError(text);
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
    if (!part_source) fail("cannot copy part " + part);
    zip_int64_t index = zip_file_add(target, part.c_str(), part_source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip_source_free(part_source);
      fail("cannot add part " + part);
    }
    if (replacement != replaced.end()) {
      // The fastest level: for a large body table level 6 costs more than the
      // rest of the run together and saves under a tenth of the size.
      zip_set_file_compression(target, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1);
    }
  }
  if (zip_close(target) != 0) fail("cannot complete the document package");

  std::string out;
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_source_stat(target_source, &st) != 0 || zip_source_open(target_source) != 0) {
    zip_source_free(target_source);
    throw GenerationError("cannot read back the document package");
  }
  out.resize(static_cast<std::size_t>(st.size));
  zip_int64_t n = zip_source_read(target_source, out.data(), st.size);
  zip_source_close(target_source);
  zip_source_free(target_source);
  if (n < 0 || static_cast<zip_uint64_t>(n) != st.size) {
    throw GenerationError("cannot read back the document package");
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
