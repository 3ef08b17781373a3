// The header find-and-replace on generated header parts. The input bytes choose
// a find text, a replacement and a header: runs split anywhere, formatting, tabs
// and breaks, bookmarks, proofing marks, simple and complex fields, tracked
// changes, hyperlinks, content controls, text boxes in alternate content, other
// namespace prefixes, xml:space variants. While writing the XML the generator
// records the text a reader sees in each paragraph and the run each character
// comes from. The expectation comes from that record, a model of what a reader
// sees of the replacement, and the case folding of the program's Unicode helper
// (which is what ignoring case means here). The engine's paragraph reader reads
// the result back; it must first agree with the record on the generated part.
// Outside the runs of the match the part must stay as it was, and a w:t with
// spaces at its edges must keep them.
//
// As the engine documents it: paragraphs are searched in the order of their
// start tags and only the first match is replaced, in the run where it begins.
// A text box is searched in its Choice, and its Fallback copy is changed alike.
// Deleted text, deleted text boxes and field instructions are not searched;
// field results are text like any other, so a match may run into one.
// Text boxes are not nested; a word processor does not allow it.
#include <fuzzer/FuzzedDataProvider.h>
#include <utf8proc.h>

#include <pugixml.hpp>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ooxml/header_search.h"
#include "ooxml/paragraph_text.h"
#include "ooxml/xml_part.h"
#include "text/unicode.h"

namespace {

using namespace reportword;
using namespace std::string_view_literals;
using Content = std::function<void()>;
constexpr auto npos = std::u32string::npos;

constexpr const char* kW = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
// mc and m2 both name markup compatibility: the engine must go by the namespace.
constexpr const char* kRoot =
    "<w:hdr xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""
    " xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\""
    " xmlns:m2=\"http://schemas.openxmlformats.org/markup-compatibility/2006\""
    " xmlns:wps=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\""
    " xmlns:v=\"urn:schemas-microsoft-com:vml\">";
const std::u32string kNames[] = {U"<objektbezeichnung>", U"<Datum>", U"<Bau-Nummer>",
                                 U"<filename>"};
// Letters whose case folding matters (ä, ß and capital ß, three sigmas, dotted
// and dotless i, the ff ligature, the Kelvin sign, long s, micro sign), a
// combining accent, an astral character, and characters that XML escapes.
const std::u32string kLetters =
    U"aDum<>- &\"\u00E4\u00C4\u00DF\u1E9E\u03A3\u03C3\u03C2\u0130iI"
    U"\u0131\uFB00f\u212Ak\u017Fs\u00B5\u03BC\u0301\U0001F600";
// Replacement pieces: line ends, controls, XML specials, UTF-8 that is cut
// short, encodes a surrogate or a non-character.
const std::string_view kPieces[] = {"D",
                                    "06-Dez-2026",
                                    " ",
                                    "\t",
                                    "\r\n",
                                    "\r",
                                    "\n",
                                    "\v",
                                    "\f",
                                    "\x01",
                                    std::string_view("\0", 1),
                                    "\x7F",
                                    "&",
                                    "<x>",
                                    "\"'",
                                    "]]>",
                                    "\xC3\xA4",
                                    "\xC3\x9F",
                                    "\xC2\x85",
                                    "\xFF",
                                    "\xC3",
                                    "\xE2\x82",
                                    "\xEF\xBF\xBE",
                                    "\xEF\xBF\xBF",
                                    "\xED\xA0\x80",
                                    "\xF0\x9F\x98\x80",
                                    "<Datum>"};
// Markup beside runs; markup around more inline content, the last two deleted.
const char* const kBeside[][2] = {{"bookmarkStart", " w:id=\"0\" w:name=\"b\""},
                                  {"bookmarkEnd", " w:id=\"0\""},
                                  {"proofErr", " w:type=\"spellStart\""}};
const char* const kAround[][2] = {{"ins", " w:id=\"1\" w:author=\"a\""},
                                  {"moveTo", " w:id=\"1\" w:author=\"a\""},
                                  {"hyperlink", " w:anchor=\"b\""},
                                  {"hyperlink", " r:id=\"rId9\""},
                                  {"fldSimple", " w:instr=\" DATE &lt;Datum&gt; \""},
                                  {"del", " w:id=\"1\" w:author=\"a\""},
                                  {"moveFrom", " w:id=\"1\" w:author=\"a\""}};
// What a run holds beside its text, and what a reader sees of it.
struct Mark {
  const char* local;
  const char* attributes;
  const char32_t* seen;
};
const Mark kMarks[] = {{"tab", "", U"\t"},
                       {"br", "", U"\n"},
                       {"cr", "", U"\n"},
                       {"br", " w:type=\"textWrapping\"", U"\n"},
                       {"lastRenderedPageBreak", "", U""}};
const char* const kSdtPr = "<w:sdtPr><w:alias w:val=\"&lt;Datum&gt;\"/></w:sdtPr>";
const char* const kPPr = "<w:pPr><w:tabs><w:tab w:val=\"left\" w:pos=\"1\"/></w:tabs></w:pPr>";
const char* const kRPr[] = {"", "<w:rPr><w:b/></w:rPr>", "<w:rPr><w:i w:val=\"0\"/></w:rPr>"};
const char* const kSpaces[] = {"", " xml:space=\"preserve\"", " xml:space=\"default\""};
// A w:t with a space at an edge that it does not keep.
const char* const kLostSpace =
    "//*[local-name()='t'][not(@xml:space='preserve')]"
    "[starts-with(., ' ') or substring(., string-length(.)) = ' ']";

struct Paragraph {
  std::u32string text;        // what a reader sees
  std::u32string run_of;      // per character, the number of its run (w:rsidR)
  std::size_t choice = npos;  // a Fallback copy: the same paragraph in the Choice
  void Add(const std::u32string& seen, int run) { text += seen, run_of.resize(text.size(), run); }
};

std::string g_context;  // what a failure report shows

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "header_replace_fuzzer: %s\n%s\n", what.c_str(), g_context.c_str());
  std::abort();
}

// What a reader sees of a replacement: a tab; a line break for CR LF, CR, LF
// and vertical tab; nothing for other C0 controls, U+FFFE and U+FFFF; U+FFFD
// for each byte where no well-formed UTF-8 begins.
std::u32string VisibleReplacement(std::string_view bytes) {
  std::u32string out;
  for (std::size_t i = 0; i < bytes.size();) {
    if (bytes.substr(i, 2) == "\r\n") ++i;
    const char32_t c = text::DecodeUtf8(bytes, i);  // U+FFFD for a byte that begins no character
    if (c == '\n' || c == '\r' || c == '\v') out.push_back(U'\n');
    if (c == '\t' || (c >= 0x20 && c != 0xFFFE && c != 0xFFFF)) out.push_back(c);
  }
  return out;
}

struct Generator {
  int Pick(int lo, std::size_t hi) { return in.ConsumeIntegralInRange(lo, static_cast<int>(hi)); }
  const auto& Any(const auto& items) { return items[Pick(0, std::size(items) - 1)]; }
  // False once the input is used up, so that short inputs take the usual paths.
  bool Chance(int one_in) { return Pick(1, one_in) == one_in; }
  void Repeat(int n, const Content& content) {
    while (n-- > 0) content();
  }

  Generator(const std::uint8_t* data, std::size_t size) : in(data, size) {
    for (int n = Pick(0, 5); n > 0; --n) replacement += Any(kPieces);
    Paras(Pick(1, 4));
    out += "</w:hdr>";
  }
  // Any bytes, or part of a placeholder, of a paragraph's text or of deleted text.
  std::string FindText() {
    if (Chance(4)) return in.ConsumeRandomLengthString(12);
    const Paragraph& from = Chance(4) ? hidden : Any(paragraphs);
    const std::u32string seen = Chance(3) ? from.text : Any(kNames);
    const std::size_t at = Pick(0, seen.size());
    return text::Utf32ToUtf8(VaryCase(seen.substr(at, seen.size() - Pick(0, seen.size()))));
  }
  std::u32string VaryCase(std::u32string s) {
    for (auto& c : s) c = Chance(3) ? utf8proc_toupper(c) : Chance(2) ? utf8proc_tolower(c) : c;
    return s;
  }
  static std::string Escape(const std::u32string& chars) {
    std::string xml = text::Utf32ToUtf8(chars);
    for (std::size_t i = 0; (i = xml.find_first_of("&<\"", i)) != npos; ++i)
      xml.replace(i, 1, xml[i] == '&' ? "&amp;" : xml[i] == '<' ? "&lt;" : "&quot;");
    return xml;
  }
  // Text no reader sees: field instructions, deleted text, properties.
  std::string Decoy() { return Escape((Chance(2) ? VaryCase(Any(kNames)) : U"") + Any(kLetters)); }

  // Writes a WordprocessingML element around what `content` writes. Now and
  // then it declares the namespace again, under another prefix or as default.
  void El(const char* local, const std::string& attributes = "", const Content& content = {}) {
    const bool again = Chance(12);
    prefixes.push_back(again ? Any(std::array{"w", "x", "ns0", ""}) : prefixes.back());
    const std::string p = prefixes.back(), name = (p.empty() ? "" : p + ":") + local;
    const std::string xmlns = " xmlns" + (p.empty() ? "" : ":" + p) + "=\"" + kW + "\"";
    out += "<" + name + (again ? xmlns : "") + attributes + ">";
    // What is deleted no reader sees: text, tabs, text boxes, all.
    const bool outer = std::exchange(deleted, deleted || local == "del"sv || local == "moveFrom"sv);
    if (content) content();
    out += "</" + name + ">", deleted = outer;
    prefixes.pop_back();
  }
  void Paras(int n) {  // paragraphs, recorded unless deleted
    for (const int outer = para; n > 0; --n, para = outer) {
      if (!deleted) para = paragraphs.size(), paragraphs.emplace_back();
      El("p", "", [&] { out += Chance(2) ? kPPr : "", Repeat(Pick(0, 6), [&] { Inline(0); }); });
    }
  }
  void Inline(int depth) {
    auto inlines = [&] { Repeat(Pick(1, 3), [&] { Inline(depth + 1); }); };
    auto fld = [&](std::string t) { Run([&] { El("fldChar", " w:fldCharType=\"" + t + "\""); }); };
    const int kind = depth > 2 ? 0 : Pick(0, 12), k = Pick(0, 6);
    if (kind == 1) return El(kBeside[k % 3][0], kBeside[k % 3][1]);
    if (kind == 2) return El(kAround[k][0], kAround[k][1], inlines);
    if (kind == 3) return El("sdt", "", [&] { out += kSdtPr, El("sdtContent", "", inlines); });
    if (kind == 4) {  // a field with instructions, and a result unless it has none yet
      fld("begin");
      Run([&] { El("instrText", " xml:space=\"preserve\"", [&] { out += " " + Decoy() + " "; }); });
      if (k > 0) fld("separate"), inlines();
      return fld("end");
    }
    if (kind == 5 && !in_box) return Run([&] { TextBox(); });
    Run([&] { Repeat(Pick(1, 4), [&] { Text(Pick(0, 9)); }); });
  }
  // A run with a number of its own (w:rsidR), perhaps formatted.
  void Run(const Content& content) {
    El("r", " w:rsidR=\"" + std::to_string(++run) + "\"", [&] { out += Any(kRPr), content(); });
  }
  void Add(const std::u32string& seen) { (deleted ? hidden : paragraphs[para]).Add(seen, run); }
  // A tab or break, or a w:t with the next characters of the placeholder or
  // letter being written, so that placeholders end up split anywhere across w:t
  // elements, runs and the markup between.
  void Text(int kind) {
    if (kind < 5) return El(kMarks[kind].local, kMarks[kind].attributes), Add(kMarks[kind].seen);
    if (rest.empty()) rest = Chance(2) ? std::u32string{Any(kLetters)} : VaryCase(Any(kNames));
    const std::u32string chunk = rest.substr(0, Pick(0, rest.size()));
    rest.erase(0, chunk.size());
    const bool edge = !chunk.empty() && (chunk.front() == ' ' || chunk.back() == ' ');
    El(deleted ? "delText" : "t", edge ? kSpaces[1] : Any(kSpaces), [&] { out += Escape(chunk); });
    Add(chunk);
  }
  // A text box: VML alone, or alternate content with a drawing in its Choice
  // and VML in its Fallback, either alone or both with the same paragraphs.
  void TextBox() {
    const std::size_t first = paragraphs.size(), start = out.size();
    in_box = true, El("txbxContent", "", [&] { Paras(Pick(1, 2)); }), in_box = false;
    const std::string box = out.substr(start), mc = Chance(4) ? "m2:" : "mc:";
    auto tag = [](const std::string& name, const std::string& content) {
      return "<" + name + ">" + content + "</" + name.substr(0, name.find(' ')) + ">";
    };
    const std::string vml = tag("w:pict", tag("v:shape", tag("v:textbox", box)));
    const std::string choice =
        tag(mc + "Choice Requires=\"wps\"", tag("w:drawing", tag("wps:txbx", box)));
    const int kind = Pick(0, 7);
    const std::string fallback = kind == 1 ? "" : tag(mc + "Fallback", vml);
    const std::string ac = tag(mc + "AlternateContent", (kind == 2 ? "" : choice) + fallback);
    out.replace(start, npos, kind == 0 ? vml : ac);
    // The Fallback's copies, with runs of the same numbers.
    for (std::size_t i = first, last = paragraphs.size(); kind > 2 && i < last; ++i)
      paragraphs.push_back(paragraphs[i]), paragraphs.back().choice = i;
  }

  FuzzedDataProvider in;
  std::u32string rest;                // of the placeholder or letter being written
  std::vector<Paragraph> paragraphs;  // in the order of their start tags
  Paragraph hidden;                   // deleted text, which no reader sees
  std::string replacement, out = kRoot;
  std::vector<std::string> prefixes{"w"};
  int para = 0, run = 0;  // the paragraph being written, the last run
  bool search_only = Chance(16), in_box = false, deleted = false;
};

const auto kRunNumber = [](pugi::xml_node r) { return std::atoi(r.attribute("w:rsidR").value()); };

// The engine's reader must see the expected paragraphs.
void Check(const std::vector<Paragraph>& expected, const pugi::xml_node& root, const char* what) {
  const std::vector<pugi::xml_node> paragraphs = docx::ParagraphsBelow(root, false);
  if (paragraphs.size() != expected.size()) Fail(what);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const docx::ParagraphText t = docx::CollectParagraphText(paragraphs[i]);
    std::u32string runs;
    for (auto s : t.segment_of) runs += kRunNumber(t.segments[s].node.parent());
    if (t.written != expected[i].text || runs != expected[i].run_of) Fail(what);
  }
}

// The part with the touched runs emptied but for their formatting.
std::string Untouched(pugi::xml_document& doc, const std::u32string& touched) {
  for (const pugi::xpath_node& n : doc.select_nodes("//*[@w:rsidR]/*[local-name() != 'rPr']"))
    if (touched.find(kRunNumber(n.parent())) != npos) n.parent().remove_child(n.node());
  return docx::WriteXmlPart(doc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Generator g(data, size);
  const std::string find = g.FindText();
  const std::string* replacement = g.search_only ? nullptr : &g.replacement;
  g_context = "find: " + find + "\nwith: " + (replacement ? *replacement : "-") + "\n" + g.out;
  pugi::xml_document doc, before, after;
  docx::ParseXmlPart(doc, g.out, "header1.xml", "fuzz");
  before.reset(doc);
  Check(g.paragraphs, doc.document_element(), "the engine reads it otherwise");

  // The first match in a searched paragraph is replaced there and in the
  // Fallback copy of its text box, in the run where the match begins.
  std::vector<Paragraph> expected = g.paragraphs;
  const std::u32string needle = text::FoldCase(find);
  const std::u32string with = VisibleReplacement(replacement ? *replacement : "");
  std::u32string touched;  // the runs of the match
  std::size_t match = npos, at = npos;
  for (std::size_t i = 0; i < expected.size() && !needle.empty(); ++i) {
    Paragraph& p = expected[i];
    if (match == npos && p.choice == npos)
      at = text::FoldCase(text::Utf32ToUtf8(p.text)).find(needle);
    if (match == npos && at != npos) match = i;
    if (!replacement || match == npos || (match != i && p.choice != match)) continue;
    touched += p.run_of.substr(at, needle.size());
    p.run_of.replace(at, needle.size(), with.size(), p.run_of[at]);
    p.text.replace(at, needle.size(), with);
  }

  const bool found = docx::ReplaceFirstOccurrence(doc.document_element(), find, replacement);
  const std::string written = docx::WriteXmlPart(doc);
  g_context += "\nafter: " + written;
  if (found != (match != npos)) Fail(found ? "found what is not there" : "missed a match");
  // Only text a reader sees as it is written: no CR, no character XML forbids,
  // nor a reference to one.
  if (text::Utf32ToUtf8(VisibleReplacement(written)) != written) Fail("characters XML forbids");
  if (written.find("&#") != npos) Fail("character references");
  docx::ParseXmlPart(after, written, "header1.xml", "fuzz");
  Check(expected, after.document_element(), "the text is not as expected");
  if (after.select_node(kLostSpace)) Fail("an edge space is lost");
  if (Untouched(before, touched) != Untouched(after, touched)) Fail("changed beyond the match");
  return 0;
}
