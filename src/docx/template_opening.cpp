#include "docx/template_opening.h"

#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>
#include <string_view>

#include "ooxml/content_types.h"
#include "ooxml/xml_part.h"
#include "package/compound_file.h"
#include "system/template_file.h"
#include "text/failure.h"
#include "text/translate.h"
#include "text/utf8_path.h"

namespace reportword::docx {
namespace {

constexpr const char* kDocumentMainType =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
constexpr const char* kAcceptedMainTypes[] = {
    kDocumentMainType,
    "application/vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml",
    "application/vnd.ms-word.document.macroEnabled.main+xml",
    "application/vnd.ms-word.template.macroEnabledTemplate.main+xml",
};

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

void LoadContentTypes(DocumentState& doc) {
  if (!doc.package->HasPart(kContentTypesPart)) {
    doc.Fail(text::Translate("is not a valid OOXML package: [Content_Types].xml is missing"));
  }
  ParseXmlPart(doc.content_types, doc.package->ReadPart(kContentTypesPart), kContentTypesPart,
               doc.template_path);
}

std::string FindMainPart(DocumentState& doc) {
  for (const auto& [id, rel] : LoadRelationships(*doc.package, RelsPartOf(""))) {
    if (!rel.external && EndsWith(rel.type, "/officeDocument")) {
      const std::string resolved = ResolvePartName("", rel.target);
      std::string part = resolved.empty() ? "" : doc.package->FindPart(resolved);
      if (part.empty()) {
        doc.Fail(
            text::Format(text::Translate("the main document part {0} is missing"), rel.target));
      }
      return part;
    }
  }
  doc.Fail(text::Translate("is not a word-processing package: it names no main document part"));
}

// The new document's main part is a document, whatever the template was.
void MakeDocumentContentType(DocumentState& doc) {
  pugi::xml_node root = doc.content_types.document_element();
  pugi::xml_node override_node = OverrideFor(doc.content_types, doc.main_part);
  if (override_node) {
    const std::string type = override_node.attribute("ContentType").value();
    bool accepted = false;
    for (const char* candidate : kAcceptedMainTypes) accepted = accepted || type == candidate;
    if (!accepted)
      doc.Fail(text::Format(
          text::Translate("is not a word-processing template (its main part is {0})"), type));
    override_node.attribute("ContentType") = kDocumentMainType;
    return;
  }
  override_node = InsertElement(root, kContentTypesNamespace, "Override", "ct");
  override_node.append_attribute("PartName") = ("/" + doc.main_part).c_str();
  override_node.append_attribute("ContentType") = kDocumentMainType;
}

// Generated body XML is written with the prefix "w"; make sure it means the
// WordprocessingML namespace inside the body.
void BindWordPrefix(DocumentState& doc) {
  const char* bound = LookupNamespace(doc.Body(), "w");
  if (!bound) {
    doc.main_xml.document_element().append_attribute("xmlns:w") = kWordNamespace;
  } else if (std::string_view(bound) != kWordNamespace) {
    doc.Fail(text::Translate(
        "binds the prefix w to another namespace than WordprocessingML; not supported"));
  }
}

constexpr std::string_view kCompoundFileSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

// Formats the engine does not read itself but LibreOffice can turn into .docx,
// each with the import filter that reads it: a damaged file is then refused
// rather than guessed to be plain text.
enum class ForeignFormat {
  kNone,
  kWord97,    // Word 97-2003: a WordDocument stream with a table stream beside it
  kWord6,     // Word 6.0 and Word 95: the same stream, without the table stream
  kWord2,     // Word for Windows 1 and 2: no compound file
  kCompound,  // a compound file this reader cannot follow, or without a Word stream
  kRtf,
  kOpenDocument,
};

// The format as its users know it.
const char* FormatName(ForeignFormat format) {
  switch (format) {
    case ForeignFormat::kWord97:
      return "Word 97-2003";
    case ForeignFormat::kWord6:
      return "Word 6.0/95";
    case ForeignFormat::kWord2:
      return "Word for Windows 1/2";
    case ForeignFormat::kCompound:
      return "legacy binary Word";
    case ForeignFormat::kRtf:
      return "RTF";
    case ForeignFormat::kOpenDocument:
      return "OpenDocument";
    case ForeignFormat::kNone:
      break;
  }
  return "";
}

const char* ImportFilter(ForeignFormat format) {
  switch (format) {
    case ForeignFormat::kWord97:
    case ForeignFormat::kCompound:  // refused as damaged, where detection might take it for text
      return "MS Word 97";
    case ForeignFormat::kWord6:
      return "MS WinWord 6.0";
    case ForeignFormat::kWord2:
      return "MS WinWord 5";
    case ForeignFormat::kRtf:
      return "Rich Text Format";
    case ForeignFormat::kOpenDocument:
      return "writer8";
    case ForeignFormat::kNone:
      break;
  }
  return "";
}

struct Sniffed {
  ForeignFormat format = ForeignFormat::kNone;
  bool encrypted = false;
};

// The first bytes of a Word 6 to 2003 main stream (its FIB, identified by
// A5DC or A5EC) say whether the document is protected by a password: bit 8
// of the flags at byte 10.
bool WordStreamEncrypted(const CompoundFile& file) {
  const std::optional<std::string> fib = file.ReadStream(u"WordDocument", 12);
  if (!fib || fib->size() < 12 || static_cast<unsigned char>((*fib)[1]) != 0xA5) return false;
  const auto identifier = static_cast<unsigned char>((*fib)[0]);
  return (identifier == 0xDC || identifier == 0xEC) &&
         (static_cast<unsigned char>((*fib)[11]) & 0x01) != 0;
}

Sniffed SniffCompoundFile(std::string_view bytes) {
  const std::optional<CompoundFile> file = CompoundFile::Open(bytes);
  if (!file) return {ForeignFormat::kCompound, false};
  // A .docx protected by a password is a compound file holding the encrypted
  // package and the description of its encryption.
  if (file->HasStream(u"EncryptionInfo") && file->HasStream(u"EncryptedPackage"))
    return {ForeignFormat::kCompound, true};
  if (!file->HasStream(u"WordDocument")) return {ForeignFormat::kCompound, false};
  const bool table_stream = file->HasStream(u"1Table") || file->HasStream(u"0Table");
  return {table_stream ? ForeignFormat::kWord97 : ForeignFormat::kWord6,
          WordStreamEncrypted(*file)};
}

// An OpenDocument package protected by a password lists how each of its parts
// is encrypted in its manifest.
bool OpenDocumentEncrypted(std::string bytes) {
  try {
    const std::unique_ptr<TemplatePackage> package =
        TemplatePackage::FromBytes(std::move(bytes), "");
    return package->HasPart("META-INF/manifest.xml") &&
           package->ReadPart("META-INF/manifest.xml").find("encryption-data") != std::string::npos;
  } catch (const Failure&) {
    return false;  // the converter names what is wrong with it
  }
}

Sniffed SniffTemplate(std::string_view bytes) {
  if (bytes.starts_with(kCompoundFileSignature)) return SniffCompoundFile(bytes);
  if (bytes.starts_with("{\\rtf")) return {ForeignFormat::kRtf, false};
  // Word for Windows 1 and 2 begin with their file identifier, A59B or A5DB.
  if (bytes.size() >= 128 && (bytes.starts_with("\xDB\xA5") || bytes.starts_with("\x9B\xA5")))
    return {ForeignFormat::kWord2, false};
  // An OpenDocument package starts with its uncompressed "mimetype" entry.
  if (bytes.substr(0, 2) == "PK" && bytes.size() > 38 && bytes.substr(30, 8) == "mimetype" &&
      bytes.substr(38).starts_with("application/vnd.oasis.opendocument.text")) {
    return {ForeignFormat::kOpenDocument, OpenDocumentEncrypted(std::string(bytes))};
  }
  return {};
}

// A template in another format that cannot be converted here: its bytes say
// why, or no converter is installed.
void RefuseUnconvertible(const std::string& path, const Sniffed& sniffed,
                         const ConversionOptions& conversion) {
  // LibreOffice cannot open it without the password either.
  if (sniffed.encrypted) {
    throw TemplateFailure(path, text::Translate("is encrypted (protected by a password), so it "
                                                "cannot be read; open it in the word processor, "
                                                "remove the password and save it again"));
  }
  if (FindSoffice(conversion).empty()) {
    if (sniffed.format != ForeignFormat::kRtf && sniffed.format != ForeignFormat::kOpenDocument)
      throw LegacyTemplateFailure(path);
    throw TemplateFailure(path, text::Translate("is an RTF or OpenDocument file; save it as a Word "
                                                "template (.dotx), or install LibreOffice, which "
                                                "enables these formats"));
  }
}

// A template that waits for its conversion.
struct Unconverted {
  std::string path;
  std::string bytes;
  std::string cache_key;
  ForeignFormat format;
};

// Converts the templates that one filter reads in one LibreOffice start, and
// keeps each result in the cache once it reads as a template.
void ConvertTogether(const std::string& filter, std::vector<Unconverted>& group,
                     const std::optional<ConversionCache>& cache, ApplicationState& app) {
  std::vector<ConversionInput> inputs;
  for (Unconverted& pending : group) {
    inputs.push_back({std::move(pending.bytes),
                      text::PathToUtf8(text::PathFromUtf8(pending.path).extension()),
                      pending.path});
  }
  std::vector<ConversionResult> results;
  try {
    results = app.UseConverter().Convert(inputs, "docx", filter);
  } catch (...) {
    for (const Unconverted& pending : group)
      app.prepared[pending.path].failure = std::current_exception();
    return;
  }
  for (std::size_t i = 0; i < group.size(); ++i) {
    PreparedTemplate& slot = app.prepared[group[i].path];
    slot.conversion = TemplateConversion{FormatName(group[i].format), false, cache.has_value()};
    if (!results[i].bytes) {
      slot.failure = std::make_exception_ptr(Failure(results[i].failure));
      continue;
    }
    if (cache) cache->Store(group[i].cache_key, *results[i].bytes);
    try {
      slot.package = TemplatePackage::FromBytes(*std::move(results[i].bytes), group[i].path);
    } catch (...) {
      if (cache) cache->Remove(group[i].cache_key);
      slot.failure = std::current_exception();
    }
  }
}

}  // namespace

void PrepareTemplates(const std::vector<std::string>& paths, ApplicationState& app) {
  const std::optional<ConversionCache> cache = ConversionCache::Open(app.conversion.cache_folder);
  std::map<std::string, std::vector<Unconverted>> by_filter;
  for (const std::string& path : paths) {
    if (app.prepared.contains(path)) continue;
    PreparedTemplate& slot = app.prepared[path];
    try {
      wordproc::FileIdentity identity;
      std::string bytes = ReadTemplateFile(path, PackageLimits{}.max_file_size, &identity);
      if (app.run_files) app.run_files->Add(identity);
      const Sniffed sniffed = SniffTemplate(bytes);
      if (sniffed.format == ForeignFormat::kNone) {
        slot.package = TemplatePackage::FromBytes(std::move(bytes), path);
        continue;
      }
      RefuseUnconvertible(path, sniffed, app.conversion);
      const char* filter = ImportFilter(sniffed.format);
      const std::string key =
          cache ? ConversionCache::Key(bytes, FindSoffice(app.conversion), filter) : "";
      if (std::optional<std::string> stored = cache ? cache->Find(key) : std::nullopt) {
        try {
          slot.package = TemplatePackage::FromBytes(*std::move(stored), path);
          slot.conversion = TemplateConversion{FormatName(sniffed.format), true, true};
          continue;
        } catch (const Failure&) {
          cache->Remove(key);  // damaged since: converted again
        }
      }
      by_filter[filter].push_back({path, std::move(bytes), key, sniffed.format});
    } catch (...) {
      slot.failure = std::current_exception();
    }
  }
  for (auto& [filter, group] : by_filter) ConvertTogether(filter, group, cache, app);
}

namespace {

std::shared_ptr<DocumentState> OpenDocumentState(const std::string& path,
                                                 std::unique_ptr<TemplatePackage> package) {
  auto doc = std::make_shared<DocumentState>();
  doc->template_path = path;
  doc->package = std::move(package);
  LoadContentTypes(*doc);
  doc->main_part = FindMainPart(*doc);
  MakeDocumentContentType(*doc);
  doc->main_rels_part = RelsPartOf(doc->main_part);
  doc->main_relationships = LoadRelationships(*doc->package, doc->main_rels_part);
  ParseXmlPart(doc->main_xml, doc->package->ReadPart(doc->main_part), doc->main_part, path);
  const pugi::xml_node root = doc->main_xml.document_element();
  if (NamespaceOf(root) == kStrictWordNamespace) {
    doc->Fail(text::Translate(
        "is saved as Strict Open XML, which this program does not read; save it as a Word "
        "template (.dotx) in the usual (transitional) format"));
  }
  if (!IsW(root, "document") || !doc->Body()) {
    doc->Fail(text::Format(text::Translate("the main part {0} is not a WordprocessingML document"),
                           doc->main_part));
  }
  BindWordPrefix(*doc);
  return doc;
}

// Where memory runs out, the message names the template rather than the
// library's name for the failure.
template <typename ReadPackage>
std::shared_ptr<DocumentState> OpenNamingTheTemplate(const std::string& path, ReadPackage read) {
  try {
    return OpenDocumentState(path, read());
  } catch (const std::bad_alloc&) {
    throw TemplateFailure(path, text::Translate("not enough memory to read it"));
  } catch (const std::length_error&) {
    throw TemplateFailure(path, text::Translate("holds more than this program can keep in memory"));
  }
}

}  // namespace

std::shared_ptr<DocumentState> OpenTemplate(const std::string& path, ApplicationState& app) {
  if (!app.prepared.contains(path)) PrepareTemplates({path}, app);
  PreparedTemplate prepared = std::move(app.prepared.extract(path).mapped());
  std::shared_ptr<DocumentState> doc = OpenNamingTheTemplate(path, [&] {
    if (prepared.failure) std::rethrow_exception(prepared.failure);
    return std::move(prepared.package);
  });
  doc->conversion = prepared.conversion;
  return doc;
}

std::shared_ptr<DocumentState> OpenTemplateBytes(std::string bytes, const std::string& name) {
  return OpenNamingTheTemplate(name,
                               [&] { return TemplatePackage::FromBytes(std::move(bytes), name); });
}

}  // namespace reportword::docx
