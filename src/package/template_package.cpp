#include "package/template_package.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

#include "package/entry_layout.h"
#include "package/zip_error_text.h"
#include "text/failure.h"
#include "text/system_error_text.h"
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
  throw TemplateFailure(package, what);
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
      throw PartFailure(
          package, names[i],
          text::Format(text::Translate("cannot be read ({0})"), ZipErrorText(archive)));
    }
    std::uint64_t total = 0;
    zip_int64_t n = 0;
    while (total <= st.size && (n = zip_fread(file, buffer.data(), buffer.size())) > 0) {
      total += static_cast<std::uint64_t>(n);
    }
    const int code = zip_error_code_zip(zip_file_get_error(file));
    const std::string text = ZipErrorText(file);
    zip_fclose(file);
    if (n < 0 && code == ZIP_ER_CRC) {
      throw PartFailure(
          package, names[i],
          text::Translate("is damaged: its CRC-32 checksum does not match its contents"));
    }
    if (n < 0 || total != st.size)
      throw PartFailure(package, names[i], text::Format(text::Translate("is damaged ({0})"), text));
  }
}

}  // namespace

Failure LegacyTemplateFailure(const std::string& template_path) {
  return TemplateFailure(
      template_path, text::Translate("is a legacy binary Word file (.dot/.doc); save it as a Word "
                                     "template (.dotx), or install LibreOffice, which enables "
                                     "this format"));
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

TemplatePackage::~TemplatePackage() = default;

void TemplatePackage::Load(const PackageLimits& limits) {
  if (bytes_.empty()) Fail(name_, text::Translate("is empty; it is not a word-processor template"));
  if (bytes_.size() >= sizeof kOleSignature &&
      std::memcmp(bytes_.data(), kOleSignature, sizeof kOleSignature) == 0) {
    throw LegacyTemplateFailure(name_);
  }
  if (const std::size_t end_records = EndRecordCandidates(bytes_).size();
      end_records > limits.max_end_records) {
    Fail(name_, text::Format(text::Translate("has {0} zip end records; more than {1} are refused"),
                             end_records, limits.max_end_records));
  }
  ZipError error;
  ZipSource source(zip_source_buffer_create(bytes_.data(), bytes_.size(), 0, error.get()));
  if (!source)
    Fail(name_, text::Format(text::Translate("cannot be opened ({0})"), ZipErrorText(error.get())));
  archive_.reset(zip_open_from_source(source.get(), ZIP_RDONLY, error.get()));
  if (!archive_) {
    Fail(name_, text::Format(text::Translate("is not a valid .dotx/.docx package ({0})"),
                             ZipErrorText(error.get())));
  }
  source.release();  // the archive's now

  const zip_int64_t count = zip_get_num_entries(archive_.get(), 0);
  if (count < 0 || static_cast<std::uint64_t>(count) > limits.max_entries) {
    Fail(name_, text::Format(text::Translate("has {0} entries; more than {1} are refused"), count,
                             limits.max_entries));
  }
  std::uint64_t total_size = 0;
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive_.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0 || !st.name) {
      Fail(name_, text::Format(text::Translate("has an unreadable entry ({0})"),
                               ZipErrorText(archive_.get())));
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
      throw PartFailure(
          name_, entry,
          text::Format(text::Translate("inflates to {0} MiB, more than the limit of {1} MiB"),
                       st.size >> 20, limits.max_part_size >> 20));
    }
    if ((st.valid & ZIP_STAT_SIZE) && (st.valid & ZIP_STAT_COMP_SIZE) && st.size > (1u << 20) &&
        st.size / (st.comp_size ? st.comp_size : 1) > limits.max_compression_ratio) {
      throw PartFailure(name_, entry,
                        text::Translate("claims an impossible compression ratio; refused"));
    }
    total_size += st.size;
    if (total_size > limits.max_total_size) {
      Fail(name_, text::Format(
                      text::Translate("inflates to more than {0} MiB in all; refusing to open it"),
                      limits.max_total_size >> 20));
    }
    index_of_[entry] = static_cast<zip_uint64_t>(i);
    // Part names are equal without regard to ASCII case and escapes; a
    // package holding one under two such names is not a valid package, and
    // which of the two a reader takes is anyone's guess. A folder entry is
    // no part.
    if (!entry.ends_with('/')) {
      const auto [first, added] = stored_name_of_.try_emplace(PartNameKey(entry), entry);
      if (!added) {
        Fail(name_, text::Format(text::Translate("holds one part under two names, {0} and {1}; a "
                                                 "package may hold each part only once"),
                                 first->second, entry));
      }
    }
    order_.push_back(entry);
  }
  CheckEntryLayout(bytes_, archive_.get(), name_, order_);
  VerifyEntries(archive_.get(), name_, order_);
}

std::string PartNameKey(const std::string& part_name) {
  std::string key = PercentDecoded(part_name);
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

std::string TemplatePackage::FindPart(const std::string& part_name) const {
  if (index_of_.count(part_name) && !part_name.ends_with('/')) return part_name;
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
  if (zip_stat_index(archive_.get(), it->second, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) {
    throw PartFailure(name_, part_name, text::Translate("cannot be read"));
  }
  zip_file_t* file = zip_fopen_index(archive_.get(), it->second, 0);
  if (!file) {
    throw PartFailure(
        name_, part_name,
        text::Format(text::Translate("cannot be read ({0})"), ZipErrorText(archive_.get())));
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
  std::string error_text = ZipErrorText(file);
  zip_fclose(file);
  if (static_cast<zip_uint64_t>(total) != st.size || beyond != 0) {
    throw PartFailure(name_, part_name,
                      text::Format(text::Translate("is damaged ({0})"), error_text));
  }
  return content;
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
