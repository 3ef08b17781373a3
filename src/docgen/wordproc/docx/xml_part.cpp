#include "docgen/wordproc/docx/xml_part.h"

#include <sstream>
#include <string>

#include "docgen/wordproc/docx/engine_failure.h"
#include "text/translate.h"

namespace reportword::docx {

namespace {

// Real documents nest elements fewer than about 100 levels deep; a limit ten
// times that leaves room for any of them. Deeper parts are refused before
// anything recursive sees the tree: pugixml parses and writes without
// recursion, but it frees a removed subtree recursively (about 50 bytes of
// stack a level), so clearing a body of a million nested elements overflowed
// the stack. At 1,000 levels that takes some 50 KiB, far inside even a 1 MiB
// Windows thread stack.
constexpr std::size_t kMaxNestingDepth = 1000;

// Refuses a part nested deeper than kMaxNestingDepth, walking it without
// recursion. The refused tree is freed page by page (xml_document::reset does
// not recurse).
void CheckNestingDepth(pugi::xml_document& doc, const std::string& part_name,
                       const std::string& package_name) {
  std::size_t depth = 1;  // of `node`; the root element is at depth 1
  pugi::xml_node node = doc.first_child();
  while (node) {
    if (depth > kMaxNestingDepth && node.type() == pugi::node_element) {
      doc.reset();
      throw PartError(
          package_name, part_name,
          text::Format(text::Translate("nests elements more than {0} levels deep; refused"),
                       kMaxNestingDepth));
    }
    if (node.first_child()) {
      node = node.first_child();
      ++depth;
      continue;
    }
    while (node.parent() != doc && !node.next_sibling()) {
      node = node.parent();
      --depth;
    }
    node = node.next_sibling();
  }
}

}  // namespace

void ParseXmlPart(pugi::xml_document& doc, std::string_view content, const std::string& part_name,
                  const std::string& package_name) {
  // parse_doctype keeps a DOCTYPE as a node so that it can be refused below.
  const unsigned options = pugi::parse_default | pugi::parse_doctype | pugi::parse_declaration |
                           pugi::parse_comments | pugi::parse_pi | pugi::parse_ws_pcdata_single;
  pugi::xml_parse_result result =
      doc.load_buffer(content.data(), content.size(), options, pugi::encoding_auto);
  if (!result) {
    throw PartError(package_name, part_name,
                    text::Format(text::Translate("is not well-formed XML ({0} at byte {1})"),
                                 result.description(), result.offset));
  }
  CheckNestingDepth(doc, part_name, package_name);
  for (pugi::xml_node child : doc.children()) {
    // The tree holds UTF-8 whatever the part was encoded in, and a part is
    // written back as UTF-8: its declaration must say so.
    if (pugi::xml_attribute encoding = child.attribute("encoding");
        child.type() == pugi::node_declaration && encoding) {
      encoding = "UTF-8";
    }
    if (child.type() == pugi::node_doctype) {
      throw PartError(package_name, part_name,
                      text::Translate("declares a document type; such XML is refused because its "
                                      "entity definitions could expand without bound"));
    }
  }
  if (!doc.document_element()) {
    throw PartError(package_name, part_name, text::Translate("has no root element"));
  }
}

namespace {

// Drops the bytes that XML 1.0 forbids (C0 controls other than tab, CR, LF).
// A character reference in the template can smuggle one into the tree; no
// reader accepts them back.
class FilteringWriter : public pugi::xml_writer {
 public:
  explicit FilteringWriter(std::string& out) : out_(out) {}
  void write(const void* data, size_t size) override {
    const char* bytes = static_cast<const char*>(data);
    for (size_t i = 0; i < size; ++i) {
      unsigned char c = static_cast<unsigned char>(bytes[i]);
      if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') continue;
      out_.push_back(static_cast<char>(c));
    }
  }

 private:
  std::string& out_;
};

}  // namespace

std::string WriteXmlPart(const pugi::xml_document& doc) {
  std::string out;
  FilteringWriter writer(out);
  doc.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
  return out;
}

}  // namespace reportword::docx
