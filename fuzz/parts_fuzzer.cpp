// The XML of a template through the document steps. Mutating whole zip bytes
// (template_fuzzer) almost always breaks a CRC, so the parts never reach the
// XML code; here the input chooses the parts themselves and the target zips
// them with correct checksums. The input is four parts, each ended by a line
// "=====": the main part, its relationships, the header it names and the
// content types. A part the input does not reach is left out of the
// package. The other parts are fixed: those of tests/data/rich-template.
//
// Each input is opened, its primary header filled, its body laid out as a
// table and saved into memory. That must end in a saved package or a
// Failure; a saved package must open and save again, since what the
// engine writes it must also read.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "docx/docx_engine.h"
#include "package_builder.h"
#include "text/failure.h"

namespace {

using namespace reportword;
// The tests' package builder; plain `testing` would also name GoogleTest's.
namespace build = reportword::test;

constexpr std::string_view kSeparator = "\n=====\n";
constexpr const char* kVariableParts[] = {"word/document.xml", "word/_rels/document.xml.rels",
                                          "word/header1.xml", "[Content_Types].xml"};

// The parts of a template rich in parts that the engine prunes or keeps; the
// input replaces four of them.
const build::Parts& FixedParts() {
  static const build::Parts parts = [] {
    build::Parts fixed;
    for (auto& part : build::PartsFromFolder("rich-template")) {
      if (std::find(std::begin(kVariableParts), std::end(kVariableParts), part.first) ==
          std::end(kVariableParts)) {
        fixed.push_back(std::move(part));
      }
    }
    // The example templates' main part also names settings.
    fixed.emplace_back("word/settings.xml", std::string("<w:settings ") + build::kWordNs + "/>");
    return fixed;
  }();
  return parts;
}

build::Parts PackageParts(std::string_view input) {
  build::Parts parts;
  for (const char* name : kVariableParts) {
    const std::size_t end = input.find(kSeparator);
    if (end == std::string_view::npos) break;
    parts.emplace_back(name, std::string(input.substr(0, end)));
    input.remove_prefix(end + kSeparator.size());
  }
  parts.insert(parts.end(), FixedParts().begin(), FixedParts().end());
  return parts;
}

// The steps of a network run, with replacements that XML must escape or
// cannot hold as they are.
std::string Generate(std::string template_bytes) {
  std::string saved;
  auto document = docx::OpenDocumentInMemory(std::move(template_bytes), "fuzz.dotx", &saved);
  for (int i = document->FirstSectionHeaderCount(); i > 0; --i) {
    document->ReplaceInPrimaryHeader("<Datum>", {"06-Dez-2026 \v<x>&", false});
  }
  const std::string designation = "Stra\u00DFe\t\x01 ]]>", table_text = "A\tB\r\n\xC3\t\x01\t\r\n";
  document->ReplaceInPrimaryHeader("<OBJEKTbezeichnung>", {designation, true});
  document->ReplaceInPrimaryHeader("<bau-nummer>", {"\xFF\xC3", true});
  // The engine reads the table's text where it is, up to the save.
  document->LayOutBodyAsTable(table_text, {3, {150.0f}, false, false});
  document->SaveAs("generated.docx");
  document->Close();
  return saved;
}

// A generated document as a template again, with a road run's table. Its
// headers are left alone: the one shown now may be one the first run never
// read (of the last section, or of a type the writer corrected), kept as the
// template had it, which need not be well-formed.
void GenerateAgain(std::string generated) {
  std::string saved;
  auto document = docx::OpenDocumentInMemory(std::move(generated), "generated.docx", &saved);
  const std::string table_text = "\tx\r\n";
  document->LayOutBodyAsTable(table_text, {2, {}, true, false});
  document->SaveAs("again.docx");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const build::Parts parts = PackageParts(input);
  std::set<std::string> stored;  // no deflating per run: the zip layer is not under test
  for (const auto& part : parts) stored.insert(part.first);
  std::string saved;
  try {
    saved = Generate(build::ZipParts(parts, stored));
  } catch (const Failure&) {
    return 0;
  }
  try {
    GenerateAgain(std::move(saved));
  } catch (const Failure& e) {
    std::fprintf(stderr, "parts_fuzzer: what it saved does not open and save again: %s\n",
                 e.what());
    std::abort();
  }
  return 0;
}
