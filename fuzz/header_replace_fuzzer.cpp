// The header find-and-replace against a model of its own. The input bytes choose
// a find text, a replacement and a header part: runs split anywhere, formatting,
// tabs and breaks, bookmarks, proofing marks, fields, tracked changes,
// hyperlinks, content controls, text boxes in alternate content, other
// namespace prefixes. While writing the XML the generator records what a reader
// sees in each paragraph and which run each character comes from. The
// expectation is computed from that record; the result is read back from the
// serialised part by a reader written here, not by the engine.
//
// What the model takes as given, as the engine documents it:
// - Paragraphs are searched in the order of their start tags, so a paragraph's
//   own text comes before the text boxes anchored in it. Only the first match
//   is replaced. An empty find text finds nothing, and bytes of it that are not
//   UTF-8 match nothing.
// - A text box in alternate content is searched in its Choice. The Fallback
//   copy is not searched of its own but must read the same afterwards.
// - Field results are text like any other, field instructions are no text, so a
//   match may run into or out of a field result as over any run boundary. The
//   replacement then sits in the run where the match begins, which may be in
//   the result, and updating the field would drop it. A reader sees the same
//   text either way, and it was the template that put the placeholder across
//   the field's edge.
// - A deleted text box is not searched and stays as it is. Text boxes are not
//   nested; a word processor does not allow it.
#include <fuzzer/FuzzedDataProvider.h>
#include <utf8proc.h>

#include <pugixml.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "docgen/wordproc/docx/header_search.h"
#include "docgen/wordproc/docx/xml_part.h"
#include "docgen/wordproc/wordproc_error.h"
#include "text/unicode.h"

namespace {

using namespace std::string_view_literals;

constexpr const char* kW = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr const char* kMc = "http://schemas.openxmlformats.org/markup-compatibility/2006";
constexpr const char* kRoot =
    "<w:hdr xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""
    " xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\""
    " xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\""
    " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
    " xmlns:wps=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\""
    " xmlns:v=\"urn:schemas-microsoft-com:vml\">";

const std::u32string kPlaceholders[] = {U"<objektbezeichnung>", U"<Datum>", U"<Bau-Nummer>",
                                        U"<filename>"};
// Letters whose case folding matters (ä, ß and capital ß, three sigmas, dotted
// and dotless i, the ff ligature, the Kelvin sign, long s, micro sign), a
// combining accent, an astral character, and characters that XML escapes.
const std::u32string kLetters =
    U"aDum<>- &\"\u00E4\u00C4\u00DF\u1E9E\u03A3\u03C3\u03C2\u0130iI\u0131\uFB00f\u212Ak\u017Fs"
    U"\u00B5\u03BC\u0301\U0001F600";
// Replacement pieces: line ends, controls, XML specials, UTF-8 that is cut
// short, encodes a surrogate or a non-character.
// clang-format off
const std::string_view kPieces[] = {
    "D", "06-Dez-2026", " ", "\t", "\r\n", "\r", "\n", "\v", "\f", "\x01", "\0"sv, "\x7F", "&",
    "<x>", "\"'", "]]>", "\xC3\xA4", "\xC3\x9F", "\xC2\x85", "\xFF", "\xC3", "\xE2\x82",
    "\xEF\xBF\xBE", "\xEF\xBF\xBF", "\xED\xA0\x80", "\xF0\x9F\x98\x80", "<Datum>"};
// clang-format on

// What a reader sees in one paragraph, and per character the run it comes
// from (the number in the run's w:rsidR).
struct Paragraph {
  std::u32string text;
  std::vector<int> run_of;
  bool searched = true;
  int choice = -1;  // a Fallback copy: the same paragraph in the Choice
};

std::string Utf8(const std::u32string& s) {
  std::string out;
  for (char32_t c : s) {
    utf8proc_uint8_t buffer[4];
    out.append(reinterpret_cast<const char*>(buffer),
               utf8proc_encode_char(static_cast<utf8proc_int32_t>(c), buffer));
  }
  return out;
}

// One code point at `i` (advanced past it); -1 where no well-formed UTF-8 begins.
utf8proc_int32_t Next(std::string_view bytes, std::size_t& i) {
  utf8proc_int32_t c = -1;
  const auto n = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(bytes.data() + i),
                                  static_cast<utf8proc_ssize_t>(bytes.size() - i), &c);
  i += n > 0 ? static_cast<std::size_t>(n) : 1;
  return n > 0 ? c : -1;
}

// What a reader sees of a replacement: a tab; a line break for CR LF, CR, LF
// and vertical tab; nothing for other C0 controls, U+FFFE and U+FFFF; U+FFFD
// for each byte where no well-formed UTF-8 begins.
std::u32string VisibleReplacement(std::string_view bytes) {
  std::u32string out;
  for (std::size_t i = 0; i < bytes.size();) {
    if (bytes.substr(i, 2) == "\r\n") ++i;
    const utf8proc_int32_t c = Next(bytes, i);
    if (c == '\n' || c == '\r' || c == '\v') out.push_back(U'\n');
    if (c == '\t' || (c >= 0x20 && c != 0xFFFE && c != 0xFFFF)) out.push_back(c);
    if (c < 0) out.push_back(U'\uFFFD');
  }
  return out;
}

// Ignoring case means comparing the simple case folding of each code point. The
// model takes that definition from the program's Unicode helper (utf8proc
// underneath), as it is the meaning of the word; none of the search is shared.
std::u32string Folded(const std::u32string& text) {
  return reportword::text::FoldCase(Utf8(text));
}

class Generator {
 public:
  explicit Generator(FuzzedDataProvider& in) : in_(in) {
    find_kind_ = Pick(0, 3);
    placeholder_ = kPlaceholders[Pick(0, 3)];
    if (!Chance(16)) {  // else only search
      replacement = "";
      for (int n = Pick(0, 5); n > 0; --n) *replacement += kPieces[Pick(0, std::size(kPieces) - 1)];
    }
  }

  std::string Header() {
    out_ = kRoot;
    for (int n = Pick(1, 4); n > 0; --n) {
      if (!Chance(8)) {
        Para();
        continue;
      }
      El("sdt", "", [&] {
        out_ += "<w:sdtPr><w:alias w:val=\"&lt;Datum&gt;\"/></w:sdtPr>";
        El("sdtContent", "", [&] {
          for (int k = Pick(1, 2); k > 0; --k) Para();
        });
      });
    }
    return out_ + "</w:hdr>";
  }

  std::string FindText() {
    if (find_kind_ == 0) return Utf8(VaryCase(placeholder_));
    if (find_kind_ == 2) return Utf8(Letters());
    if (find_kind_ == 3) return in_.ConsumeRandomLengthString(12);
    const Paragraph& p = paragraphs[Pick(0, paragraphs.size() - 1)];  // its text in other case
    const std::size_t at = Pick(0, p.text.size());
    return Utf8(VaryCase(p.text.substr(at, Pick(0, p.text.size() - at))));
  }

  std::vector<Paragraph> paragraphs;  // in the order of their start tags
  std::optional<std::string> replacement;

 private:
  int Pick(int lo, int hi) { return in_.ConsumeIntegralInRange(lo, hi); }
  int Pick(int lo, std::size_t hi) { return Pick(lo, static_cast<int>(hi)); }
  // False once the input is used up, so that short inputs take the usual paths.
  bool Chance(int one_in) { return Pick(0, one_in - 1) == one_in - 1; }
  std::u32string Letters() {
    std::u32string text;
    for (int n = Pick(1, 4); n > 0; --n) text += kLetters[Pick(0, kLetters.size() - 1)];
    return text;
  }
  std::u32string VaryCase(std::u32string text) {
    for (char32_t& c : text) {
      const int choice = Pick(0, 2);
      const auto cp = static_cast<utf8proc_int32_t>(c);
      if (choice > 0) c = choice == 1 ? utf8proc_toupper(cp) : utf8proc_tolower(cp);
    }
    return text;
  }
  std::string Escaped(const std::u32string& text, bool attribute) {
    std::string out;
    for (char32_t c : text) {
      const char* entity = c == U'<'                               ? "&lt;"
                           : c == U'>'                             ? "&gt;"
                           : c == U'&'                             ? "&amp;"
                           : c == U'"' && (attribute || Chance(2)) ? "&quot;"
                                                                   : nullptr;
      const bool reference = !entity && c >= 0x80 && Chance(8);
      out += entity ? entity : reference ? "&#" + std::to_string(c) + ";" : Utf8({c});
    }
    return out;
  }
  // Text no reader sees: field instructions, deleted text, properties.
  std::string Decoy(bool attribute) {
    return Escaped((Chance(2) ? VaryCase(placeholder_) : U"") + Letters(), attribute);
  }

  // Writes a WordprocessingML element around what `content` writes. Now and
  // then it declares the namespace again for itself and its content, under
  // another prefix or as the default namespace.
  template <typename Content>
  void El(const char* local, const std::string& attributes, Content content) {
    std::string prefix = prefixes_.back(), declaration;
    if (Chance(12)) {
      prefix = std::vector<std::string>{"w", "x", "ns0", ""}[Pick(0, 3)];
      declaration = (prefix.empty() ? " xmlns=\"" : " xmlns:" + prefix + "=\"") + kW + "\"";
    }
    const std::string name = prefix.empty() ? local : prefix + ":" + local;
    out_ += "<" + name + declaration + attributes + ">";
    prefixes_.push_back(prefix);
    content();
    prefixes_.pop_back();
    out_ += "</" + name + ">";
  }
  void El(const char* local, const std::string& attributes = "") {
    El(local, attributes, [] {});
  }

  void Para() {
    const std::size_t outer = para_;
    para_ = paragraphs.size();
    paragraphs.push_back({{}, {}, !deleted_, -1});
    El("p", "", [&] {
      if (Chance(3)) {
        El("pPr", "", [&] {
          out_ += "<w:tabs><w:tab w:val=\"center\" w:pos=\"4536\"/></w:tabs><w:rPr><w:b/></w:rPr>";
        });
      }
      for (int n = Pick(0, 6); n > 0; --n) Inline(0);
    });
    para_ = outer;
  }

  void Inline(int depth) {
    const std::string change = " w:id=\"1\" w:author=\"a\"";
    auto inlines = [&] {
      for (int n = Pick(1, 3); n > 0; --n) Inline(depth + 1);
    };
    auto field_char = [&](const std::string& type) {
      Run([&](int) { El("fldChar", " w:fldCharType=\"" + type + "\""); });
    };
    switch (depth > 2 ? 0 : Pick(0, 15)) {
      case 1:
        return El(Chance(2) ? "bookmarkStart" : "bookmarkEnd", " w:id=\"0\" w:name=\"b\"");
      case 2:
        return El("proofErr", " w:type=\"spellStart\"");
      case 3:  // deleted text, a deleted tab or a deleted text box
        return El(Chance(4) ? "moveFrom" : "del", change, [&] {
          Run([&](int) {
            const int kind = Pick(0, 3);
            if (kind == 1) return El("tab");
            if (kind == 2 && !in_box_) {
              deleted_ = true;
              TextBox();
              deleted_ = false;
              return;
            }
            El("delText", " xml:space=\"preserve\"", [&] { out_ += Decoy(false); });
          });
        });
      case 4:
        return El(Chance(4) ? "moveTo" : "ins", change, inlines);
      case 5:
        return El("hyperlink", Chance(2) ? " w:anchor=\"b\"" : " r:id=\"rId9\"", inlines);
      case 6:
        return El("sdt", "", [&] {
          out_ +=
              "<w:sdtPr><w:alias w:val=\"" + Decoy(true) + "\"/><w:rPr><w:i/></w:rPr></w:sdtPr>";
          El("sdtContent", "", inlines);
        });
      case 7:
        return El("fldSimple", " w:instr=\" DATE " + Decoy(true) + "\"", inlines);
      case 8:  // a field with instructions, and a result unless it has none yet
        field_char("begin");
        Run([&](int) {
          El("instrText", " xml:space=\"preserve\"", [&] { out_ += " " + Decoy(false) + " "; });
        });
        if (!Chance(4)) {
          field_char("separate");
          inlines();
        }
        return field_char("end");
      case 9:
        if (!in_box_) Run([&](int) { TextBox(); });
        return;
    }
    Run([&](int run) {  // text, tabs and breaks in any order
      static const struct {
        const char* local;
        const char* attributes;
        char32_t seen;
      } kMarks[] = {{"tab", "", U'\t'},
                    {"br", "", U'\n'},
                    {"br", " w:type=\"textWrapping\"", U'\n'},
                    {"cr", "", U'\n'},
                    {"lastRenderedPageBreak", "", 0}};
      for (int n = Pick(1, 4); n > 0; --n) {
        const int kind = Pick(0, 9);
        if (kind >= 5) {
          Text(run);
          continue;
        }
        El(kMarks[kind].local, kMarks[kind].attributes);
        if (kMarks[kind].seen) Add(kMarks[kind].seen, run);
      }
    });
  }

  // A run with a number of its own (w:rsidR), perhaps formatted.
  template <typename Content>
  void Run(Content content) {
    const int run = ++runs_;
    El("r", RunId(run), [&] {
      if (!Chance(2)) {
        El("rPr", "", [&] {
          if (Chance(2)) El("b");
          if (Chance(2)) El("i", Chance(2) ? " w:val=\"0\"" : "");
        });
      }
      content(run);
    });
  }
  static std::string RunId(int run) {
    char id[32];
    std::snprintf(id, sizeof id, " w:rsidR=\"%08X\"", static_cast<unsigned>(run));
    return id;
  }

  void Add(char32_t c, int run) {
    paragraphs[para_].text.push_back(c);
    paragraphs[para_].run_of.push_back(run);
  }

  // A w:t with the next characters of the pending text, so that placeholders
  // end up split anywhere across w:t elements, runs and the markup between.
  void Text(int run) {
    if (pending_.empty()) {
      const int kind = Pick(0, 3);
      pending_ = kind == 0   ? VaryCase(placeholder_)
                 : kind == 1 ? VaryCase(kPlaceholders[Pick(0, 3)])
                             : Letters();
    }
    const std::u32string chunk = pending_.substr(0, Pick(0, pending_.size()));
    pending_.erase(0, chunk.size());
    const bool edge_space = !chunk.empty() && (chunk.front() == U' ' || chunk.back() == U' ');
    const int space = edge_space ? 1 : Pick(0, 2);
    const char* kSpace[] = {"", " xml:space=\"preserve\"", " xml:space=\"default\""};
    El("t", kSpace[space], [&] { out_ += Escaped(chunk, false); });
    for (char32_t c : chunk) Add(c, run);
  }

  // Alternate content with the same paragraphs in its Choice (a drawing) and
  // its Fallback (VML), or one copy of them alone.
  void TextBox() {
    const std::size_t first = paragraphs.size();
    const int runs_before = runs_;
    std::string outer = std::move(out_);
    out_.clear();
    in_box_ = true;
    El("txbxContent", "", [&] {
      for (int n = Pick(1, 2); n > 0; --n) Para();
    });
    in_box_ = false;
    const std::string box = std::exchange(out_, std::move(outer));
    const std::string mc = Chance(4) ? "m2" : "mc";
    const std::string w = prefixes_.back().empty() ? "" : prefixes_.back() + ":";
    const std::string ac = "<" + mc + ":AlternateContent xmlns:" + mc + "=\"" + kMc + "\">";
    const std::string end = "</" + mc + ":AlternateContent>";
    const std::string choice = "<" + mc + ":Choice Requires=\"wps\"><" + w +
                               "drawing><wp:inline><a:graphic>"
                               "<a:graphicData uri=\"x\"><wps:wsp><wps:txbx>" +
                               box +
                               "</wps:txbx></wps:wsp>"
                               "</a:graphicData></a:graphic></wp:inline></" +
                               w + "drawing></" + mc + ":Choice>";
    auto vml = [&](const std::string& content) {
      return "<" + w + "pict><v:shape><v:textbox>" + content + "</v:textbox></v:shape></" + w +
             "pict>";
    };
    auto fallback = [&](const std::string& content) {
      return "<" + mc + ":Fallback>" + vml(content) + "</" + mc + ":Fallback>";
    };
    switch (Pick(0, 7)) {
      case 0:
        out_ += vml(box);
        return;
      case 1:
        out_ += ac + choice + end;
        return;
      case 2:
        out_ += ac + fallback(box) + end;
        return;
    }
    // The Fallback holds the same paragraphs, in runs of other numbers.
    const int shift = runs_ - runs_before;
    std::string copy;
    std::size_t from = 0;
    for (std::size_t id; (id = box.find(" w:rsidR=\"", from)) != std::string::npos;
         from = id + 19) {
      copy += box.substr(from, id - from) +
              RunId(std::stoi(box.substr(id + 10, 8), nullptr, 16) + shift);
    }
    copy += box.substr(from);
    for (std::size_t i = first, last = paragraphs.size(); i < last; ++i) {
      paragraphs.push_back(paragraphs[i]);
      for (int& run : paragraphs.back().run_of) run += shift;
      paragraphs.back().searched = false;
      paragraphs.back().choice = static_cast<int>(i);
    }
    runs_ += shift;
    out_ += ac + choice + fallback(copy) + end;
  }

  FuzzedDataProvider& in_;
  int find_kind_;
  std::u32string placeholder_;
  std::string out_;
  std::vector<std::string> prefixes_{"w"};
  std::u32string pending_;
  std::size_t para_ = 0;  // the paragraph being written
  int runs_ = 0;
  bool in_box_ = false;
  bool deleted_ = false;  // in a deleted text box, which no reader sees
};

// --- Reading a part as a reader would ---

std::string g_context;  // what a failure report shows

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "header_replace_fuzzer: %s\n%s\n", what.c_str(), g_context.c_str());
  std::abort();
}

using Name = std::pair<std::string_view, std::string_view>;  // namespace, local name

// An element's or attribute's name with its prefix resolved where it stands.
// An undeclared prefix fails: no namespace-aware reader accepts it.
Name Expanded(pugi::xml_node element, std::string_view name, bool attribute = false) {
  const std::size_t colon = name.find(':');
  const std::string_view prefix = colon == std::string_view::npos ? "" : name.substr(0, colon);
  const std::string_view local = name.substr(colon + 1);
  if (prefix == "xml" || prefix == "xmlns") return {prefix, local};
  if (attribute && prefix.empty()) return {"", local};
  for (pugi::xml_node e = element; e.type() == pugi::node_element; e = e.parent()) {
    for (pugi::xml_attribute a : e.attributes()) {
      const std::string_view declared = a.name();
      if (prefix.empty() ? declared == "xmlns"
                         : declared.starts_with("xmlns:") && declared.substr(6) == prefix) {
        return {a.value(), local};
      }
    }
  }
  if (!prefix.empty()) Fail("undeclared prefix in " + std::string(name));
  return {"", local};
}

std::string Print(pugi::xml_node node) {
  struct Writer : pugi::xml_writer {
    std::string text;
    void write(const void* data, std::size_t size) override {
      text.append(static_cast<const char*>(data), size);
    }
  } writer;
  node.print(writer, "", pugi::format_raw);
  return writer.text;
}

class Reader {
 public:
  explicit Reader(const pugi::xml_document& doc) { Walk(doc.document_element()); }

  std::vector<Paragraph> paragraphs;
  std::map<int, std::string> runs;        // per run: its XML without text box content
  std::map<int, std::string> formatting;  // per run: its w:rPr

 private:
  static int RunNumber(pugi::xml_node run) {
    return static_cast<int>(std::strtol(run.attribute("w:rsidR").value(), nullptr, 16));
  }

  void Walk(pugi::xml_node element) {
    for (pugi::xml_attribute a : element.attributes()) {
      const Name attribute = Expanded(element, a.name(), true);
      for (pugi::xml_attribute b = a.next_attribute(); b; b = b.next_attribute()) {
        if (attribute == Expanded(element, b.name(), true)) {
          Fail(std::string("attribute given twice: ") + a.name());
        }
      }
    }
    const Name name = Expanded(element, element.name());
    if (name == Name(kW, "p")) {
      paragraphs.emplace_back();
      ReadText(element, paragraphs.size() - 1, 0);
    } else if (name == Name(kW, "r")) {
      const int number = RunNumber(element);
      formatting[number].clear();
      for (pugi::xml_node child : element.children()) {
        if (Expanded(child, child.name()) == Name(kW, "rPr")) formatting[number] = Print(child);
      }
      // Text box paragraphs are compared as paragraphs of their own.
      auto box = [](pugi::xml_node n) {
        return std::string_view(n.name()).ends_with("txbxContent");
      };
      pugi::xml_document copy;
      if (element.find_node(box)) DropTextBoxes(copy.append_copy(element), box);
      runs[number] = Print(copy.first_child() ? copy : element);
    }
    for (pugi::xml_node child : element.children()) {
      if (child.type() == pugi::node_element) Walk(child);
    }
  }

  template <typename IsBox>
  static void DropTextBoxes(pugi::xml_node node, IsBox box) {
    for (pugi::xml_node child = node.first_child(), next; child; child = next) {
      next = child.next_sibling();
      if (box(child))
        node.remove_child(child);
      else
        DropTextBoxes(child, box);
    }
  }

  void ReadText(pugi::xml_node node, std::size_t p, int run) {
    static const std::set<std::string_view> kNotText = {
        "txbxContent", "del", "moveFrom", "instrText", "pPr", "rPr", "sdtPr"};
    for (pugi::xml_node c : node.children()) {
      if (c.type() != pugi::node_element) continue;
      const auto [ns, local] = Expanded(c, c.name());
      if (ns == kMc && local == "Fallback") continue;  // the Choice is read
      if (ns != kW || !(local == "t" || local == "tab" || local == "br" || local == "cr")) {
        if (ns != kW || !kNotText.count(local)) ReadText(c, p, local == "r" ? RunNumber(c) : run);
        continue;
      }
      std::string value = local == "tab" ? "\t" : local == "t" ? "" : "\n";
      for (pugi::xml_node data : c.children()) {
        if (data.type() == pugi::node_pcdata || data.type() == pugi::node_cdata)
          value += data.value();
      }
      if (!value.empty() && (value.front() == ' ' || value.back() == ' ')) {
        pugi::xml_node e = c;
        while (e.type() == pugi::node_element && !e.attribute("xml:space")) e = e.parent();
        if (std::string_view(e.attribute("xml:space").value()) != "preserve") {
          Fail("a w:t with spaces at its edges does not preserve them");
        }
      }
      for (std::size_t i = 0; i < value.size();) {
        const utf8proc_int32_t ch = Next(value, i);
        if (ch < 0) Fail("a w:t is not UTF-8");
        paragraphs[p].text.push_back(static_cast<char32_t>(ch));
        paragraphs[p].run_of.push_back(run);
      }
    }
  }
};

void Compare(const std::vector<Paragraph>& expected, const std::vector<Paragraph>& actual,
             const std::string& what) {
  if (expected.size() != actual.size()) Fail(what + ": the number of paragraphs differs");
  auto show = [](const Paragraph& p) {
    std::string out = "\"" + Utf8(p.text) + "\" in runs";
    for (int run : p.run_of) out += " " + std::to_string(run);
    return out;
  };
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (expected[i].text != actual[i].text || expected[i].run_of != actual[i].run_of) {
      Fail(what + ": paragraph " + std::to_string(i) + "\nexpected " + show(expected[i]) +
           "\nactual   " + show(actual[i]));
    }
  }
}

bool AllowedInXml(std::string_view xml) {
  for (std::size_t i = 0; i < xml.size();) {
    const utf8proc_int32_t c = Next(xml, i);
    if (c < 0 || (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0xFFFE || c == 0xFFFF) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Generator generator(in);
  const std::string xml = generator.Header();
  const std::string find = generator.FindText();
  const std::optional<std::string>& replacement = generator.replacement;
  g_context = "find: \"" + find +
              "\"\nreplacement: " + (replacement ? "\"" + *replacement + "\"" : "none") +
              "\nheader: " + xml;

  pugi::xml_document doc;
  try {
    reportword::docx::ParseXmlPart(doc, xml, "header1.xml", "fuzz");
  } catch (const reportword::wordproc::Error& e) {
    Fail(std::string("the generated header does not parse: ") + e.what());
  }
  const std::string before_xml = Print(doc);
  const Reader before(doc);
  Compare(generator.paragraphs, before.paragraphs, "the reader and the generator disagree");

  // The first match in a searched paragraph is replaced there and in the
  // Fallback copy of its text box, in the run where the match begins.
  std::vector<Paragraph> expected = generator.paragraphs;
  const std::u32string needle = reportword::text::FoldCase(find);
  std::optional<std::size_t> match_in;
  std::size_t at = 0;
  for (std::size_t i = 0; i < expected.size() && !needle.empty() && !match_in; ++i) {
    at = expected[i].searched ? Folded(expected[i].text).find(needle) : std::u32string::npos;
    if (at != std::u32string::npos) match_in = i;
  }
  std::set<int> touched;
  for (std::size_t i = 0; match_in && replacement && i < expected.size(); ++i) {
    Paragraph& p = expected[i];
    if (i != *match_in && p.choice != static_cast<int>(*match_in)) continue;
    const std::u32string with = VisibleReplacement(*replacement);
    const int run = p.run_of[at];
    touched.insert(p.run_of.begin() + at, p.run_of.begin() + at + needle.size());
    p.text.replace(at, needle.size(), with);
    p.run_of.erase(p.run_of.begin() + at, p.run_of.begin() + at + needle.size());
    p.run_of.insert(p.run_of.begin() + at, with.size(), run);
  }

  const bool found = reportword::docx::ReplaceFirstOccurrence(
      doc.document_element(), find, replacement ? &*replacement : nullptr);
  const std::string written = reportword::docx::WriteXmlPart(doc);
  g_context += "\nafter: " + written;
  if (found != match_in.has_value()) Fail(found ? "found what is not there" : "missed a match");
  if (!AllowedInXml(written)) Fail("the part holds characters XML does not allow");
  if (!replacement || !found) {
    if (Print(doc) != before_xml) Fail("the part changed, but nothing was replaced");
    return 0;
  }
  pugi::xml_document again;
  if (!again.load_buffer(written.data(), written.size(),
                         pugi::parse_default | pugi::parse_ws_pcdata)) {
    Fail("the part does not parse again");
  }
  const Reader after(again);
  Compare(expected, after.paragraphs, "the text after the replacement");
  for (const auto& [run, run_xml] : before.runs) {
    const auto now = after.runs.find(run);
    if (touched.count(run)) {
      if (now != after.runs.end() && after.formatting.at(run) != before.formatting.at(run)) {
        Fail("run " + std::to_string(run) + " lost its formatting");
      }
    } else if (now == after.runs.end() || now->second != run_xml) {
      Fail("run " + std::to_string(run) + " changed, but the match did not touch it");
    }
  }
  return 0;
}
