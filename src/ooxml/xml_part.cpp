#include "ooxml/xml_part.h"

#include <sstream>
#include <string>

#include "text/failure.h"
#include "text/translate.h"
#include "text/unicode.h"

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

void DropForbiddenCharacters(pugi::xml_document& doc);

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
      throw PartFailure(
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
    throw PartFailure(package_name, part_name,
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
      throw PartFailure(package_name, part_name,
                        text::Translate("declares a document type; such XML is refused because its "
                                        "entity definitions could expand without bound"));
    }
  }
  if (!doc.document_element()) {
    throw PartFailure(package_name, part_name, text::Translate("has no root element"));
  }
  // pugixml takes characters that XML forbids, which the part loses when it
  // is written. They go now, so that what is decided on the tree (a
  // namespace, a content type, a placeholder) is what the saved part says.
  DropForbiddenCharacters(doc);
}

namespace {

class StringWriter : public pugi::xml_writer {
 public:
  explicit StringWriter(std::string& out) : out_(out) {}
  void write(const void* data, size_t size) override {
    out_.append(static_cast<const char*>(data), size);
  }

 private:
  std::string& out_;
};

bool IsXmlChar(char32_t cp) {
  return cp >= 0x20 ? cp != 0xFFFE && cp != 0xFFFF : cp == '\t' || cp == '\n' || cp == '\r';
}

}  // namespace

// Only characters are written that XML 1.0 allows: the tree can hold others.
// A character reference in the template can smuggle a C0 control into it,
// and the text set from outside (a file name) can be any bytes. Bytes that
// are not UTF-8 become U+FFFD, one each, as the program's messages show them;
// the other characters are dropped, as no reader accepts them back.
std::string XmlCleanText(std::string text) {
  std::string clean;
  bool changed = false;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    char32_t cp = static_cast<unsigned char>(text[pos]);
    bool well_formed = true;
    if (cp < 0x80) {
      ++pos;
    } else if (!text::TryDecodeUtf8(text, pos, cp)) {
      well_formed = false;
      cp = 0xFFFD;
      ++pos;
    }
    if (!changed && well_formed && IsXmlChar(cp)) continue;
    if (!changed) {
      clean.reserve(text.size());
      clean.append(text, 0, start);
      changed = true;
    }
    if (cp < 0x80 && IsXmlChar(cp)) {
      clean.push_back(static_cast<char>(cp));
    } else if (IsXmlChar(cp)) {
      text::AppendUtf8(clean, cp);
    }
  }
  return changed ? clean : text;
}

namespace {

// Whether `text` holds a character XML 1.0 forbids: a C0 control other than
// tab, LF and CR, or U+FFFE or U+FFFF.
bool HasForbiddenCharacter(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') return true;
    if (byte == 0xEF && text.substr(i + 1, 1) == "\xBF" && i + 2 < text.size() &&
        (text[i + 2] == '\xBE' || text[i + 2] == '\xBF')) {
      return true;
    }
  }
  return false;
}

// Calls `on_text` with every value of the tree: attribute values and the
// text of text, CDATA, comment and processing-instruction nodes.
template <typename OnText>
void ForEachValue(const pugi::xml_node& root, OnText on_text) {
  const auto visit = [&](pugi::xml_node node) {
    for (pugi::xml_attribute attribute : node.attributes()) on_text(attribute);
    if (node.type() != pugi::node_element && node.type() != pugi::node_declaration) on_text(node);
    return true;
  };
  visit(root);
  WalkSubtree(root, visit);
}

bool NeedsCleaning(const pugi::xml_document& doc) {
  bool forbidden = false;
  ForEachValue(doc, [&](const auto& holder) {
    forbidden = forbidden || HasForbiddenCharacter(holder.value());
  });
  return forbidden;
}

void DropForbiddenCharacters(pugi::xml_document& doc) {
  if (!NeedsCleaning(doc)) return;
  ForEachValue(doc, [](auto holder) {
    if (HasForbiddenCharacter(holder.value()))
      holder.set_value(XmlCleanText(holder.value()).c_str());
  });
}

std::string Serialise(const pugi::xml_document& doc) {
  std::string out;
  StringWriter writer(out);
  // pugixml writes the control characters of values as character
  // references: tab, LF and CR in an attribute value must stay so, since a
  // reader turns them into spaces where they stand as they are.
  doc.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
  return XmlCleanText(std::move(out));
}

}  // namespace

std::string WriteXmlPart(const pugi::xml_document& doc) {
  if (!NeedsCleaning(doc)) return Serialise(doc);
  // Rare: a value set from outside (a file name, a report's text) brought a
  // character into the tree that no reader accepts, not even as a
  // reference. A copy without them is written.
  pugi::xml_document clean;
  clean.reset(doc);
  DropForbiddenCharacters(clean);
  return Serialise(clean);
}

}  // namespace reportword::docx
