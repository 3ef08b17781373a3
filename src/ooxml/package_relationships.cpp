#include "ooxml/package_relationships.h"

#include <pugixml.hpp>

#include <vector>

#include "ooxml/xml_namespaces.h"
#include "ooxml/xml_part.h"
#include "text/failure.h"

namespace reportword::docx {

std::string RelsPartOf(const std::string& part) {
  const std::size_t slash = part.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
  const std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
  return folder + "_rels/" + file + ".rels";
}

Relationships LoadRelationships(const TemplatePackage& package, const std::string& rels_part) {
  Relationships relationships;
  if (!package.HasPart(rels_part)) return relationships;
  pugi::xml_document xml;
  ParseXmlPart(xml, package.ReadPart(rels_part), rels_part, package.name());
  for (pugi::xml_node rel : xml.document_element().children()) {
    if (!IsElement(rel, kPackageRelationshipsNamespace, "Relationship")) continue;
    relationships[rel.attribute("Id").value()] = {
        rel.attribute("Type").value(), rel.attribute("Target").value(),
        std::string_view(rel.attribute("TargetMode").value()) == "External"};
  }
  return relationships;
}

bool IsRelationshipType(std::string_view type, std::string_view name) {
  return type.size() > name.size() && type.ends_with(name) &&
         type[type.size() - name.size() - 1] == '/';
}

const Relationships& RelationshipGraph::Of(const std::string& part) {
  auto found = by_source_.find(part);
  if (found == by_source_.end()) {
    Relationships relationships;
    try {
      relationships = LoadRelationships(package_, RelsPartOf(part));
    } catch (const MalformedPart&) {
      unreadable_.insert(part);
    }
    found = by_source_.emplace(part, std::move(relationships)).first;
  }
  return found->second;
}

void RelationshipGraph::Replace(const std::string& part, Relationships relationships) {
  by_source_[part] = std::move(relationships);
}

std::set<std::string> RelationshipGraph::ReachableParts() {
  std::set<std::string> reached;
  std::vector<std::string> pending = {""};
  while (!pending.empty()) {
    const std::string source = std::move(pending.back());
    pending.pop_back();
    for (const auto& [id, rel] : Of(source)) {
      if (rel.external) continue;
      const std::string resolved = ResolvePartName(source, rel.target);
      std::string part = resolved.empty() ? "" : package_.FindPart(resolved);
      if (part.empty() || !reached.insert(part).second) continue;
      pending.push_back(std::move(part));
    }
  }
  return reached;
}

}  // namespace reportword::docx
