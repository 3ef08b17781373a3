// The relationships of an OOXML package: which part refers to which, and the
// parts a reader reaches from the package root by following them.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>

#include "package/template_package.h"

namespace reportword::docx {

struct Relationship {
  std::string type;
  std::string target;
  bool external = false;
};
using Relationships = std::map<std::string, Relationship>;  // by id

// The relationship part of `part` ("word/_rels/document.xml.rels"); of the
// package root ("") it is "_rels/.rels".
std::string RelsPartOf(const std::string& part);

// The relationships stored in `rels_part`; none when the package lacks it.
// Throws Failure when the part is not well-formed XML.
Relationships LoadRelationships(const TemplatePackage& package, const std::string& rels_part);

// Whether the relationship type ends in the segment `name` ("styles" matches
// the transitional and the strict URI alike).
bool IsRelationshipType(std::string_view type, std::string_view name);

// The relationships of every part, read once each, with some of them replaced
// to ask what a reader would reach without the others.
class RelationshipGraph {
 public:
  explicit RelationshipGraph(const TemplatePackage& package) : package_(package) {}

  // The relationships whose source is `part` ("" for the package root); none,
  // with `part` remembered among the unreadable ones, when its relationship
  // part is not well-formed.
  const Relationships& Of(const std::string& part);
  // The parts asked for whose relationships could not be read: what they
  // reach is unknown.
  const std::set<std::string>& Unreadable() const { return unreadable_; }
  void Replace(const std::string& part, Relationships relationships);
  // The parts of the package reachable from its root through internal
  // relationships, the root's own targets included.
  std::set<std::string> ReachableParts();

 private:
  const TemplatePackage& package_;
  std::map<std::string, Relationships> by_source_;
  std::set<std::string> unreadable_;
};

}  // namespace reportword::docx
