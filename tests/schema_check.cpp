#include "schema_check.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlschemas.h>

#include <cctype>
#include <map>
#include <memory>
#include <set>
#include <string_view>

#include "package_builder.h"

namespace reportword::test {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kWordNamespace =
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr std::string_view kCompatibilityNamespace =
    "http://schemas.openxmlformats.org/markup-compatibility/2006";
constexpr std::string_view kContentTypesNamespace =
    "http://schemas.openxmlformats.org/package/2006/content-types";
constexpr std::string_view kRelationshipsNamespace =
    "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr std::string_view kDocumentMainType =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
constexpr std::string_view kWordMlType = "application/vnd.openxmlformats-officedocument";

// The namespaces the transitional schemas define, which a consumer of them
// understands; markup in any other is ignorable to it (Word 2010 and later
// declare theirs so) and goes in the preprocessing.
constexpr std::string_view kUnderstood[] = {
    kWordNamespace,
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
    "http://schemas.openxmlformats.org/officeDocument/2006/math",
    "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing",
    "http://schemas.openxmlformats.org/drawingml/2006/main",
    "http://schemas.openxmlformats.org/drawingml/2006/picture",
    "urn:schemas-microsoft-com:vml",
    "urn:schemas-microsoft-com:office:office",
    "urn:schemas-microsoft-com:office:word",
    "http://www.w3.org/XML/1998/namespace",
};

std::string_view NamespaceOf(const xmlNode* node) {
  return node->ns && node->ns->href ? reinterpret_cast<const char*>(node->ns->href) : "";
}
std::string_view NamespaceOf(const xmlAttr* attribute) {
  return attribute->ns && attribute->ns->href ? reinterpret_cast<const char*>(attribute->ns->href)
                                              : "";
}
std::string_view NameOf(const xmlNode* node) {
  return reinterpret_cast<const char*>(node->name);
}
bool Is(const xmlNode* node, std::string_view ns, std::string_view name) {
  return node->type == XML_ELEMENT_NODE && NamespaceOf(node) == ns && NameOf(node) == name;
}
bool Understood(std::string_view ns) {
  for (std::string_view known : kUnderstood) {
    if (ns == known) return true;
  }
  return false;
}

std::string AttributeValue(const xmlNode* node, const char* name) {
  xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
  std::string text = value ? reinterpret_cast<const char*>(value) : "";
  xmlFree(value);
  return text;
}

std::vector<const xmlNode*> ChildElements(const xmlNode* parent) {
  std::vector<const xmlNode*> children;
  for (const xmlNode* child = parent->children; child; child = child->next) {
    if (child->type == XML_ELEMENT_NODE) children.push_back(child);
  }
  return children;
}

// What a consumer of the transitional schemas reads: each alternate-content
// block becomes its fallback, and elements and attributes in namespaces it
// does not understand are left out (the markup-compatibility attributes too).
void PreprocessChildren(xmlNode* parent) {
  for (xmlNode* child = parent->children; child;) {
    xmlNode* next = child->next;
    if (child->type != XML_ELEMENT_NODE) {
      child = next;
      continue;
    }
    if (Is(child, kCompatibilityNamespace, "AlternateContent")) {
      xmlNode* fallback = nullptr;
      for (xmlNode* choice = child->children; choice; choice = choice->next) {
        if (Is(choice, kCompatibilityNamespace, "Fallback")) fallback = choice;
      }
      xmlNode* first_moved = nullptr;
      while (fallback && fallback->children) {
        xmlNode* moved = fallback->children;
        xmlUnlinkNode(moved);
        xmlAddPrevSibling(child, moved);
        if (!first_moved) first_moved = moved;
      }
      xmlUnlinkNode(child);
      xmlFreeNode(child);
      child = first_moved ? first_moved : next;
      continue;
    }
    if (!Understood(NamespaceOf(child))) {
      xmlUnlinkNode(child);
      xmlFreeNode(child);
      child = next;
      continue;
    }
    for (xmlAttr* attribute = child->properties; attribute;) {
      xmlAttr* next_attribute = attribute->next;
      const std::string_view ns = NamespaceOf(attribute);
      if (!ns.empty() && !Understood(ns)) xmlRemoveProp(attribute);
      attribute = next_attribute;
    }
    PreprocessChildren(child);
    child = next;
  }
}

void Preprocess(xmlDoc* doc) {
  xmlNode* root = xmlDocGetRootElement(doc);
  for (xmlAttr* attribute = root->properties; attribute;) {
    xmlAttr* next = attribute->next;
    if (!NamespaceOf(attribute).empty() && !Understood(NamespaceOf(attribute)))
      xmlRemoveProp(attribute);
    attribute = next;
  }
  PreprocessChildren(root);
}

struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using Doc = std::unique_ptr<xmlDoc, DocFree>;

// libxml2 takes a schema's location for a URI: a checkout in a folder named
// with '#' or '?' would cut the path short, and the imports with it. The
// schemas are therefore read under a name of their own, which the loader
// below maps onto the schema folder.
constexpr std::string_view kSchemaBase = "file:///reportword-schemas/";
xmlExternalEntityLoader default_loader = nullptr;

xmlParserInputPtr LoadSchemaFile(const char* url, const char* id, xmlParserCtxtPtr context) {
  const std::string_view location = url ? url : "";
  if (!location.starts_with(kSchemaBase)) return default_loader(url, id, context);
  const fs::path file = fs::path(REPORTWORD_SOURCE_DIR) / "tests" / "schemas" /
                        std::string(location.substr(kSchemaBase.size()));
  const std::string bytes = ReadFile(file);
  if (bytes.empty()) {
    ADD_FAILURE() << "the schema " << file << " cannot be read";
    return nullptr;
  }
  xmlParserInputBufferPtr buffer = xmlParserInputBufferCreateMem(
      bytes.data(), static_cast<int>(bytes.size()), XML_CHAR_ENCODING_NONE);
  xmlParserInputPtr input =
      buffer ? xmlNewIOInputStream(context, buffer, XML_CHAR_ENCODING_NONE) : nullptr;
  if (input) input->filename = reinterpret_cast<char*>(xmlCharStrdup(url));  // the imports' base
  return input;
}

struct SchemaFree {
  void operator()(xmlSchema* schema) const { xmlSchemaFree(schema); }
};

// One compiled schema per file, for the life of the test binary: compiling
// WordprocessingML takes far longer than validating a document. They are
// freed at the exit, where the leak check would otherwise count them.
xmlSchemaPtr SchemaOf(const std::string& file) {
  static std::map<std::string, std::unique_ptr<xmlSchema, SchemaFree>> compiled;
  auto found = compiled.find(file);
  if (found != compiled.end()) return found->second.get();
  if (!default_loader) {
    default_loader = xmlGetExternalEntityLoader();
    xmlSetExternalEntityLoader(LoadSchemaFile);
  }
  const std::string location = std::string(kSchemaBase) + file;
  xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(location.c_str());
  xmlSchemaPtr schema = parser ? xmlSchemaParse(parser) : nullptr;
  xmlSchemaFreeParserCtxt(parser);
  compiled[file].reset(schema);
  return schema;
}

class Faults {
 public:
  void Add(const std::string& part, const std::string& what) {
    if (faults_.size() < kMaxFaults) faults_.push_back(part + ": " + what);
  }
  std::vector<std::string> Take() { return std::move(faults_); }

 private:
  static constexpr std::size_t kMaxFaults = 20;
  std::vector<std::string> faults_;
};

struct ValidationErrors {
  Faults& faults;
  const std::string& part;
};

void OnValidationError(void* context, xmlErrorPtr error) {
  auto* errors = static_cast<ValidationErrors*>(context);
  std::string message = error->message ? error->message : "unknown schema error";
  while (!message.empty() && message.back() == '\n') message.pop_back();
  errors->faults.Add(errors->part, "line " + std::to_string(error->line) + ": " + message);
}

Doc Parse(const std::string& part, const std::string& bytes, Faults& faults) {
  Doc doc(
      xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), part.c_str(), nullptr,
                    XML_PARSE_NONET | XML_PARSE_HUGE | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  if (!doc || !xmlDocGetRootElement(doc.get())) faults.Add(part, "is not well-formed XML");
  return doc;
}

void Validate(const std::string& part, xmlDoc* doc, const std::string& schema_file,
              Faults& faults) {
  xmlSchemaPtr schema = SchemaOf(schema_file);
  if (!schema) {
    faults.Add(part, "the schema " + schema_file + " does not compile");
    return;
  }
  xmlSchemaValidCtxtPtr validator = xmlSchemaNewValidCtxt(schema);
  ValidationErrors errors{faults, part};
  xmlSchemaSetValidStructuredErrors(validator, OnValidationError, &errors);
  xmlSchemaValidateDoc(validator, doc);
  xmlSchemaFreeValidCtxt(validator);
}

// The part that `target` of a relationship of `source` names: relative to
// the source's folder or, with a leading slash, to the package's root.
std::string TargetPart(const std::string& source, const std::string& target) {
  std::string path = target;
  if (!path.empty() && path[0] == '/') {
    path.erase(0, 1);
  } else {
    path = source.substr(0, source.rfind('/') + 1) + path;
  }
  std::vector<std::string> segments;
  for (std::size_t start = 0; start <= path.size();) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    std::string segment;
    for (std::size_t i = start; i < end; ++i) {  // %XX escapes decoded
      const bool escape = path[i] == '%' && i + 2 < end && std::isxdigit(path[i + 1] & 0xFF) &&
                          std::isxdigit(path[i + 2] & 0xFF);
      segment +=
          escape ? static_cast<char>(std::stoi(path.substr(i + 1, 2), nullptr, 16)) : path[i];
      if (escape) i += 2;
    }
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string part;
  for (const std::string& segment : segments) part += (part.empty() ? "" : "/") + segment;
  return part;
}

// The part whose relationships `rels_part` holds ("" for the package's).
std::string SourceOf(const std::string& rels_part) {
  const std::size_t folder = rels_part.rfind("_rels/");
  return rels_part.substr(0, folder) + rels_part.substr(folder + 6, rels_part.size() - folder - 11);
}

void CheckRelationships(const std::map<std::string, std::string>& parts, Faults& faults,
                        std::string& main_part) {
  for (const auto& [name, bytes] : parts) {
    if (!name.ends_with(".rels")) continue;
    Doc doc = Parse(name, bytes, faults);
    if (!doc) continue;
    Validate(name, doc.get(), "opc/opc-relationships.xsd", faults);
    const std::string source = SourceOf(name);
    for (const xmlNode* rel : ChildElements(xmlDocGetRootElement(doc.get()))) {
      if (!Is(rel, kRelationshipsNamespace, "Relationship") ||
          AttributeValue(rel, "TargetMode") == "External") {
        continue;
      }
      const std::string part = TargetPart(source, AttributeValue(rel, "Target"));
      if (!parts.contains(part)) {
        faults.Add(name,
                   "relationship " + AttributeValue(rel, "Id") + " names the missing part " + part);
      }
      if (source.empty() && AttributeValue(rel, "Type").ends_with("/officeDocument"))
        main_part = part;
    }
  }
}

// Word repairs a body whose last block is a table: a paragraph must follow it.
void CheckBodyEnd(const std::string& part, xmlDoc* doc, Faults& faults) {
  for (const xmlNode* body : ChildElements(xmlDocGetRootElement(doc))) {
    if (!Is(body, kWordNamespace, "body")) continue;
    std::vector<const xmlNode*> blocks = ChildElements(body);
    if (!blocks.empty() && Is(blocks.back(), kWordNamespace, "sectPr")) blocks.pop_back();
    if (!blocks.empty() && Is(blocks.back(), kWordNamespace, "tbl"))
      faults.Add(part, "the body ends with a table");
  }
}

}  // namespace

std::vector<std::string> SchemaFaults(const fs::path& docx) {
  Faults faults;
  const std::map<std::string, std::string> parts = ReadPackage(docx);
  const auto types_part = parts.find("[Content_Types].xml");
  if (types_part == parts.end()) {
    faults.Add(docx.filename().string(), "has no [Content_Types].xml");
    return faults.Take();
  }
  std::string main_part;
  CheckRelationships(parts, faults, main_part);
  if (main_part.empty()) faults.Add("_rels/.rels", "names no main document part");

  Doc types = Parse(types_part->first, types_part->second, faults);
  if (!types) return faults.Take();
  Validate(types_part->first, types.get(), "opc/opc-contentTypes.xsd", faults);
  std::map<std::string, std::string> type_of;  // by part name, from the overrides
  for (const xmlNode* entry : ChildElements(xmlDocGetRootElement(types.get()))) {
    if (Is(entry, kContentTypesNamespace, "Override"))
      type_of[TargetPart("", AttributeValue(entry, "PartName"))] =
          AttributeValue(entry, "ContentType");
  }
  if (type_of[main_part] != kDocumentMainType)
    faults.Add(main_part, "has the content type \"" + type_of[main_part] + "\", not a document's");

  for (const auto& [name, type] : type_of) {
    const bool story =
        name == main_part || (type.starts_with(kWordMlType) &&
                              (type.ends_with(".header+xml") || type.ends_with(".footer+xml")));
    if (name != main_part && type == kDocumentMainType)
      faults.Add(name, "is a second main document part");
    if (!story) continue;
    const auto bytes = parts.find(name);
    if (bytes == parts.end()) {
      faults.Add(name, "has a content type but is missing");
      continue;
    }
    Doc doc = Parse(name, bytes->second, faults);
    if (!doc) continue;
    Preprocess(doc.get());
    Validate(name, doc.get(), "wml.xsd", faults);
    if (name == main_part) CheckBodyEnd(name, doc.get(), faults);
  }
  return faults.Take();
}

}  // namespace reportword::test
