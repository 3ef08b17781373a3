#include "docx/sections.h"

#include <map>
#include <string_view>
#include <utility>

#include "ooxml/xml_part.h"
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
//
// The references are then written first, in the order in which the word
// processor itself writes them (for each kind the header before the footer);
// some readers show only one of the two when the footer comes first.
void KeepInheritedReferences(const std::vector<pugi::xml_node>& breaks, pugi::xml_node last) {
  ReferencesInForce in_force;
  for (const pugi::xml_node& sect : breaks) ApplyOwnReferences(sect, in_force);
  std::map<std::pair<std::string, std::string>, pugi::xml_node> own;
  for (const pugi::xml_node& child : last.children()) {
    if (IsHeaderOrFooterReference(child)) own.try_emplace(KeyOf(child), child);
  }
  static const std::pair<const char*, const char*> kOrder[] = {
      {"headerReference", "even"},    {"headerReference", "default"}, {"footerReference", "even"},
      {"footerReference", "default"}, {"headerReference", "first"},   {"footerReference", "first"}};
  pugi::xml_node previous;
  for (const auto& [element, kind] : kOrder) {
    const std::pair<std::string, std::string> key(element, kind);
    pugi::xml_node reference;
    if (auto found = own.find(key); found != own.end()) {
      reference = previous ? last.insert_move_after(found->second, previous)
                           : last.prepend_move(found->second);
    } else if (auto inherited = in_force.find(key); inherited != in_force.end()) {
      reference = InsertElement(last, kWordNamespace, element, "w",
                                previous ? previous.next_sibling() : last.first_child());
      SetAttributeIn(reference, kWordNamespace, "type", "w", kind);
      SetAttributeIn(reference, kRelationshipsNamespace, "id", "r", inherited->second.c_str());
    } else {
      continue;
    }
    previous = reference;
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
  } else if (std::string stored = doc.package->FindPart(found.part); stored.empty()) {
    found.problem = ReferencedPart::kMissing;
  } else {
    found.part = std::move(stored);
  }
  return found;
}

pugi::xml_document* FirstSectionHeader(DocumentState& doc, HeaderFooterKind kind,
                                       std::string* part_out) {
  const char* type = kind == HeaderFooterKind::kFirst  ? "first"
                     : kind == HeaderFooterKind::kEven ? "even"
                                                       : "default";
  const pugi::xml_node sect = FirstSectionProperties(doc);
  pugi::xml_node reference;
  for (const pugi::xml_node& child : sect.children()) {
    if (IsW(child, "headerReference") && ReferenceKind(child) == type) {
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
