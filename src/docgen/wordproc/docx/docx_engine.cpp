#include "docgen/wordproc/docx/docx_engine.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string_view>
#include <vector>

#include "docgen/wordproc/docx/atomic_file.h"
#include "docgen/wordproc/docx/body_table_writer.h"
#include "docgen/wordproc/docx/content_types.h"
#include "docgen/wordproc/docx/document_properties.h"
#include "docgen/wordproc/docx/docx_package.h"
#include "docgen/wordproc/docx/engine_failure.h"
#include "docgen/wordproc/docx/header_search.h"
#include "docgen/wordproc/docx/package_pruning.h"
#include "docgen/wordproc/docx/package_relationships.h"
#include "docgen/wordproc/docx/xml_namespaces.h"
#include "docgen/wordproc/docx/xml_part.h"
#include "docgen/wordproc/local_file_system.h"
#include "text/unicode.h"

namespace reportword::docx {
namespace {

using namespace reportword::wordproc;

constexpr const char* kDocumentMainType =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
constexpr const char* kAcceptedMainTypes[] = {
    kDocumentMainType,
    "application/vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml",
    "application/vnd.ms-word.document.macroEnabled.main+xml",
    "application/vnd.ms-word.template.macroEnabledTemplate.main+xml",
};
// Where the generated body goes in the serialised main part.
constexpr std::string_view kBodyMarker = "<?reportword-body?>";

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

int IntAttribute(const pugi::xml_node& node, std::string_view local, int fallback) {
  const char* text = WordAttribute(node, local);
  std::string_view view(text);
  double value = 0;
  auto [end, ec] = std::from_chars(view.data(), view.data() + view.size(), value);
  if (ec != std::errc() || end != view.data() + view.size() || view.empty()) return fallback;
  return static_cast<int>(std::clamp(value, -100000.0, 100000.0));
}

// One open document: the template's package, the parts being changed, and the
// body as text or table until it is written out on save.
struct DocState {
  std::string template_path;
  std::unique_ptr<TemplatePackage> package;
  std::string main_part;
  pugi::xml_document main_xml;
  pugi::xml_document content_types;
  Relationships main_relationships;
  std::string main_rels_part;
  std::map<std::string, std::unique_ptr<pugi::xml_document>> headers;  // loaded header parts
  std::set<std::string> changed_headers;
  bool body_replaced = false;
  std::string body_text;
  std::optional<TableModel> table;
  bool closed = false;

  [[noreturn]] void Fail(const std::string& what) const {
    throw TemplateError(template_path, what);
  }
  void CheckOpen() const {
    if (closed) throw wordproc::Error("the document made from \"" + template_path + "\" is closed");
  }
  pugi::xml_node Body() const { return ChildW(main_xml.document_element(), "body"); }
};

struct AppState {
  ConversionOptions conversion;
  SaveClock clock;
  std::vector<std::shared_ptr<DocState>> documents;
  std::shared_ptr<DocState> active;
  bool whole_story_selected = false;  // else the insertion point at the start
  bool quit = false;

  void CheckRunning() const {
    if (quit) throw wordproc::Error("the word processor was told to quit; no further calls");
  }
  DocState& ActiveDocument() {
    CheckRunning();
    if (!active || active->closed) throw wordproc::Error("there is no open document to select in");
    return *active;
  }
};

// ---------------------------------------------------------------------------
// Opening a template as a new document

void LoadContentTypes(DocState& doc) {
  if (!doc.package->HasPart(kContentTypesPart)) {
    doc.Fail("is not a valid OOXML package: [Content_Types].xml is missing");
  }
  ParseXmlPart(doc.content_types, doc.package->ReadPart(kContentTypesPart), kContentTypesPart,
               doc.template_path);
}

std::string FindMainPart(DocState& doc) {
  for (const auto& [id, rel] : LoadRelationships(*doc.package, RelsPartOf(""))) {
    if (!rel.external && EndsWith(rel.type, "/officeDocument")) {
      std::string part = ResolvePartName("", rel.target);
      if (part.empty() || !doc.package->HasPart(part)) {
        doc.Fail("the main document part " + rel.target + " is missing");
      }
      return part;
    }
  }
  doc.Fail("is not a word-processing package: it names no main document part");
}

// The new document's main part is a document, whatever the template was.
void MakeDocumentContentType(DocState& doc) {
  pugi::xml_node root = doc.content_types.document_element();
  pugi::xml_node override_node = OverrideFor(doc.content_types, doc.main_part);
  if (override_node) {
    const std::string type = override_node.attribute("ContentType").value();
    bool accepted = false;
    for (const char* candidate : kAcceptedMainTypes) accepted = accepted || type == candidate;
    if (!accepted) doc.Fail("is not a word-processing template (its main part is " + type + ")");
    override_node.attribute("ContentType") = kDocumentMainType;
    return;
  }
  override_node = InsertElement(root, kContentTypesNamespace, "Override", "ct");
  override_node.append_attribute("PartName") = ("/" + doc.main_part).c_str();
  override_node.append_attribute("ContentType") = kDocumentMainType;
}

// Generated body XML is written with the prefix "w"; make sure it means the
// WordprocessingML namespace inside the body.
void BindWordPrefix(DocState& doc) {
  const char* bound = LookupNamespace(doc.Body(), "w");
  if (!bound) {
    doc.main_xml.document_element().append_attribute("xmlns:w") = kWordNamespace;
  } else if (std::string_view(bound) != kWordNamespace) {
    doc.Fail("binds the prefix w to another namespace than WordprocessingML; not supported");
  }
}

// Formats the engine does not read itself but LibreOffice can turn into .docx.
enum class ForeignFormat { kNone, kLegacyBinary, kRtf, kOpenDocument };

ForeignFormat SniffTemplate(const std::string& path) {
  std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
  char head[96] = {};
  in.read(head, sizeof head);
  const std::string_view bytes(head, static_cast<std::size_t>(in.gcount()));
  if (bytes.substr(0, 8) == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
    return ForeignFormat::kLegacyBinary;
  }
  if (bytes.substr(0, 5) == "{\\rtf") return ForeignFormat::kRtf;
  // An OpenDocument package starts with its uncompressed "mimetype" entry.
  if (bytes.substr(0, 2) == "PK" && bytes.size() > 38 && bytes.substr(30, 8) == "mimetype" &&
      bytes.substr(38).starts_with("application/vnd.oasis.opendocument.text")) {
    return ForeignFormat::kOpenDocument;
  }
  return ForeignFormat::kNone;
}

std::unique_ptr<TemplatePackage> OpenPackage(const std::string& path,
                                             const ConversionOptions& conversion) {
  const ForeignFormat format = SniffTemplate(path);
  if (format == ForeignFormat::kNone) return TemplatePackage::Open(path);
  if (FindSoffice(conversion).empty()) {
    if (format == ForeignFormat::kLegacyBinary) throw LegacyTemplateError(path);
    throw TemplateError(path,
                        "is an RTF or OpenDocument file; save it as a Word template (.dotx), or "
                        "install LibreOffice, which enables these formats");
  }
  ScratchDir work;
  // A copy under a plain name, so that LibreOffice's output name is known.
  const std::filesystem::path copy =
      work.path() / ("template" + std::filesystem::u8path(path).extension().string());
  std::filesystem::copy_file(std::filesystem::u8path(path), copy);
  const char* filter = format == ForeignFormat::kLegacyBinary ? "MS Word 97"
                       : format == ForeignFormat::kRtf        ? "Rich Text Format"
                                                              : "writer8";
  const std::filesystem::path converted =
      ConvertWithLibreOffice(copy, "docx", work.path(), conversion, filter, path);
  std::ifstream in(converted, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  return TemplatePackage::FromBytes(std::move(bytes), path);
}

std::shared_ptr<DocState> OpenTemplate(const std::string& path,
                                       const ConversionOptions& conversion) {
  auto doc = std::make_shared<DocState>();
  doc->template_path = path;
  doc->package = OpenPackage(path, conversion);
  LoadContentTypes(*doc);
  doc->main_part = FindMainPart(*doc);
  MakeDocumentContentType(*doc);
  doc->main_rels_part = RelsPartOf(doc->main_part);
  doc->main_relationships = LoadRelationships(*doc->package, doc->main_rels_part);
  ParseXmlPart(doc->main_xml, doc->package->ReadPart(doc->main_part), doc->main_part, path);
  const pugi::xml_node root = doc->main_xml.document_element();
  if (NamespaceOf(root) == kStrictWordNamespace) {
    doc->Fail(
        "is saved as Strict Open XML, which this program does not read; save it as a Word "
        "template (.dotx) in the usual (transitional) format");
  }
  if (!IsW(root, "document") || !doc->Body()) {
    doc->Fail("the main part " + doc->main_part + " is not a WordprocessingML document");
  }
  BindWordPrefix(*doc);
  return doc;
}

// ---------------------------------------------------------------------------
// Sections and headers

// The section breaks inside the body, in document order: the section
// properties of the paragraphs that end every section but the last.
std::vector<pugi::xml_node> SectionBreaks(const DocState& doc) {
  std::vector<pugi::xml_node> breaks;
  WalkSubtree(doc.Body(), [&](const pugi::xml_node& node) {
    if (node.type() != pugi::node_element) return false;
    if (IsW(node, "sectPr") && IsW(node.parent(), "pPr")) {
      breaks.push_back(node);
      return false;
    }
    // Section breaks live in paragraph properties; runs and tables hold none.
    return !IsW(node, "r") && !IsW(node, "tbl");
  });
  return breaks;
}

// The section properties that end the first section.
pugi::xml_node FirstSectionProperties(const DocState& doc) {
  const std::vector<pugi::xml_node> breaks = SectionBreaks(doc);
  return breaks.empty() ? ChildW(doc.Body(), "sectPr") : breaks.front();
}

bool IsHeaderOrFooterReference(const pugi::xml_node& node) {
  return IsW(node, "headerReference") || IsW(node, "footerReference");
}

// "default", "first" or "even"; a reference without a type is the default one.
std::string_view ReferenceKind(const pugi::xml_node& reference) {
  const std::string_view type = WordAttribute(reference, "type");
  return type.empty() ? "default" : type;
}

// A section without a header or footer reference of some kind shows the one
// of the section before it. When the body's sections collapse into the last
// one, that section gets, as references of its own, every kind it inherited,
// so that it still shows exactly what it showed in the template.
void KeepInheritedReferences(const std::vector<pugi::xml_node>& breaks, pugi::xml_node last) {
  // Keyed by element ("headerReference"/"footerReference") and kind.
  std::map<std::pair<std::string, std::string>, std::string> in_force;  // -> relationship id
  auto key_of = [](const pugi::xml_node& reference) {
    return std::make_pair(
        std::string(IsW(reference, "headerReference") ? "headerReference" : "footerReference"),
        std::string(ReferenceKind(reference)));
  };
  for (const pugi::xml_node& sect : breaks) {
    for (const pugi::xml_node& child : sect.children()) {
      if (!IsHeaderOrFooterReference(child)) continue;
      const std::string id = AttributeIn(child, kRelationshipsNamespace, "id").value();
      if (!id.empty()) in_force[key_of(child)] = id;
    }
  }
  pugi::xml_node after_references = last.first_child();
  for (const pugi::xml_node& child : last.children()) {
    if (!IsHeaderOrFooterReference(child)) continue;
    in_force.erase(key_of(child));
    after_references = child.next_sibling();
  }
  // References come first in section properties; new ones join them there.
  for (const auto& [key, id] : in_force) {
    pugi::xml_node reference =
        InsertElement(last, kWordNamespace, key.first, "w", after_references);
    SetAttributeIn(reference, kWordNamespace, "type", "w", key.second.c_str());
    SetAttributeIn(reference, kRelationshipsNamespace, "id", "r", id.c_str());
  }
}

// The header part of the given kind ("default", "first", "even") of the first
// section, loaded; nullptr when the section has none.
pugi::xml_document* FirstSectionHeader(DocState& doc, const char* kind, std::string* part_out) {
  const pugi::xml_node sect = FirstSectionProperties(doc);
  pugi::xml_node reference;
  for (const pugi::xml_node& child : sect.children()) {
    if (IsW(child, "headerReference") && ReferenceKind(child) == kind) {
      reference = child;
      break;
    }
  }
  if (!reference) return nullptr;
  const std::string id = AttributeIn(reference, kRelationshipsNamespace, "id").value();
  auto rel = doc.main_relationships.find(id);
  if (rel == doc.main_relationships.end()) {
    doc.Fail("the header reference " + id + " has no relationship");
  }
  if (rel->second.external)
    doc.Fail("the header " + rel->second.target + " is outside the package");
  const std::string part = ResolvePartName(doc.main_part, rel->second.target);
  if (part.empty()) doc.Fail("the header " + rel->second.target + " points outside the package");
  if (!doc.package->HasPart(part)) doc.Fail("the header part " + part + " is missing");
  auto& slot = doc.headers[part];
  if (!slot) {
    auto xml = std::make_unique<pugi::xml_document>();
    ParseXmlPart(*xml, doc.package->ReadPart(part), part, doc.template_path);
    if (!IsW(xml->document_element(), "hdr")) doc.Fail("the part " + part + " is not a header");
    slot = std::move(xml);
  }
  if (part_out) *part_out = part;
  return slot.get();
}

// ---------------------------------------------------------------------------
// The body

int TextWidthTwips(const DocState& doc) {
  const pugi::xml_node sect = ChildW(doc.Body(), "sectPr");
  const pugi::xml_node size = ChildW(sect, "pgSz");
  const pugi::xml_node margins = ChildW(sect, "pgMar");
  const int width = IntAttribute(size, "w", 12240);
  const int left = IntAttribute(margins, "left", 1440);
  const int right = IntAttribute(margins, "right", 1440);
  return std::max(720, width - left - right);
}

// The text of the template's own body paragraphs, for a conversion of a body
// that was never replaced.
std::string BodyParagraphText(const DocState& doc) {
  std::string text;
  bool first = true;
  for (pugi::xml_node block : doc.Body().children()) {
    if (!IsW(block, "p")) continue;
    if (!first) text += "\r";
    first = false;
    WalkSubtree(block, [&](const pugi::xml_node& node) {
      if (IsW(node, "t")) text += node.child_value();
      if (IsW(node, "tab")) text += "\t";
      return !IsW(node, "del") && !IsW(node, "txbxContent");
    });
  }
  return text;
}

// Replaces every block of the body by the marker where the generated body will
// go; section breaks inside the body go with their paragraphs, the body's own
// section properties stay.
void ClearBody(DocState& doc) {
  pugi::xml_node body = doc.Body();
  pugi::xml_node last_sect;
  for (pugi::xml_node child : body.children()) {
    if (IsW(child, "sectPr")) last_sect = child;
  }
  const std::vector<pugi::xml_node> breaks = SectionBreaks(doc);
  if (!breaks.empty()) {
    // A body without section properties of its own still has a last section.
    if (!last_sect) last_sect = InsertElement(body, kWordNamespace, "sectPr", "w");
    KeepInheritedReferences(breaks, last_sect);
  }
  for (pugi::xml_node child = body.first_child(); child;) {
    pugi::xml_node next = child.next_sibling();
    if (child != last_sect) body.remove_child(child);
    child = next;
  }
  pugi::xml_node marker = last_sect ? body.insert_child_before(pugi::node_pi, last_sect)
                                    : body.append_child(pugi::node_pi);
  marker.set_name("reportword-body");
  doc.body_replaced = true;
}

std::string SerialiseMainPart(const DocState& doc) {
  std::string xml = WriteXmlPart(doc.main_xml);
  if (!doc.body_replaced) return xml;
  const std::size_t at = xml.find(kBodyMarker);
  if (at == std::string::npos) throw wordproc::Error("internal error: the body marker is missing");
  // Written once into a string reserved for it: a large table is tens of
  // megabytes of XML, and every regrowth or splice would copy all of it.
  const std::string& text = doc.table ? doc.table->text : doc.body_text;
  const std::size_t fields = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\t')) +
                             static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) +
                             1;
  std::string out;
  out.reserve(xml.size() + 2 * text.size() + fields * (doc.table ? 128 : 40) + 4096);
  out.append(xml, 0, at);
  if (doc.table) {
    AppendTableXml(out, *doc.table, TextWidthTwips(doc));
  } else {
    AppendParagraphsXml(out, doc.body_text);
  }
  out.append(xml, at + kBodyMarker.size(), std::string::npos);
  return out;
}

// The format a target's extension asks for, where it is not .docx content.
std::string ConvertedTargetFormat(const std::string& file_name) {
  const std::string extension = std::filesystem::u8path(file_name).extension().string();
  for (const char* format : {"pdf", "odt"}) {
    if (text::EqualsIgnoreCase(extension, std::string(".") + format)) return format;
  }
  return "";
}

// Writes the document as .docx in a private folder beside the target, has
// LibreOffice convert it there, and renames the result over the target.
void SaveConverted(const std::string& bytes, const std::string& file_name,
                   const std::string& format, const ConversionOptions& conversion) {
  namespace fs = std::filesystem;
  const fs::path target = fs::u8path(file_name);
  std::error_code ec;
  if (fs::is_directory(target, ec)) {
    throw SaveError(file_name, "a folder of that name exists");
  }
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  if (!fs::is_directory(folder, ec)) {
    throw SaveError(file_name, "the folder does not exist");
  }
  ScratchDir work(folder);
  const fs::path docx = work.path() / "document.docx";
  WriteFileAtomically(docx.string(), bytes);
  const fs::path converted =
      ConvertWithLibreOffice(docx, format, work.path(), conversion, "", file_name);
  fs::rename(converted, target, ec);
  if (ec) throw SaveError(file_name, ec.message());
}

std::string TemplateFileName(const std::string& path) {
  const std::u8string name = std::filesystem::u8path(path).filename().u8string();
  return std::string(name.begin(), name.end());
}

// The package as a word processor would save the new document at `saved_at`.
// The document state itself is left as it is, so that it can be saved again.
std::string NewPackage(const DocState& doc, std::chrono::system_clock::time_point saved_at) {
  pugi::xml_document content_types;
  content_types.reset(doc.content_types);
  const PrunedPackage pruned =
      PruneUnusedParts(*doc.package, doc.main_part, doc.main_xml.document_element(), content_types);
  std::map<std::string, std::string> replaced = pruned.rewritten;
  SetNewDocumentProperties(*doc.package, TemplateFileName(doc.template_path), saved_at,
                           content_types, replaced);
  replaced[kContentTypesPart] = WriteXmlPart(content_types);
  replaced[doc.main_part] = SerialiseMainPart(doc);
  for (const std::string& part : doc.changed_headers) {
    replaced[part] = WriteXmlPart(*doc.headers.at(part));
  }
  return doc.package->Write(replaced, pruned.dropped_parts);
}

void SaveDocument(DocState& doc, const std::string& file_name, const AppState& app) {
  if (file_name.empty()) throw wordproc::Error("cannot save: no file name given");
  const std::string bytes =
      NewPackage(doc, app.clock ? app.clock() : std::chrono::system_clock::now());
  const std::string format = ConvertedTargetFormat(file_name);
  if (format.empty()) {
    WriteFileAtomically(file_name, bytes);
  } else {
    SaveConverted(bytes, file_name, format, app.conversion);
  }
}

// ---------------------------------------------------------------------------
// The automation objects

class DocxColumn : public Column {
 public:
  DocxColumn(std::shared_ptr<DocState> doc, int index) : doc_(std::move(doc)), index_(index) {}
  void SetWidth(float points) override {
    doc_->CheckOpen();
    if (!(points >= 0.0f && points <= 1584.0f)) {
      throw wordproc::Error("column width " + std::to_string(points) + " pt is out of range");
    }
    doc_->table->column_widths_points[index_] = points;
  }

 private:
  std::shared_ptr<DocState> doc_;
  int index_;
};

class DocxColumns : public Columns {
 public:
  explicit DocxColumns(std::shared_ptr<DocState> doc) : doc_(std::move(doc)) {}
  std::unique_ptr<Column> Item(int index) override {
    doc_->CheckOpen();
    if (index < 1 || index > doc_->table->columns) {
      throw wordproc::Error("the table has no column " + std::to_string(index));
    }
    return std::make_unique<DocxColumn>(doc_, index);
  }

 private:
  std::shared_ptr<DocState> doc_;
};

class DocxBorders : public Borders {
 public:
  explicit DocxBorders(std::shared_ptr<DocState> doc) : doc_(std::move(doc)) {}
  void SetOutsideLineStyle(LineStyle style) override {
    doc_->CheckOpen();
    doc_->table->outside_borders = style != LineStyle::kNone;
  }
  void SetInsideLineStyle(LineStyle style) override {
    doc_->CheckOpen();
    doc_->table->inside_borders = style != LineStyle::kNone;
  }

 private:
  std::shared_ptr<DocState> doc_;
};

class DocxTable : public Table {
 public:
  explicit DocxTable(std::shared_ptr<DocState> doc) : doc_(std::move(doc)) {}
  void SetPreferredWidthType(PreferredWidthType type) override {
    doc_->CheckOpen();
    doc_->table->preferred_width_type = static_cast<int>(type);
  }
  void SetPreferredWidth(float width) override {
    doc_->CheckOpen();
    if (!(width >= 0.0f && width <= 1584.0f)) {
      throw wordproc::Error("preferred table width " + std::to_string(width) + " is out of range");
    }
    doc_->table->preferred_width = width;
  }
  std::unique_ptr<Borders> GetBorders() override {
    doc_->CheckOpen();
    return std::make_unique<DocxBorders>(doc_);
  }
  std::unique_ptr<Columns> GetColumns() override {
    doc_->CheckOpen();
    return std::make_unique<DocxColumns>(doc_);
  }

 private:
  std::shared_ptr<DocState> doc_;
};

class DocxTables : public Tables {
 public:
  explicit DocxTables(std::shared_ptr<DocState> doc) : doc_(std::move(doc)) {}
  std::unique_ptr<Table> Item(int index) override {
    if (!doc_ || doc_->closed || !doc_->table || index != 1) {
      throw wordproc::Error("the selection holds no table " + std::to_string(index));
    }
    return std::make_unique<DocxTable>(doc_);
  }

 private:
  std::shared_ptr<DocState> doc_;
};

class DocxFind : public Find {
 public:
  DocxFind(std::shared_ptr<DocState> doc, std::string header_part)
      : doc_(std::move(doc)), header_part_(std::move(header_part)) {}
  bool Execute(const FindExecuteArgs& args) override {
    doc_->CheckOpen();
    if (args.match_case.value_or(false) || args.match_whole_word.value_or(false) ||
        args.match_wildcards.value_or(false) || args.match_sounds_like.value_or(false) ||
        args.match_all_word_forms.value_or(false)) {
      throw wordproc::Error(
          "find with case, whole-word, wildcard or word-form matching is not "
          "supported by the native engine");
    }
    if (header_part_.empty()) return false;  // a header that does not exist holds nothing
    pugi::xml_document& xml = *doc_->headers.at(header_part_);
    const std::string* replacement = args.replace_with ? &args.replace_with->text : nullptr;
    const bool found = ReplaceFirstOccurrence(xml.document_element(), args.find_text, replacement);
    if (found && replacement) doc_->changed_headers.insert(header_part_);
    return found;
  }

 private:
  std::shared_ptr<DocState> doc_;
  std::string header_part_;
};

class DocxApplication;

// A range is either a header story or the whole main text.
class DocxRange : public Range {
 public:
  DocxRange(std::shared_ptr<AppState> app, std::shared_ptr<DocState> doc, bool is_body,
            std::string header_part)
      : app_(std::move(app)),
        doc_(std::move(doc)),
        is_body_(is_body),
        header_part_(std::move(header_part)) {}

  void SetText(const std::string& text) override {
    doc_->CheckOpen();
    if (!is_body_) throw wordproc::Error("setting the text of a header is not supported");
    ClearBody(*doc_);
    doc_->body_text = text;
    doc_->table.reset();
  }
  std::unique_ptr<Find> GetFind() override {
    doc_->CheckOpen();
    if (is_body_) throw wordproc::Error("find in the main text is not supported");
    return std::make_unique<DocxFind>(doc_, header_part_);
  }
  void Select() override {
    doc_->CheckOpen();
    app_->CheckRunning();
    if (!is_body_) throw wordproc::Error("selecting in a header is not supported");
    app_->active = doc_;
    app_->whole_story_selected = true;
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<DocState> doc_;
  bool is_body_;
  std::string header_part_;
};

class DocxHeaderFooter : public HeaderFooter {
 public:
  DocxHeaderFooter(std::shared_ptr<AppState> app, std::shared_ptr<DocState> doc, std::string part)
      : app_(std::move(app)), doc_(std::move(doc)), part_(std::move(part)) {}
  std::unique_ptr<Range> GetRange() override {
    doc_->CheckOpen();
    return std::make_unique<DocxRange>(app_, doc_, false, part_);
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<DocState> doc_;
  std::string part_;
};

class DocxHeadersFooters : public HeadersFooters {
 public:
  DocxHeadersFooters(std::shared_ptr<AppState> app, std::shared_ptr<DocState> doc)
      : app_(std::move(app)), doc_(std::move(doc)) {}
  // Primary, first-page and even-page: always three, as in the automation
  // model, whether or not the template defines them.
  int Count() override {
    doc_->CheckOpen();
    return 3;
  }
  std::unique_ptr<HeaderFooter> Item(int index) override {
    doc_->CheckOpen();
    static const char* const kKinds[] = {"default", "first", "even"};
    if (index < 1 || index > 3)
      throw wordproc::Error("there is no header " + std::to_string(index));
    std::string part;
    FirstSectionHeader(*doc_, kKinds[index - 1], &part);
    return std::make_unique<DocxHeaderFooter>(app_, doc_, part);
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<DocState> doc_;
};

class DocxSection : public Section {
 public:
  DocxSection(std::shared_ptr<AppState> app, std::shared_ptr<DocState> doc)
      : app_(std::move(app)), doc_(std::move(doc)) {}
  std::unique_ptr<HeadersFooters> GetHeaders() override {
    doc_->CheckOpen();
    return std::make_unique<DocxHeadersFooters>(app_, doc_);
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<DocState> doc_;
};

class DocxSections : public Sections {
 public:
  DocxSections(std::shared_ptr<AppState> app, std::shared_ptr<DocState> doc)
      : app_(std::move(app)), doc_(std::move(doc)) {}
  std::unique_ptr<Section> Item(int index) override {
    doc_->CheckOpen();
    // Only the first section is ever addressed; later ones are not modelled.
    if (index != 1) throw wordproc::Error("only the first section can be addressed");
    return std::make_unique<DocxSection>(app_, doc_);
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<DocState> doc_;
};

class DocxSelection : public Selection {
 public:
  explicit DocxSelection(std::shared_ptr<AppState> app) : app_(std::move(app)) {}
  void WholeStory() override {
    app_->ActiveDocument();
    app_->whole_story_selected = true;
  }
  std::unique_ptr<Table> ConvertToTable(const ConvertToTableArgs& args) override {
    DocState& doc = app_->ActiveDocument();
    if (!app_->whole_story_selected) {
      throw wordproc::Error("convert to table needs the main text selected");
    }
    if (args.separator.value_or(TableSeparator::kTabs) != TableSeparator::kTabs) {
      throw wordproc::Error("only tab-separated text can be converted to a table");
    }
    const short requested = args.num_columns.value_or(0);
    if (requested < 0 || requested > 63) {
      throw wordproc::Error("a table of " + std::to_string(requested) + " columns is not possible");
    }
    std::string text = doc.table           ? doc.table->text
                       : doc.body_replaced ? doc.body_text
                                           : BodyParagraphText(doc);
    if (!doc.body_replaced) ClearBody(doc);
    TableModel table;
    table.columns = requested > 0 ? requested : CountColumns(text);
    table.text = std::move(text);
    table.apply_borders = args.apply_borders.value_or(true);
    table.outside_borders = table.apply_borders;
    table.inside_borders = table.apply_borders;
    table.fixed_layout =
        args.auto_fit_behavior.value_or(AutoFitBehavior::kFixed) == AutoFitBehavior::kFixed;
    doc.table = std::move(table);
    doc.body_text.clear();
    return std::make_unique<DocxTable>(app_->active);
  }
  std::unique_ptr<Tables> GetTables() override {
    DocState& doc = app_->ActiveDocument();
    return std::make_unique<DocxTables>(app_->whole_story_selected && doc.table ? app_->active
                                                                                : nullptr);
  }

 private:
  std::shared_ptr<AppState> app_;
};

class DocxDocument : public Document {
 public:
  DocxDocument(std::shared_ptr<AppState> app, std::shared_ptr<DocState> doc)
      : app_(std::move(app)), doc_(std::move(doc)) {}
  std::unique_ptr<Application> GetApplication() override;
  std::unique_ptr<Sections> GetSections() override {
    doc_->CheckOpen();
    return std::make_unique<DocxSections>(app_, doc_);
  }
  std::unique_ptr<Range> GetContent() override {
    doc_->CheckOpen();
    return std::make_unique<DocxRange>(app_, doc_, true, "");
  }
  void SaveAs(const std::string& file_name) override {
    doc_->CheckOpen();
    SaveDocument(*doc_, file_name, *app_);
  }
  void Close() override {
    doc_->CheckOpen();
    doc_->closed = true;
    std::erase(app_->documents, doc_);
    if (app_->active == doc_) {
      app_->active = app_->documents.empty() ? nullptr : app_->documents.back();
      app_->whole_story_selected = false;
    }
  }

 private:
  std::shared_ptr<AppState> app_;
  std::shared_ptr<DocState> doc_;
};

class DocxDocuments : public Documents {
 public:
  explicit DocxDocuments(std::shared_ptr<AppState> app) : app_(std::move(app)) {}
  std::unique_ptr<Document> Add(const std::string& template_argument) override {
    app_->CheckRunning();
    // The automation call takes the path in double quotes.
    std::string path = template_argument;
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
      path = path.substr(1, path.size() - 2);
    }
    std::shared_ptr<DocState> doc = OpenTemplate(path, app_->conversion);
    app_->documents.push_back(doc);
    app_->active = doc;
    app_->whole_story_selected = false;
    return std::make_unique<DocxDocument>(app_, doc);
  }

 private:
  std::shared_ptr<AppState> app_;
};

class DocxApplication : public Application {
 public:
  explicit DocxApplication(std::shared_ptr<AppState> app) : app_(std::move(app)) {}
  std::unique_ptr<Application> GetApplication() override {
    app_->CheckRunning();
    return std::make_unique<DocxApplication>(app_);
  }
  // There is no window and there are no alerts; both settings are accepted.
  void SetVisible(bool) override { app_->CheckRunning(); }
  void SetDisplayAlerts(int) override { app_->CheckRunning(); }
  std::unique_ptr<Documents> GetDocuments() override {
    app_->CheckRunning();
    return std::make_unique<DocxDocuments>(app_);
  }
  std::unique_ptr<Selection> GetSelection() override {
    app_->CheckRunning();
    return std::make_unique<DocxSelection>(app_);
  }
  void Quit() override {
    app_->CheckRunning();
    for (auto& doc : app_->documents) doc->closed = true;  // discarded unsaved
    app_->documents.clear();
    app_->active.reset();
    app_->quit = true;
  }

 private:
  std::shared_ptr<AppState> app_;
};

std::unique_ptr<Application> DocxDocument::GetApplication() {
  doc_->CheckOpen();
  return std::make_unique<DocxApplication>(app_);
}

}  // namespace

std::unique_ptr<wordproc::Application> DocxBackend::CreateApplication() {
  auto state = std::make_shared<AppState>();
  state->conversion = conversion_;
  state->clock = clock_;
  return std::make_unique<DocxApplication>(state);
}

std::unique_ptr<wordproc::FileSystem> DocxBackend::CreateFileSystem() {
  return std::make_unique<wordproc::LocalFileSystem>();
}

}  // namespace reportword::docx
