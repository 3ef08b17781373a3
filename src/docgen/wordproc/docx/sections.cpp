#include "docgen/wordproc/docx/sections.h"

#include <map>
#include <string_view>
#include <utility>

#include "docgen/wordproc/docx/xml_part.h"
#include "text/translate.h"

namespace reportword::docx {
namespace {

// The section properties that end the first section.
pugi::xml_node FirstSectionProperties(const DocumentState& doc) {
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

// The key of a reference in ReferencesInForce.
std::pair<std::string, std::string> KeyOf(const pugi::xml_node& reference) {
  return std::make_pair(
      std::string(IsW(reference, "headerReference") ? "headerReference" : "footerReference"),
      std::string(ReferenceKind(reference)));
}

}  // namespace

// The section breaks inside the body, in document order: the section
// properties of the paragraphs that end every section but the last.
std::vector<pugi::xml_node> SectionBreaks(const DocumentState& doc) {
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

void ApplyOwnReferences(const pugi::xml_node& sect, ReferencesInForce& in_force) {
  for (const pugi::xml_node& child : sect.children()) {
    if (!IsHeaderOrFooterReference(child)) continue;
    const std::string id = AttributeIn(child, kRelationshipsNamespace, "id").value();
    if (!id.empty()) in_force[KeyOf(child)] = id;
  }
}

// A section without a header or footer reference of some kind shows the one
// of the section before it. When the body's sections collapse into the last
// one, that section gets, as references of its own, every kind it inherited,
// so that it still shows exactly what it showed in the template.
void KeepInheritedReferences(const std::vector<pugi::xml_node>& breaks, pugi::xml_node last) {
  ReferencesInForce in_force;
  for (const pugi::xml_node& sect : breaks) ApplyOwnReferences(sect, in_force);
  pugi::xml_node after_references = last.first_child();
  for (const pugi::xml_node& child : last.children()) {
    if (!IsHeaderOrFooterReference(child)) continue;
    in_force.erase(KeyOf(child));
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

ReferencedPart ResolveReference(const DocumentState& doc, const std::string& id) {
  ReferencedPart found;
  auto rel = doc.main_relationships.find(id);
  if (rel == doc.main_relationships.end()) {
    found.problem = ReferencedPart::kNoRelationship;
    return found;
  }
  found.target = rel->second.target;
  if (rel->second.external) {
    found.problem = ReferencedPart::kExternal;
    return found;
  }
  found.part = ResolvePartName(doc.main_part, rel->second.target);
  if (found.part.empty()) {
    found.problem = ReferencedPart::kOutsidePackage;
  } else if (!doc.package->HasPart(found.part)) {
    found.problem = ReferencedPart::kMissing;
  }
  return found;
}

// The header part of the given kind ("default", "first", "even") of the first
// section, loaded; nullptr when the section has none.
pugi::xml_document* FirstSectionHeader(DocumentState& doc, const char* kind,
                                       std::string* part_out) {
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
  const ReferencedPart found = ResolveReference(doc, id);
  switch (found.problem) {
    case ReferencedPart::kNoRelationship:
      doc.Fail(text::Format(text::Translate("the header reference {0} has no relationship"), id));
    case ReferencedPart::kExternal:
      doc.Fail(
          text::Format(text::Translate("the header {0} is outside the package"), found.target));
    case ReferencedPart::kOutsidePackage:
      doc.Fail(
          text::Format(text::Translate("the header {0} points outside the package"), found.target));
    case ReferencedPart::kMissing:
      doc.Fail(text::Format(text::Translate("the header part {0} is missing"), found.part));
    case ReferencedPart::kFound:
      break;
  }
  const std::string& part = found.part;
  auto& slot = doc.headers[part];
  if (!slot) {
    auto xml = std::make_unique<pugi::xml_document>();
    ParseXmlPart(*xml, doc.package->ReadPart(part), part, doc.template_path);
    if (!IsW(xml->document_element(), "hdr"))
      doc.Fail(text::Format(text::Translate("the part {0} is not a header"), part));
    slot = std::move(xml);
  }
  if (part_out) *part_out = part;
  return slot.get();
}

}  // namespace reportword::docx
