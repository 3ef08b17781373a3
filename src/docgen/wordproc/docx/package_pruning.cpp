#include "docgen/wordproc/docx/package_pruning.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <vector>

#include "docgen/wordproc/docx/content_types.h"
#include "docgen/wordproc/docx/package_relationships.h"
#include "docgen/wordproc/docx/xml_namespaces.h"
#include "docgen/wordproc/docx/xml_part.h"

namespace reportword::docx {
namespace {

constexpr const char* kVbaProjectType = "application/vnd.ms-office.vbaProject";

// The macro project and what hangs on it: a .docx carries none.
constexpr std::string_view kMacroTypes[] = {"vbaProject", "keyMapCustomizations",
                                            "attachedToolbars", "wordVbaData"};
// Relationships that the main part's markup names by id (r:id, r:embed,
// r:link, r:dm, o:relid, ...); one stays only while some attribute names it.
// Every other type is found by its type (styles, numbering, settings, theme,
// footnotes, glossary, custom XML, ...) or is unknown, and stays.
constexpr std::string_view kReferencedByIdTypes[] = {
    "image",       "hdphoto",       "oleObject",         "package",       "chart",     "chartEx",
    "diagramData", "diagramLayout", "diagramQuickStyle", "diagramColors", "hyperlink", "header",
    "footer",      "aFChunk",       "subDocument",       "control",       "video",     "audio",
    "media",       "model3d"};
// Named by id from a diagram's data part rather than from the main part.
constexpr std::string_view kDiagramDrawingType = "diagramDrawing";
constexpr std::string_view kDiagramDataType = "diagramData";
// The picture of the template's first page that file browsers show: it shows
// the old body, and a word processor makes a new one when it saves.
constexpr std::string_view kThumbnailType = "thumbnail";
// The review comments and their companion parts: they stay while a comment
// mark remains in a story that stays.
constexpr std::string_view kCommentTypes[] = {"comments", "commentsExtended", "commentsIds",
                                              "commentsExtensible", "people"};
// The stories besides the main text that can hold comment marks.
constexpr std::string_view kStoryTypes[] = {"header", "footer", "footnotes", "endnotes"};

template <std::size_t N>
bool IsAnyType(const Relationship& rel, const std::string_view (&names)[N]) {
  return std::any_of(std::begin(names), std::end(names),
                     [&](std::string_view name) { return IsRelationshipType(rel.type, name); });
}

bool HasCommentMark(const pugi::xml_node& root) {
  bool found = false;
  WalkSubtree(root, [&](const pugi::xml_node& node) {
    found = found || IsW(node, "commentReference") || IsW(node, "commentRangeStart") ||
            IsW(node, "commentRangeEnd");
    return !found;
  });
  return found;
}

// Adds to `referenced` the ids of `relationships` that some attribute below
// and on `root` has as its value. Being conservative here only keeps a part.
void CollectReferencedIds(const pugi::xml_node& root, const Relationships& relationships,
                          std::set<std::string>& referenced) {
  auto visit = [&](const pugi::xml_node& node) {
    for (const pugi::xml_attribute& attribute : node.attributes()) {
      auto found = relationships.find(attribute.value());
      if (found != relationships.end()) referenced.insert(found->first);
    }
    return true;
  };
  visit(root);
  WalkSubtree(root, visit);
}

pugi::xml_document ParsedPart(const TemplatePackage& package, const std::string& part) {
  pugi::xml_document xml;
  ParseXmlPart(xml, package.ReadPart(part), part, package.name());
  return xml;
}

// The part that `rel` of `source` names, when it is in the package; "" otherwise.
std::string TargetPart(const TemplatePackage& package, const std::string& source,
                       const Relationship& rel) {
  if (rel.external) return "";
  std::string part = ResolvePartName(source, rel.target);
  return !part.empty() && package.HasPart(part) ? part : "";
}

// Whether the main text or one of the stories it keeps holds a comment mark.
bool CommentMarkRemains(const TemplatePackage& package, const std::string& main_part,
                        const pugi::xml_node& main_root, const Relationships& relationships,
                        const std::set<std::string>& unused) {
  if (HasCommentMark(main_root)) return true;
  for (const auto& [id, rel] : relationships) {
    if (unused.count(id) || !IsAnyType(rel, kStoryTypes)) continue;
    const std::string part = TargetPart(package, main_part, rel);
    if (!part.empty() && HasCommentMark(ParsedPart(package, part).document_element())) return true;
  }
  return false;
}

// The ids of the main part's relationships that the new document no longer uses.
std::set<std::string> UnusedRelationshipIds(const TemplatePackage& package,
                                            const std::string& main_part,
                                            const pugi::xml_node& main_root,
                                            const Relationships& relationships) {
  // The generated body names no relationships: the tree with its marker
  // holds every reference the saved part makes.
  std::set<std::string> referenced;
  CollectReferencedIds(main_root, relationships, referenced);
  std::set<std::string> unused;
  for (const auto& [id, rel] : relationships) {
    if (IsAnyType(rel, kMacroTypes) ||
        (IsAnyType(rel, kReferencedByIdTypes) && !referenced.count(id))) {
      unused.insert(id);
    }
  }

  // A diagram's data part names its drawing among the main part's relationships.
  for (const auto& [id, rel] : relationships) {
    if (unused.count(id) || !IsRelationshipType(rel.type, kDiagramDataType)) continue;
    const std::string part = TargetPart(package, main_part, rel);
    if (part.empty()) continue;
    CollectReferencedIds(ParsedPart(package, part).document_element(), relationships, referenced);
  }
  for (const auto& [id, rel] : relationships) {
    if (IsRelationshipType(rel.type, kDiagramDrawingType) && !referenced.count(id)) {
      unused.insert(id);
    }
  }

  const bool has_comments =
      std::any_of(relationships.begin(), relationships.end(),
                  [](const auto& entry) { return IsAnyType(entry.second, kCommentTypes); });
  if (has_comments && !CommentMarkRemains(package, main_part, main_root, relationships, unused)) {
    for (const auto& [id, rel] : relationships) {
      if (IsAnyType(rel, kCommentTypes)) unused.insert(id);
    }
  }
  return unused;
}

std::string RelationshipsWithout(const TemplatePackage& package, const std::string& rels_part,
                                 const std::set<std::string>& ids) {
  pugi::xml_document rels = ParsedPart(package, rels_part);
  pugi::xml_node root = rels.document_element();
  for (pugi::xml_node rel = root.first_child(); rel;) {
    pugi::xml_node next = rel.next_sibling();
    if (ids.count(rel.attribute("Id").value())) root.remove_child(rel);
    rel = next;
  }
  return WriteXmlPart(rels);
}

}  // namespace

PrunedPackage PruneUnusedParts(const TemplatePackage& package, const std::string& main_part,
                               const pugi::xml_node& main_root, pugi::xml_document& content_types) {
  PrunedPackage pruned;
  RelationshipGraph graph(package);
  // The relationships to drop, by the part they belong to ("" the package).
  std::map<std::string, std::set<std::string>> unused;
  unused[main_part] = UnusedRelationshipIds(package, main_part, main_root, graph.Of(main_part));
  for (const auto& [id, rel] : graph.Of("")) {
    if (IsRelationshipType(rel.type, kThumbnailType)) unused[""].insert(id);
  }
  std::erase_if(unused, [](const auto& entry) { return entry.second.empty(); });
  if (!unused.empty()) {
    const std::set<std::string> before = graph.ReachableParts();
    for (const auto& [source, ids] : unused) {
      Relationships kept = graph.Of(source);
      for (const std::string& id : ids) kept.erase(id);
      graph.Replace(source, std::move(kept));
      pruned.rewritten[RelsPartOf(source)] = RelationshipsWithout(package, RelsPartOf(source), ids);
    }
    const std::set<std::string> after = graph.ReachableParts();
    for (const std::string& part : before) {
      if (after.count(part)) continue;
      pruned.dropped_parts.insert(part);
      const std::string part_rels = RelsPartOf(part);
      if (package.HasPart(part_rels)) pruned.dropped_parts.insert(part_rels);
    }
    RemoveOverrides(content_types, pruned.dropped_parts);
  }
  const std::vector<std::string> names = package.PartNames();
  const bool bin_parts_remain = std::any_of(names.begin(), names.end(), [&](const std::string& p) {
    return !pruned.dropped_parts.count(p) && p.ends_with(".bin");
  });
  if (!bin_parts_remain) RemoveDefaultsOfType(content_types, kVbaProjectType);
  return pruned;
}

}  // namespace reportword::docx
