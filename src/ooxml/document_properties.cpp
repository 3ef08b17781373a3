#include "ooxml/document_properties.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>
#include <string_view>

#include "ooxml/content_types.h"
#include "ooxml/package_relationships.h"
#include "ooxml/xml_namespaces.h"
#include "ooxml/xml_part.h"
#include "text/failure.h"
#include "text/translate.h"

namespace reportword::docx {
namespace {

constexpr const char* kCorePropertiesNamespace =
    "http://schemas.openxmlformats.org/package/2006/metadata/core-properties";
constexpr const char* kDcTermsNamespace = "http://purl.org/dc/terms/";
constexpr const char* kSchemaInstanceNamespace = "http://www.w3.org/2001/XMLSchema-instance";
constexpr const char* kExtendedPropertiesNamespaces[] = {
    "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties",
    "http://purl.oclc.org/ooxml/officeDocument/extendedProperties"};
constexpr const char* kCorePropertiesRelationshipType =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";
constexpr const char* kCorePropertiesContentType =
    "application/vnd.openxmlformats-package.core-properties+xml";
constexpr const char* kEmptyCoreProperties =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<cp:coreProperties "
    "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
    "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
    "xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"/>";
// Counts that describe the template's own text; readers recompute them.
constexpr std::string_view kStatistics[] = {
    "Pages", "Words", "Characters", "CharactersWithSpaces", "Lines", "Paragraphs"};

void SetText(pugi::xml_node element, const std::string& text) {
  while (element.first_child()) element.remove_child(element.first_child());
  element.append_child(pugi::node_pcdata).set_value(text.c_str());
}

bool HasText(const pugi::xml_node& element, std::string_view text) {
  const pugi::xml_node only = element.first_child();
  return only && only == element.last_child() && only.type() == pugi::node_pcdata &&
         only.value() == text;
}

// "2026-12-07T10:15:00Z": the form that core properties' dates take.
std::string W3cdtfUtc(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const sys_seconds seconds = floor<std::chrono::seconds>(time);
  const sys_days day = floor<days>(seconds);
  const year_month_day date(day);
  const hh_mm_ss<std::chrono::seconds> clock(seconds - day);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

// A date element of the terms namespace, typed as W3CDTF in that namespace.
void SetDate(pugi::xml_node element, const std::string& time) {
  SetText(element, time);
  SetAttributeIn(element, kSchemaInstanceNamespace, "type", "xsi",
                 QualifiedNameInScope(element, kDcTermsNamespace, "W3CDTF").c_str());
}

void UpdateCoreProperties(pugi::xml_node root, const std::string& time) {
  bool created = false;
  bool modified = false;
  bool revision = false;
  // The first of each is set and any further copy removed: each may occur once.
  for (pugi::xml_node child = root.first_child(); child;) {
    const pugi::xml_node next = child.next_sibling();
    if (IsElement(child, kDcTermsNamespace, "created") ||
        IsElement(child, kDcTermsNamespace, "modified")) {
      bool& seen = LocalNameOf(child) == "created" ? created : modified;
      if (seen) {
        root.remove_child(child);
      } else {
        SetDate(child, time);
        seen = true;
      }
    } else if (IsElement(child, kCorePropertiesNamespace, "revision")) {
      if (revision) {
        root.remove_child(child);
      } else {
        SetText(child, "1");
        revision = true;
      }
    } else if (IsElement(child, kCorePropertiesNamespace, "lastPrinted")) {
      root.remove_child(child);
    }
    child = next;
  }
  if (!revision) SetText(InsertElement(root, kCorePropertiesNamespace, "revision", "cp"), "1");
  if (!created) SetDate(InsertElement(root, kDcTermsNamespace, "created", "dcterms"), time);
  if (!modified) SetDate(InsertElement(root, kDcTermsNamespace, "modified", "dcterms"), time);
}

bool IsExtendedProperties(const pugi::xml_node& root) {
  return std::any_of(std::begin(kExtendedPropertiesNamespaces),
                     std::end(kExtendedPropertiesNamespaces),
                     [&](const char* uri) { return IsElement(root, uri, "Properties"); });
}

// Returns whether anything changed.
bool UpdateExtendedProperties(pugi::xml_node root, const std::string& template_name) {
  const std::string namespace_uri(NamespaceOf(root));
  bool changed = false;
  bool template_seen = false;
  for (pugi::xml_node child = root.first_child(); child;) {
    const pugi::xml_node next = child.next_sibling();
    const std::string_view local = LocalNameOf(child);
    const bool property = child.type() == pugi::node_element && NamespaceOf(child) == namespace_uri;
    const bool statistic =
        std::find(std::begin(kStatistics), std::end(kStatistics), local) != std::end(kStatistics);
    if (property && (statistic || (local == "Template" && template_seen))) {
      root.remove_child(child);
      changed = true;
    } else if (property && local == "Template") {
      template_seen = true;
      if (!HasText(child, template_name)) {
        SetText(child, template_name);
        changed = true;
      }
    } else if (property && local == "TotalTime" && !HasText(child, "0")) {
      // Editing time counts afresh for a new document, like its revisions.
      SetText(child, "0");
      changed = true;
    }
    child = next;
  }
  if (!template_seen) {
    SetText(InsertElement(root, namespace_uri.c_str(), "Template", "ep", root.first_child()),
            template_name);
    changed = true;
  }
  return changed;
}

[[noreturn]] void FailPart(const TemplatePackage& package, const std::string& part,
                           const std::string& what) {
  throw PartFailure(package.name(), part, what);
}

std::string FreePartName(const TemplatePackage& package, const std::string& stem,
                         const std::string& extension) {
  std::string name = stem + extension;
  for (int n = 1; package.HasPart(name); ++n) name = stem + std::to_string(n) + extension;
  return name;
}

// Relates `part` to the package root as its core properties.
void AddCorePropertiesRelationship(const TemplatePackage& package, const std::string& part,
                                   std::map<std::string, std::string>& replaced) {
  std::string rels_part = package.FindPart(RelsPartOf(""));
  if (rels_part.empty()) rels_part = RelsPartOf("");
  pugi::xml_document rels;
  if (auto rewritten = replaced.find(rels_part); rewritten != replaced.end()) {
    ParseXmlPart(rels, rewritten->second, rels_part, package.name());
  } else if (package.HasPart(rels_part)) {
    ParseXmlPart(rels, package.ReadPart(rels_part), rels_part, package.name());
  } else {
    rels.append_child("Relationships").append_attribute("xmlns") = kPackageRelationshipsNamespace;
  }
  pugi::xml_node root = rels.document_element();
  std::set<std::string, std::less<>> ids;
  for (const pugi::xml_node& rel : root.children()) ids.insert(rel.attribute("Id").value());
  std::string id;
  for (std::size_t n = ids.size() + 1; id.empty() || ids.count(id); ++n) {
    id = "rId" + std::to_string(n);
  }
  pugi::xml_node rel = InsertElement(root, kPackageRelationshipsNamespace, "Relationship", "pr");
  rel.append_attribute("Id") = id.c_str();
  rel.append_attribute("Type") = kCorePropertiesRelationshipType;
  rel.append_attribute("Target") = part.c_str();
  replaced[rels_part] = WriteXmlPart(rels);
}

}  // namespace

void SetNewDocumentProperties(const TemplatePackage& package, const std::string& template_file_name,
                              std::chrono::system_clock::time_point saved_at,
                              pugi::xml_document& content_types,
                              std::map<std::string, std::string>& replaced) {
  std::string core_part;
  std::string app_part;
  for (const auto& [id, rel] : LoadRelationships(package, RelsPartOf(""))) {
    if (rel.external) continue;
    if (core_part.empty() && IsRelationshipType(rel.type, "core-properties")) {
      core_part = ResolvePartName("", rel.target);
    } else if (app_part.empty() && (IsRelationshipType(rel.type, "extended-properties") ||
                                    IsRelationshipType(rel.type, "extendedProperties"))) {
      app_part = ResolvePartName("", rel.target);
    }
  }

  for (std::string* part : {&core_part, &app_part}) {
    if (std::string stored = part->empty() ? "" : package.FindPart(*part); !stored.empty()) {
      *part = std::move(stored);
    }
  }
  pugi::xml_document core;
  if (!core_part.empty() && package.HasPart(core_part)) {
    ParseXmlPart(core, package.ReadPart(core_part), core_part, package.name());
    if (!IsElement(core.document_element(), kCorePropertiesNamespace, "coreProperties")) {
      FailPart(package, core_part, text::Translate("is not a core properties part"));
    }
  } else {
    if (core_part.empty()) {
      core_part = FreePartName(package, "docProps/core", ".xml");
      AddCorePropertiesRelationship(package, core_part, replaced);
    }
    core.load_string(kEmptyCoreProperties, pugi::parse_default | pugi::parse_declaration);
    SetOverride(content_types, core_part, kCorePropertiesContentType);
  }
  UpdateCoreProperties(core.document_element(), W3cdtfUtc(saved_at));
  replaced[core_part] = WriteXmlPart(core);

  if (app_part.empty() || !package.HasPart(app_part)) return;
  pugi::xml_document app;
  ParseXmlPart(app, package.ReadPart(app_part), app_part, package.name());
  if (!IsExtendedProperties(app.document_element())) {
    FailPart(package, app_part, text::Translate("is not an extended properties part"));
  }
  if (UpdateExtendedProperties(app.document_element(), template_file_name)) {
    replaced[app_part] = WriteXmlPart(app);
  }
}

}  // namespace reportword::docx
