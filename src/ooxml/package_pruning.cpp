#include "ooxml/package_pruning.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "ooxml/content_types.h"
#include "ooxml/package_relationships.h"
#include "ooxml/xml_namespaces.h"
#include "ooxml/xml_part.h"
#include "text/failure.h"

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
// The template's digital signature signs parts that the new document
// changes; a word processor removes it when it saves an edited document.
constexpr std::string_view kSignatureOriginType = "digital-signature/origin";
constexpr std::string_view kSignatureOriginContentType =
    "application/vnd.openxmlformats-package.digital-signature-origin";
// Where signatures are kept, and where some writers leave the parts of older
// versions of the package; neither belongs in a new document.
constexpr std::string_view kNeverCarriedFolders[] = {"_xmlsignatures/", "[trash]/"};
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

// A part that is only looked into here and is otherwise copied as it is: one
// that cannot be parsed is no reason to fail, so it parses to nothing.
bool TryParsePart(const TemplatePackage& package, const std::string& part,
                  pugi::xml_document& xml) {
  try {
    ParseXmlPart(xml, package.ReadPart(part), part, package.name());
    return true;
  } catch (const MalformedPart&) {
    xml.reset();
    return false;
  }
}

// The part that `rel` of `source` names, when it is in the package; "" otherwise.
std::string TargetPart(const TemplatePackage& package, const std::string& source,
                       const Relationship& rel) {
  if (rel.external) return "";
  const std::string part = ResolvePartName(source, rel.target);
  return part.empty() ? "" : package.FindPart(part);
}

// Whether the main text or one of the stories it keeps holds a comment mark.
bool CommentMarkRemains(const TemplatePackage& package, const std::string& main_part,
                        const pugi::xml_node& main_root, const Relationships& relationships,
                        const std::set<std::string>& unused) {
  if (HasCommentMark(main_root)) return true;
  for (const auto& [id, rel] : relationships) {
    if (unused.count(id) || !IsAnyType(rel, kStoryTypes)) continue;
    const std::string part = TargetPart(package, main_part, rel);
    if (part.empty()) continue;
    // A story that cannot be read may hold a mark: the comments stay.
    pugi::xml_document story;
    if (!TryParsePart(package, part, story) || HasCommentMark(story.document_element()))
      return true;
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

  // A diagram's data part names its drawing among the main part's relationships;
  // one that cannot be read keeps every drawing.
  bool every_drawing_kept = false;
  for (const auto& [id, rel] : relationships) {
    if (unused.count(id) || !IsRelationshipType(rel.type, kDiagramDataType)) continue;
    const std::string part = TargetPart(package, main_part, rel);
    if (part.empty()) continue;
    pugi::xml_document data;
    every_drawing_kept = every_drawing_kept || !TryParsePart(package, part, data);
    CollectReferencedIds(data.document_element(), relationships, referenced);
  }
  for (const auto& [id, rel] : relationships) {
    if (!every_drawing_kept && IsRelationshipType(rel.type, kDiagramDrawingType) &&
        !referenced.count(id)) {
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

// The part whose relationships `rels_part` holds ("" for the package's), or
// nullopt when it is not a relationship part.
std::optional<std::string> SourceOfRelationships(const std::string& rels_part) {
  const std::size_t folder = rels_part.rfind("_rels/");
  if (!rels_part.ends_with(".rels") || folder == std::string::npos ||
      (folder > 0 && rels_part[folder - 1] != '/') ||
      rels_part.find('/', folder + 6) != std::string::npos) {
    return std::nullopt;
  }
  return rels_part.substr(0, folder) +
         rels_part.substr(folder + 6, rels_part.size() - folder - 6 - 5);
}

// Gives every internal target that names a part in another spelling than the
// package's own (another case, %XX escapes) the package's spelling: readers
// that compare names byte for byte would not find the part. Targets spelled
// as stored stay as they are, relative or not. Returns whether
// anything changed.
bool SpellTargetsAsStored(const TemplatePackage& package, const std::string& source,
                          pugi::xml_document& rels) {
  bool changed = false;
  const std::string folder = source.substr(0, source.rfind('/') + 1);
  for (pugi::xml_node rel : rels.document_element().children()) {
    if (!IsElement(rel, kPackageRelationshipsNamespace, "Relationship") ||
        std::string_view(rel.attribute("TargetMode").value()) == "External") {
      continue;
    }
    const std::string_view target = rel.attribute("Target").value();
    const std::string resolved = ResolvePartName(source, std::string(target));
    const std::string stored = resolved.empty() ? "" : package.FindPart(resolved);
    if (stored.empty() || (stored == resolved && target.find('%') == std::string_view::npos)) {
      continue;
    }
    const bool below = !folder.empty() && stored.starts_with(folder);
    const std::string spelled = below ? stored.substr(folder.size()) : "/" + stored;
    if (spelled == target) continue;
    rel.attribute("Target") = spelled.c_str();
    changed = true;
  }
  return changed;
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
    if (IsRelationshipType(rel.type, kThumbnailType) ||
        IsRelationshipType(rel.type, kSignatureOriginType)) {
      unused[""].insert(id);
    }
  }
  std::erase_if(unused, [](const auto& entry) { return entry.second.empty(); });
  if (!unused.empty()) {
    const std::set<std::string> before = graph.ReachableParts();
    for (const auto& [source, ids] : unused) {
      Relationships kept = graph.Of(source);
      for (const std::string& id : ids) kept.erase(id);
      graph.Replace(source, std::move(kept));
      const std::string rels_part = package.FindPart(RelsPartOf(source));
      pruned.rewritten[rels_part] = RelationshipsWithout(package, rels_part, ids);
    }
    const std::set<std::string> after = graph.ReachableParts();
    // A kept part whose relationships cannot be read may reach any part.
    const bool reach_unknown =
        std::any_of(graph.Unreadable().begin(), graph.Unreadable().end(),
                    [&](const std::string& part) { return part.empty() || after.count(part); });
    for (const std::string& part : before) {
      if (reach_unknown || after.count(part)) continue;
      pruned.dropped_parts.insert(part);
      const std::string part_rels = package.FindPart(RelsPartOf(part));
      if (!part_rels.empty()) pruned.dropped_parts.insert(part_rels);
    }
    RemoveOverrides(content_types, pruned.dropped_parts);
  }
  const std::vector<std::string> names = package.PartNames();
  // Folder entries are no parts, and word processors ask to repair a
  // document that has them.
  std::set<std::string> never_carried;
  for (const std::string& name : names) {
    const std::string key = PartNameKey(name);
    if (name.ends_with('/') ||
        std::any_of(std::begin(kNeverCarriedFolders), std::end(kNeverCarriedFolders),
                    [&](std::string_view f) { return key.starts_with(f); })) {
      never_carried.insert(name);
    }
  }
  RemoveOverrides(content_types, never_carried);
  pruned.dropped_parts.insert(never_carried.begin(), never_carried.end());
  for (const std::string& name : names) {
    const std::optional<std::string> source = SourceOfRelationships(name);
    if (!source || pruned.dropped_parts.count(name)) continue;
    const auto rewritten = pruned.rewritten.find(name);
    pugi::xml_document rels;
    if (rewritten != pruned.rewritten.end()) {
      ParseXmlPart(rels, rewritten->second, name, package.name());
    } else if (!TryParsePart(package, name, rels)) {
      continue;
    }
    if (SpellTargetsAsStored(package, *source, rels)) pruned.rewritten[name] = WriteXmlPart(rels);
  }
  const auto remains_with_extension = [&](std::string_view extension) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& part) {
      return !pruned.dropped_parts.count(part) && PartNameKey(part).ends_with(extension);
    });
  };
  if (!remains_with_extension(".bin")) RemoveDefaultsOfType(content_types, kVbaProjectType);
  if (!remains_with_extension(".sigs"))
    RemoveDefaultsOfType(content_types, kSignatureOriginContentType);
  return pruned;
}

}  // namespace reportword::docx
