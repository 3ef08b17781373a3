#include "docx/template_inspection.h"

#include <charconv>
#include <map>
#include <memory>
#include <set>
#include <string_view>

#include "docx/sections.h"
#include "docx/template_opening.h"
#include "ooxml/paragraph_text.h"
#include "ooxml/xml_part.h"

namespace reportword::docx {
namespace {

HeaderFooterKind KindNamed(std::string_view kind) {
  if (kind == "first") return HeaderFooterKind::kFirst;
  if (kind == "even") return HeaderFooterKind::kEven;
  return HeaderFooterKind::kDefault;
}

// An on/off property: on when present, unless its value says off.
bool IsOn(const pugi::xml_node& property) {
  if (!property) return false;
  const std::string_view value = WordAttribute(property, "val");
  return value != "false" && value != "0" && value != "off";
}

// Columns listed one by one count as such; otherwise the stated number.
int ColumnCount(const pugi::xml_node& sect) {
  const pugi::xml_node cols = ChildW(sect, "cols");
  int listed = 0;
  for (const pugi::xml_node& child : cols.children()) listed += IsW(child, "col") ? 1 : 0;
  if (listed > 0) return listed;
  const std::string_view num = WordAttribute(cols, "num");
  int count = 1;
  const auto [end, error] = std::from_chars(num.data(), num.data() + num.size(), count);
  return error == std::errc() && end == num.data() + num.size() && count > 1 ? count : 1;
}

bool InTextBox(const pugi::xml_node& paragraph, const pugi::xml_node& story_root) {
  for (pugi::xml_node node = paragraph.parent(); node && node != story_root; node = node.parent()) {
    if (IsW(node, "txbxContent")) return true;
  }
  return false;
}

bool IsAncestor(const pugi::xml_node& ancestor, pugi::xml_node node) {
  for (node = node.parent(); node; node = node.parent()) {
    if (node == ancestor) return true;
  }
  return false;
}

InspectedParagraph InspectParagraph(const pugi::xml_node& paragraph,
                                    const pugi::xml_node& story_root) {
  InspectedParagraph out;
  ParagraphText visible = CollectParagraphText(paragraph);
  out.written = std::move(visible.written);
  out.folded = std::move(visible.folded);
  out.in_text_box = InTextBox(paragraph, story_root);
  TextView view;
  view.deleted_text = true;
  out.with_deleted_text = CollectParagraphText(paragraph, view).folded;
  view = {};
  view.field_instructions = true;
  out.with_field_instructions = CollectParagraphText(paragraph, view).folded;
  view = {};
  view.field_results = false;
  out.without_field_results = CollectParagraphText(paragraph, view).folded;
  view = {};
  view.soft_hyphens = false;
  out.without_soft_hyphens = CollectParagraphText(paragraph, view).folded;
  return out;
}

// The last child sectPr of the body, as the body's replacement keeps it.
pugi::xml_node FinalSectionProperties(const DocumentState& doc) {
  pugi::xml_node last;
  for (const pugi::xml_node& child : doc.Body().children()) {
    if (IsW(child, "sectPr")) last = child;
  }
  return last;
}

bool EvenAndOddHeaders(const DocumentState& doc) {
  for (const auto& [id, rel] : doc.main_relationships) {
    if (rel.external || !IsRelationshipType(rel.type, "settings")) continue;
    const std::string part = ResolvePartName(doc.main_part, rel.target);
    if (part.empty() || !doc.package->HasPart(part)) return false;
    pugi::xml_document settings;
    try {
      ParseXmlPart(settings, doc.package->ReadPart(part), part, doc.template_path);
    } catch (const MalformedPart&) {
      return false;  // unreadable settings set nothing
    }
    return IsOn(ChildW(settings.document_element(), "evenAndOddHeaders"));
  }
  return false;
}

// Header and footer parts by relationship id, each read once; parts that
// cannot be read are remembered as such.
class StoryParts {
 public:
  explicit StoryParts(const DocumentState& doc) : doc_(doc) {}

  // The root of the part behind `id` as a header or footer; empty when it
  // cannot be read as one.
  pugi::xml_node Root(const std::string& id, StoryPart part, std::string* name_out) {
    auto [at, added] = name_of_id_.try_emplace(id);
    if (added) at->second = Load(id, part);
    if (at->second.empty()) return {};
    *name_out = at->second;
    return parsed_.at(at->second)->document_element();
  }

 private:
  std::string Load(const std::string& id, StoryPart part) {
    const bool header = part == StoryPart::kHeader;
    const ReferencedPart found = ResolveReference(doc_, id);
    if (found.problem != ReferencedPart::kFound) return {};
    const std::string& name = found.part;
    auto& slot = parsed_[name];
    if (!slot) {
      auto xml = std::make_unique<pugi::xml_document>();
      try {
        ParseXmlPart(*xml, doc_.package->ReadPart(name), name, doc_.template_path);
      } catch (const MalformedPart&) {
        xml->reset();  // unreadable: a part without a root
      }
      slot = std::move(xml);
    }
    return IsW(slot->document_element(), header ? "hdr" : "ftr") ? name : std::string();
  }

  const DocumentState& doc_;
  std::map<std::string, std::string> name_of_id_;  // "" when unreadable
  std::map<std::string, std::unique_ptr<pugi::xml_document>> parsed_;
};

StoryPart PartOf(const std::string& element) {
  return element == "headerReference" ? StoryPart::kHeader : StoryPart::kFooter;
}

void InspectSections(const DocumentState& doc, TemplateInspection& out) {
  std::vector<pugi::xml_node> sections = SectionBreaks(doc);
  sections.push_back(FinalSectionProperties(doc));
  StoryParts parts(doc);
  std::set<std::string> listed;
  ReferencesInForce in_force;
  for (std::size_t index = 0; index < sections.size(); ++index) {
    ReferencesInForce own;
    ApplyOwnReferences(sections[index], own);
    for (const StoryPart wanted : {StoryPart::kHeader, StoryPart::kFooter}) {
      for (const auto& [key, id] : own) {
        std::string name;
        if (PartOf(key.first) != wanted) continue;
        const pugi::xml_node root = parts.Root(id, wanted, &name);
        if (!root || !listed.insert(name).second) continue;
        InspectedStory story;
        story.part = wanted;
        story.part_name = name;
        story.section = static_cast<int>(index) + 1;
        story.kind = KindNamed(key.second);
        for (const pugi::xml_node& paragraph : ParagraphsBelow(root, true)) {
          story.paragraphs.push_back(InspectParagraph(paragraph, root));
        }
        out.stories.push_back(std::move(story));
      }
    }
    ApplyOwnReferences(sections[index], in_force);
    std::vector<HeaderFooterReference> references;
    for (const auto& [key, id] : in_force) {
      std::string name;
      const StoryPart part = PartOf(key.first);
      if (parts.Root(id, part, &name)) references.push_back({part, KindNamed(key.second), name});
    }
    out.sections.push_back(std::move(references));
  }
}

// The body's paragraphs, each with the section it stands in: a paragraph
// that carries a section break ends its section, text boxes in it included.
InspectedStory InspectBody(const DocumentState& doc) {
  InspectedStory body;
  std::vector<pugi::xml_node> ends;  // paragraphs ending a section, not yet left
  int section = 1;
  std::set<pugi::xml_node> break_paragraphs;
  for (const pugi::xml_node& sect : SectionBreaks(doc))
    break_paragraphs.insert(sect.parent().parent());
  for (const pugi::xml_node& paragraph : ParagraphsBelow(doc.Body(), true)) {
    std::erase_if(ends, [&](const pugi::xml_node& end) {
      if (IsAncestor(end, paragraph)) return false;
      ++section;
      return true;
    });
    InspectedParagraph inspected = InspectParagraph(paragraph, doc.Body());
    inspected.section = section;
    body.paragraphs.push_back(std::move(inspected));
    if (break_paragraphs.count(paragraph)) ends.push_back(paragraph);
  }
  return body;
}

}  // namespace

TemplateInspection InspectTemplate(const std::string& path, const ConversionOptions& conversion) {
  ApplicationState app(conversion);
  std::shared_ptr<DocumentState> doc = OpenTemplate(path, app);
  TemplateInspection out;
  out.conversion = doc->conversion;
  // Read as a run reads it, so that a header the run cannot use fails alike.
  FirstSectionHeader(*doc, HeaderFooterKind::kDefault, &out.first_primary_header);
  out.first_section_header_count = FirstSectionHeaderCount(*doc);
  InspectSections(*doc, out);
  out.stories.push_back(InspectBody(*doc));
  const pugi::xml_node last = FinalSectionProperties(*doc);
  out.last_section_title_page = IsOn(ChildW(last, "titlePg"));
  out.last_section_columns = ColumnCount(last);
  out.even_and_odd_headers = EvenAndOddHeaders(*doc);
  return out;
}

}  // namespace reportword::docx
