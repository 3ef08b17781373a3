// Builds and reads small OOXML packages for the tests, so that every template
// a test uses is written out in the test itself.
#pragma once

#include <zip.h>

#include "test_support.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace reportword::test {

using Parts = std::vector<std::pair<std::string, std::string>>;  // in archive order

inline constexpr const char* kCorePropertiesXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<cp:coreProperties "
    "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
    "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><dc:title>Netzanalyse</dc:title>"
    "<dcterms:created xsi:type=\"dcterms:W3CDTF\">2026-01-01T08:00:00Z</dcterms:created>"
    "</cp:coreProperties>";
inline constexpr const char* kAppPropertiesXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><Properties "
    "xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "extended-properties\"><Template>Normal.dotm</Template><Pages>1</Pages></Properties>";
inline constexpr const char* kWordNs =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

// `stored` parts are written uncompressed (as an OpenDocument package's
// "mimetype" must be); the others are deflated.
inline std::string ZipParts(const Parts& parts, const std::set<std::string>& stored = {}) {
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, nullptr);
  zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, nullptr);
  zip_source_keep(buffer);
  for (const auto& [name, content] : parts) {
    zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
    const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (stored.count(name)) zip_set_file_compression(archive, index, ZIP_CM_STORE, 0);
  }
  if (zip_close(archive) != 0) throw std::runtime_error("zip_close failed");
  zip_stat_t st;
  zip_source_stat(buffer, &st);
  std::string bytes(static_cast<std::size_t>(st.size), '\0');
  zip_source_open(buffer);
  zip_source_read(buffer, bytes.data(), st.size);
  zip_source_close(buffer);
  zip_source_free(buffer);
  return bytes;
}

// All parts of a package on disk, by name (read through std::filesystem, so
// that non-ASCII names work on Windows too).
inline std::map<std::string, std::string> ReadPackage(const std::filesystem::path& path) {
  const std::string bytes = ReadFile(path);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, nullptr);
  zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, nullptr);
  if (!archive) {
    zip_source_free(source);
    throw std::runtime_error("not a zip: " + path.string());
  }
  std::map<std::string, std::string> parts;
  for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(zip_get_num_entries(archive, 0)); ++i) {
    zip_stat_t st;
    zip_stat_index(archive, i, 0, &st);
    zip_file_t* file = zip_fopen_index(archive, i, 0);
    std::string& content = parts[st.name] = std::string(static_cast<std::size_t>(st.size), '\0');
    zip_fread(file, content.data(), st.size);
    zip_fclose(file);
  }
  zip_close(archive);
  return parts;
}

// The content of part `name`, to change it in place.
inline std::string& Part(Parts& parts, const std::string& name) {
  for (auto& [part, content] : parts) {
    if (part == name) return content;
  }
  throw std::runtime_error("no part " + name);
}

// Byte surgery on a package that ZipParts wrote (no archive comment, no Zip64),
// for the cases about the zip container itself.
inline std::uint64_t Get(const std::string& zip, std::size_t at, int bytes) {
  std::uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(zip.at(at + i));
  return value;
}
inline void Put(std::string& zip, std::size_t at, int bytes, std::uint64_t value) {
  for (int i = 0; i < bytes; ++i) zip.at(at + i) = static_cast<char>(value >> (8 * i) & 0xFF);
}
inline constexpr std::size_t kEocdLength = 22;
// The offset of the central directory header of `name`.
inline std::size_t CentralHeader(const std::string& zip, const std::string& name) {
  std::size_t at = Get(zip, zip.size() - kEocdLength + 16, 4);
  while (Get(zip, at, 4) == 0x02014b50) {
    const std::size_t name_length = Get(zip, at + 28, 2);
    if (zip.compare(at + 46, name_length, name) == 0 && name_length == name.size()) return at;
    at += 46 + name_length + Get(zip, at + 30, 2) + Get(zip, at + 32, 2);
  }
  throw std::runtime_error("no entry " + name);
}
inline std::size_t LocalHeader(const std::string& zip, const std::string& name) {
  return Get(zip, CentralHeader(zip, name) + 42, 4);
}
// Changes the field of `bytes` bytes at `offset` in the local (or else the
// central directory) header of `name`.
inline void Change(std::string& zip, const std::string& name, bool local, std::size_t offset,
                   int bytes, const std::function<std::uint64_t(std::uint64_t)>& change) {
  const std::size_t at = (local ? LocalHeader(zip, name) : CentralHeader(zip, name)) + offset;
  Put(zip, at, bytes, change(Get(zip, at, bytes)));
}
// `value` as `bytes` little-endian bytes.
inline std::string Le(std::uint64_t value, int bytes) {
  std::string out(static_cast<std::size_t>(bytes), '\0');
  Put(out, 0, bytes, value);
  return out;
}
// The same package in the Zip64 form: every size and offset of the central
// directory in a Zip64 extra field, and a Zip64 end record with its locator.
inline std::string AsZip64(const std::string& zip) {
  const std::size_t eocd = zip.size() - kEocdLength;
  const std::size_t directory = Get(zip, eocd + 16, 4);
  std::string out = zip.substr(0, directory);
  std::size_t entries = 0;
  for (std::size_t at = directory; at < eocd; ++entries) {
    const std::size_t name_length = Get(zip, at + 28, 2), extra_length = Get(zip, at + 30, 2),
                      comment_length = Get(zip, at + 32, 2);
    std::string header = zip.substr(at, 46 + name_length);
    // Uncompressed and compressed size, local header offset.
    const std::string zip64 = Le(1, 2) + Le(24, 2) + Le(Get(header, 24, 4), 8) +
                              Le(Get(header, 20, 4), 8) + Le(Get(header, 42, 4), 8);
    for (std::size_t field : {20, 24, 42}) Put(header, field, 4, 0xFFFFFFFF);
    Put(header, 30, 2, extra_length + zip64.size());
    out += header + zip64 + zip.substr(at + 46 + name_length, extra_length + comment_length);
    at += 46 + name_length + extra_length + comment_length;
  }
  const std::size_t record = out.size();
  // The end record (made by and needing version 4.5, one disk), its locator,
  // and the old end record pointing to them.
  return out + Le(0x06064b50, 4) + Le(44, 8) + Le(45, 2) + Le(45, 2) + Le(0, 8) + Le(entries, 8) +
         Le(entries, 8) + Le(record - directory, 8) + Le(directory, 8) + Le(0x07064b50, 4) +
         Le(0, 4) + Le(record, 8) + Le(1, 4) + zip.substr(eocd, 8) + Le(0xFFFF, 2) + Le(0xFFFF, 2) +
         Le(0xFFFFFFFF, 4) + Le(0xFFFFFFFF, 4) + zip.substr(eocd + 20);
}

// A template with one section whose headers are given as the inner XML of
// w:hdr, keyed by kind ("default", "first", "even"), and the inner XML of the
// body before its section properties.
struct TemplateContents {
  std::map<std::string, std::string> headers = {
      {"default",
       "<w:p><w:r><w:t>&lt;objektbezeichnung&gt; &lt;Datum&gt; "
       "&lt;Bau-Nummer&gt;</w:t></w:r></w:p>"}};
  std::string body = "<w:p><w:r><w:t>Template body text</w:t></w:r></w:p>";
  std::string section_extra;  // more children of the body's w:sectPr (after the references)
  // When set, the header and footer references of the body's w:sectPr.
  std::optional<std::string> final_references;
  std::string main_content_type =
      "application/vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml";
  std::string footer = "<w:p><w:r><w:t>&lt;Datum&gt; footer</w:t></w:r></w:p>";
  Parts extra_parts;
  std::string extra_relationships;
  std::string extra_content_types;
  // The whole docProps/core.xml and docProps/app.xml; empty leaves the part out.
  std::string core_properties = kCorePropertiesXml;
  std::string app_properties = kAppPropertiesXml;
};

inline Parts TemplateParts(const TemplateContents& spec) {
  const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";
  const std::string relationships =
      declaration +
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  const std::string office = "http://schemas.openxmlformats.org/officeDocument/2006/";
  const std::string opc = "http://schemas.openxmlformats.org/package/2006/";
  const std::string wordml = "application/vnd.openxmlformats-officedocument.wordprocessingml.";
  std::string types = declaration + "<Types xmlns=\"" + opc +
                      "content-types\"><Default Extension=\"rels\" "
                      "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/"
                      "><Default Extension=\"xml\" ContentType=\"application/xml\"/><Override "
                      "PartName=\"/word/document.xml\" ContentType=\"" +
                      spec.main_content_type + "\"/>";
  std::string document_rels, references;
  std::string package_rels = "<Relationship Id=\"rId1\" Type=\"" + office +
                             "relationships/officeDocument\" Target=\"word/document.xml\"/>";
  Parts parts;
  // Adds part `name` with its content type and its relationship in `rels`
  // (the main part's relationships name their targets from word/).
  auto add = [&](std::string& rels, const std::string& id, const std::string& type,
                 const std::string& name, const std::string& content_type,
                 const std::string& content) {
    types += "<Override PartName=\"/" + name + "\" ContentType=\"" + content_type + "\"/>";
    const std::string target = &rels == &document_rels ? name.substr(5) : name;
    rels += "<Relationship Id=\"" + id + "\" Type=\"" + type + "\" Target=\"" + target + "\"/>";
    parts.emplace_back(name, content);
  };
  int n = 0;
  for (const auto& [kind, inner] : spec.headers) {
    const std::string id = "rIdH" + std::to_string(++n);
    add(document_rels, id, office + "relationships/header",
        "word/header" + std::to_string(n) + ".xml", wordml + "header+xml",
        declaration + "<w:hdr " + kWordNs + ">" + inner + "</w:hdr>");
    references += "<w:headerReference w:type=\"" + kind + "\" r:id=\"" + id + "\"/>";
  }
  add(document_rels, "rIdF1", office + "relationships/footer", "word/footer1.xml",
      wordml + "footer+xml", declaration + "<w:ftr " + kWordNs + ">" + spec.footer + "</w:ftr>");
  references += "<w:footerReference w:type=\"default\" r:id=\"rIdF1\"/>";
  if (!spec.core_properties.empty())
    add(package_rels, "rId2", opc + "relationships/metadata/core-properties", "docProps/core.xml",
        "application/vnd.openxmlformats-package.core-properties+xml", spec.core_properties);
  if (!spec.app_properties.empty())
    add(package_rels, "rId3", office + "relationships/extended-properties", "docProps/app.xml",
        "application/vnd.openxmlformats-officedocument.extended-properties+xml",
        spec.app_properties);
  const std::string document =
      declaration + "<w:document " + kWordNs + "><w:body>" + spec.body + "<w:sectPr>" +
      spec.final_references.value_or(references) + spec.section_extra +
      "<w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1417\" w:right=\"1417\" "
      "w:bottom=\"1134\" w:left=\"1417\" w:header=\"708\" w:footer=\"708\" "
      "w:gutter=\"0\"/></w:sectPr></w:body></w:document>";
  Parts all = {
      {"[Content_Types].xml", types + spec.extra_content_types + "</Types>"},
      {"_rels/.rels", relationships + package_rels + "</Relationships>"},
      {"word/document.xml", document},
      {"word/_rels/document.xml.rels",
       relationships + document_rels + spec.extra_relationships + "</Relationships>"},
  };
  all.insert(all.end(), parts.begin(), parts.end());
  all.insert(all.end(), spec.extra_parts.begin(), spec.extra_parts.end());
  return all;
}

// The parts of a template kept as files below tests/data/`name`,
// [Content_Types].xml first.
inline Parts PartsFromFolder(const std::string& name) {
  namespace fs = std::filesystem;
  const fs::path root = fs::path(REPORTWORD_SOURCE_DIR) / "tests" / "data" / name;
  Parts parts;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      parts.emplace_back(fs::relative(entry.path(), root).generic_string(), ReadFile(entry.path()));
    }
  }
  std::sort(parts.begin(), parts.end(), [](const auto& a, const auto& b) {
    return std::make_pair(a.first != "[Content_Types].xml", a.first) <
           std::make_pair(b.first != "[Content_Types].xml", b.first);
  });
  return parts;
}

inline std::string BuildTemplate(const TemplateContents& spec = {}) {
  return ZipParts(TemplateParts(spec));
}

}  // namespace reportword::test
