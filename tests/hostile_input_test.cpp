// The catalogue of hostile and broken inputs and of unusual save targets, run
// through the executable: every case ends in its exit status and message,
// writes nothing it should not, leaves every input as it was, and leaves no
// temporary file behind.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>

#include "package_builder.h"
#include "test_support.h"
#include "text/unicode.h"

namespace reportword {
namespace {

namespace fs = std::filesystem;
using namespace test;  // the tests' own helpers
using Package = std::map<std::string, std::string>;

constexpr const char* kReport = "Export\r\nb7\tHauptweg 4\tA1\tA2\tA3\r\n\r\nKopf\r\nC1\tC2\r\n";

// A path given to the executable: a name in the test folder, or as it stands
// (relative to the test folder, where the run starts on POSIX).
struct Arg {
  std::string text;
  bool in_folder = true;
};
Arg Raw(std::string text) {
  return {std::move(text), false};
}

enum class Platform { kAny, kPosix, kWindows };
// Writes the inputs into the folder; false skips the case (it needs a privilege).
using Prepare = std::function<bool(const fs::path&)>;

// `message` is expected in the diagnostic ("" for none); `shell_prefix` runs
// first (a ulimit); `replaced` is a file there before that the run replaces.
struct Case {
  const char* name;
  Prepare prepare;
  std::vector<Arg> args;
  int status;
  const char* message;
  bool documents_written;
  std::string shell_prefix = "";
  Platform platform = Platform::kAny;
  const char* replaced = "";
};

std::vector<Arg> Standard(const char* t1 = "a.dotx", const char* t2 = "b.dotx",
                          const char* report = "report.txt", const char* o1 = "out1.docx",
                          const char* o2 = "out2.docx") {
  return {Raw("9520e000"), {t1}, {t2}, {report}, {o1}, {o2}};
}

// A header whose placeholder paragraph lies inside block content controls
// nested so deep that its innermost element (a w:t, or a w:b below the run
// properties) is at `depth`, counting w:hdr as 1.
std::string NestedHeader(int depth) {
  std::string open, close;
  for (int i = 0; i < (depth - 4) / 2; ++i) {  // each w:sdt and its w:sdtContent add two levels
    open += "<w:sdt><w:sdtContent>";
    close += "</w:sdtContent></w:sdt>";
  }
  TemplateContents spec;
  spec.headers = {{"default", open + "<w:p><w:r>" + (depth % 2 ? "<w:rPr><w:b/></w:rPr>" : "") +
                                  "<w:t>&lt;objektbezeichnung&gt; &lt;Datum&gt;</w:t></w:r></w:p>" +
                                  close}};
  return test::BuildTemplate(spec);
}

Prepare Template(const std::string& name, std::function<std::string()> bytes) {
  return [=](const fs::path& dir) { return WriteFile(dir / name, bytes()), true; };
}
Prepare T(std::function<std::string()> bytes) {
  return Template("t.dotx", std::move(bytes));
}
// The test template with `extra` parts (in place of any of the same name),
// its bytes then changed by `edit`.
std::string WithParts(const Parts& extra, const std::function<void(std::string&)>& edit = nullptr) {
  Parts parts = TemplateParts({});
  for (const auto& [name, bytes] : extra) {
    auto same = std::find_if(parts.begin(), parts.end(), [&](auto& p) { return p.first == name; });
    if (same == parts.end()) same = parts.insert(parts.end(), {name, ""});
    same->second = bytes;
  }
  std::string zip = ZipParts(parts);
  if (edit) edit(zip);
  return zip;
}
Prepare Report(std::function<std::string()> bytes) {
  return Template("report.txt", std::move(bytes));
}

// A path below `dir` whose absolute form is `length` bytes long, ending in a
// short name: a temporary name longer than the target's would not fit.
std::string DeepPath(const fs::path& dir, std::size_t length) {
  std::string relative;
  for (std::size_t rest = length - dir.string().size() - 1 - 8; rest > 0;) {
    const std::size_t segment = rest > 250 ? 200 : rest;  // its bytes with the slash
    relative += std::string(segment - 1, 'd') + "/";
    rest -= segment;
  }
  return relative + "out.docx";
}

// The files only a POSIX system has, made in `dir`; false where they cannot be.
#ifdef _WIN32
const Prepare MakeSocket, MakeNullDevice;  // the cases are skipped there
bool MakeFifo(const fs::path&, const char* = "") {
  return false;
}
bool GiveToUnmappedOwner(const fs::path&) {
  return false;
}
#else
bool MakeFifo(const fs::path& dir, const char* name = "out.docx") {
  return ::mkfifo((dir / name).c_str(), 0644) == 0;
}
// An owner that `unshare -Ur` will not map; needs root, and user namespaces.
bool GiveToUnmappedOwner(const fs::path& file) {
  return ::geteuid() == 0 && ::chown(file.c_str(), 4321, 4321) == 0 &&
         std::system("unshare -Ur true 2>/dev/null") == 0;
}
bool MakeSocket(const fs::path& dir) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = (dir / "out.docx").string();
  if (path.size() >= sizeof address.sun_path) return false;
  path.copy(address.sun_path, path.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return bound;
}
bool MakeNullDevice(const fs::path& dir) {  // needs root
  return ::mknod((dir / "null.docx").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
}
#endif

const char* const kTemplateMissing = "Vorlage existiert nicht.Dokument kann nicht generiert werden";
const char* const kTargetIsInput =
    "Ziel ist eine Eingabedatei. Dokument kann nicht generiert werden";

std::vector<Case> Catalogue() {
  const std::string bomb =
      "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol1 "
      "\"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\"><!ENTITY lol2 "
      "\"&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;\">]><w:document "
      "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/"
      "main\"><w:body><w:p><w:r><w:t>&lol2;</w:t></w:r></w:p></w:body></w:document>";
  const std::string strict =
      "<w:document "
      "xmlns:w=\"http://purl.oclc.org/ooxml/wordprocessingml/main\"><w:body/></w:document>";
  const std::string outside_rel =
      "<Relationships "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
      "Id=\"rIdH1\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/header\" "
      "Target=\"../../../etc/passwd\"/></Relationships>";
  std::string controls;
  for (int c = 0; c < 32; ++c) controls += static_cast<char>(c == '\r' || c == '\n' ? ' ' : c);
#ifdef _WIN32
  const std::string read_only_target = "ro/out1.docx";
#else
  const std::string read_only_target =
      ::geteuid() == 0 ? "/proc/reportword-out.docx" : "ro/out1.docx";  // root writes anywhere else
#endif
  const std::vector<Arg> t = Standard("t.dotx");
  const auto to = [](const char* target1, const char* target2 = "out2.docx") {
    return Standard("a.dotx", "b.dotx", "report.txt", target1, target2);
  };
  const char* const kNotRegular = "it is not a regular file";
  std::vector<Arg> road = Standard();
  road[0] = Raw("STRASSENSANIERUNG");

  return {
      // Command lines
      {"no arguments", nullptr, {}, 2, "Velam_Analyse: usage: reportword", false},
      {"four paths",
       nullptr,
       {Raw("9520e000"), {"a.dotx"}, {"b.dotx"}, {"report.txt"}, {"out1.docx"}},
       2,
       "usage",
       false},
      {"32,767 quoted fields are still read",
       nullptr,
       {Raw("9520e000 " + std::string(65534, '"'))},
       3,
       kTemplateMissing,
       false,
       "",
       Platform::kPosix},
      {"32,768 quoted fields",
       nullptr,
       {Raw("9520e000 " + std::string(65536, '"'))},
       2,
       "usage",
       false,
       "",
       Platform::kPosix},
      {"a very long argument", nullptr, Standard(std::string(100000, 'a').c_str()), 3,
       kTemplateMissing, false, "", Platform::kPosix},
      {"non-UTF-8 bytes in a path",
       [](const fs::path& d) { return fs::copy_file(d / "a.dotx", d / "Vorlage-\xE4\xFC.dotx"); },
       Standard("Vorlage-\xE4\xFC.dotx"), 0, "", true, "", Platform::kPosix},
      // Input checks
      {"report missing", nullptr, Standard("a.dotx", "b.dotx", "none.txt"), 3,
       "Velam_Analyse: Report file existiert nicht. Dokument kann nicht generiert werden", false},
      {"target blank",
       nullptr,
       {Raw("9520e000"), {"a.dotx"}, {"b.dotx"}, {"report.txt"}, {"out1.docx"}, Raw("   ")},
       3,
       "Velam_Analyse: Ziel nicht angegeben. Dokument kann nicht generiert werden",
       false},
      // Templates
      {"empty template", T([] { return ""; }), t, 1, "is empty", false},
      {"random bytes", T([] { return std::string("\x13\x37 not a package \xff\xfe", 20); }), t, 1,
       "not a valid", false},
      {"truncated zip", T([] { return test::BuildTemplate().substr(0, 700); }), t, 1, "t.dotx",
       false},
      // The zip container: read as tolerantly as other readers, but not the
      // unsafe or damaged.
      {"line feed after the zip directory", T([] { return test::BuildTemplate() + "\n"; }), t, 0,
       "", true},
      {"local header time differs from the directory", T([] {
         return WithParts({}, [](std::string& z) {
           Change(z, "word/document.xml", true, 10, 2,
                  [](std::uint64_t time) { return (time & ~0x1Fu) | ((time & 0x1F) + 2) % 30; });
         });
       }),
       t, 0, "", true},  // seconds / 2 in bits 0-4
      {"Zip64 directory", T([] { return AsZip64(test::BuildTemplate()); }), t, 0, "", true},
      {"two entries sharing their bytes", T([] {
         return WithParts({{"word/media/a.bin", std::string(100000, 'z')},
                           {"word/media/b.bin", std::string(100000, 'z')}},
                          [](std::string& z) {
                            Put(z, CentralHeader(z, "word/media/b.bin") + 42, 4,
                                LocalHeader(z, "word/media/a.bin"));
                          });
       }),
       t, 1, "parts word/media/a.bin and word/media/b.bin overlap", false},
      {"an older end record after the directory", T([] {
         const std::string now = test::BuildTemplate(),
                           before = WithParts({{"word/media/old.bin", std::string(3000, 'o')}});
         return now + before.substr(now.size());
       }),
       t, 0, "", true},  // overwritten in place, not truncated
      {"an empty end record appended",
       T([] { return test::BuildTemplate() + Le(0x06054b50, 4) + std::string(18, '\0'); }), t, 0,
       "", true},
      {"a local header not where the directory says", T([] {
         return WithParts({{"word/media/a.bin", "data"}}, [](std::string& z) {
           Change(z, "word/media/a.bin", false, 42, 4, [](std::uint64_t at) { return at + 1; });
         });
       }),
       t, 1, "has no local header for word/media/a.bin where its directory entry says", false},
      {"entry reaching into the zip directory", T([] {
         return WithParts({{"word/media/a.bin", "last"}}, [](std::string& z) {
           Change(z, "word/media/a.bin", false, 20, 4,
                  [](std::uint64_t size) { return size + 40; });
         });
       }),
       t, 1, "part word/media/a.bin reaches into the central directory", false},
      {"CRC mismatch in a part copied unchanged", T([] {
         return WithParts({{"word/media/image.bin", "picture bytes"}}, [](std::string& z) {
           for (bool local : {false, true})
             Change(z, "word/media/image.bin", local, local ? 14 : 16, 4,
                    [](std::uint64_t crc) { return crc ^ 1; });
         });
       }),
       t, 1, "word/media/image.bin is damaged: its CRC-32", false},
      {"encrypted part", T([] {
         return WithParts({}, [](std::string& z) {
           for (bool local : {false, true})
             Change(z, "word/document.xml", local, local ? 6 : 8, 2,
                    [](std::uint64_t flags) { return flags | 1; });
         });
       }),
       t, 1, "encrypted part word/document.xml", false},
      {"no [Content_Types].xml", T([] {
         Parts p = TemplateParts({});
         std::erase_if(p, [](auto& x) { return x.first == "[Content_Types].xml"; });
         return ZipParts(p);
       }),
       t, 1, "[Content_Types].xml is missing", false},
      {"no main part", T([] {
         Parts p = TemplateParts({});
         std::erase_if(p, [](auto& x) { return x.first == "word/document.xml"; });
         return ZipParts(p);
       }),
       t, 1, "is missing", false},
      {"main part not XML", T([] {
         return WithParts({{"word/document.xml", "PK\x03\x04 binary"}});
       }),
       t, 1, "not well-formed", false},
      {"entity expansion bomb", T([=] {
         return WithParts({{"word/document.xml", bomb}});
       }),
       t, 1, "document type", false},
      {"a million nested elements", T([] {
         std::string open, close;
         for (int i = 0; i < 1000000; ++i) {
           open += "<x>";
           close += "</x>";
         }
         return WithParts(
             {{"word/document.xml", "<w:document " + std::string(test::kWordNs) + "><w:body>" +
                                        open + close + "</w:body></w:document>"}});
       }),
       t, 1, "part word/document.xml nests elements more than 1000 levels deep", false},
      {"elements nested 1,000 levels deep", T([] { return NestedHeader(1000); }), t, 0, "", true},
      {"elements nested 1,001 levels deep", T([] { return NestedHeader(1001); }), t, 1,
       "part word/header1.xml nests elements more than 1000 levels deep", false},
      {"part inflating past the limit", T([] {
         return WithParts({{"word/media/huge.bin", std::string((256u << 20) + 4096, '\0')}});
       }),
       t, 1, "limit", false},
      {"100,000 tiny entries", T([] {
         Parts tiny;
         for (int i = 0; i < 100000; ++i) tiny.emplace_back("x/" + std::to_string(i), "");
         return WithParts(tiny);
       }),
       t, 1, "entries", false},
      // A package names each part once, whatever the letter case and escapes.
      {"one part under two names", T([] {
         return WithParts({{"WORD/DOCUMENT.XML", "<w:document/>"}});
       }),
       t, 1, "t.dotx\": holds one part under two names, word/document.xml and WORD/DOCUMENT.XML",
       false},
      {"one part under two names, one escaped", T([] {
         return WithParts({{"word/%68eader1.xml", "<w:hdr/>"}});
       }),
       t, 1, "holds one part under two names, word/header1.xml and word/%68eader1.xml", false},
      {"header named in another letter case", T([] {
         Parts parts = TemplateParts({});
         std::string& rels = Part(parts, "word/_rels/document.xml.rels");
         rels.replace(rels.find("\"header1.xml\""), 13, "\"Header1.xml\"");
         return ZipParts(parts);
       }),
       t, 0, "", true},
      {"header relationship outside the package", T([=] {
         return WithParts({{"word/_rels/document.xml.rels", outside_rel}});
       }),
       t, 1, "outside the package", false},
      {"a spreadsheet package", T([] {
         TemplateContents spec;
         spec.main_content_type =
             "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
         return test::BuildTemplate(spec);
       }),
       t, 1, "t.dotx\": is not a word-processing template", false},
      {"Strict Open XML", T([=] {
         return WithParts({{"word/document.xml", strict}});
       }),
       t, 1, "t.dotx\": is saved as Strict Open XML", false},
      {"legacy binary .dot",
       Template("t.dot",
                [] {
                  return std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) +
                         std::string(2000, 'x');
                }),
       Standard("t.dot"), 1, "t.dot", false},
      {"folder named like a template",
       [](const fs::path& d) { return fs::create_directory(d / "t.dotx"); }, t, 3, kTemplateMissing,
       false},
      {"template without headers", T([] {
         TemplateContents spec;
         spec.headers.clear();
         return test::BuildTemplate(spec);
       }),
       t, 0, "", true},
      {"first section without primary header", T([] {
         TemplateContents spec;
         spec.headers = {{"first", "<w:p><w:r><w:t>&lt;Datum&gt;</w:t></w:r></w:p>"}};
         return test::BuildTemplate(spec);
       }),
       t, 0, "", true},
      // Reports
      {"empty report", Report([] { return ""; }), Standard(), 0, "", true},
      {"NUL bytes", Report([] {
         static const char kBytes[] = "h\r\nb7\0\tHaupt\0weg\tA\0\tB\tC\r\n";
         return std::string(kBytes, sizeof kBytes - 1);
       }),
       Standard(), 0, "", true},
      {"every C0 control character",
       Report([=] { return "h\r\n" + controls + "\t" + controls + "\t" + controls; }), Standard(),
       0, "", true},
      {"invalid UTF-8", Report([] {
         return "h\r\nb7\tStra\xDF"
                "e \xC3\x28\tA\xFF\tB\tC\r\n";
       }),
       Standard(), 0, "", true},
      {"UTF-8 byte-order mark", Report([] { return "\xEF\xBB\xBFh\r\nb7\tStraße\tA\tB\tC\r\n"; }),
       Standard(), 0, "", true},
      {"UTF-16 with a byte-order mark", Report([] { return Utf16(kReport, false); }), Standard(), 0,
       "", true},
      {"UTF-16 without a byte-order mark", Report([] { return Utf16(kReport, false, false); }),
       Standard(), 1, "report.txt\": looks like UTF-16 LE text without a byte-order mark", false},
      {"a line of 32,767 tabs", Report([] { return "h\r\n" + std::string(32767, '\t') + "\r\n"; }),
       Standard(), 1, "line 2", false},
      {"a line past the 4 MiB limit",
       Report([] { return "h\r\nb7\tHauptweg\t" + std::string(10u << 20, 'x') + "\tB\tC\r\n"; }),
       Standard(), 1, "line 2: longer than the limit of 4 MiB", false},
      {"road designation past its limit", Report([] {
         std::string r = "h\r\n";
         for (int i = 0; i < 2000; ++i)
           r += "b\tv\tAbschnitt " + std::to_string(i) + std::string(40, '-') + "\r\n";
         return r;
       }),
       road, 1, "object designation", false},
      // Targets
      {"target folder missing", nullptr,
       Standard("a.dotx", "b.dotx", "report.txt", "none/out1.docx"), 1, "folder does not exist",
       false},
      {"target in a read-only place",
       [](const fs::path& d) {
         fs::create_directory(d / "ro");
         fs::permissions(d / "ro", fs::perms::owner_read | fs::perms::owner_exec);
         return true;
       },
       {Raw("9520e000"),
        {"a.dotx"},
        {"b.dotx"},
        {"report.txt"},
        {read_only_target, read_only_target[0] != '/'},
        {"out2.docx"}},
       1,
       "cannot create a file",
       false,
       "",
       Platform::kPosix},
      {"target is a folder",
       [](const fs::path& d) { return fs::create_directory(d / "out1.docx"); }, Standard(), 1,
       "a folder of that name exists", false},
      // A second target that no save could write is refused before document 1
      // replaces the old one.
      {"target 2 a folder, an old document 1",
       [](const fs::path& d) {
         return WriteFile(d / "out1.docx", "old 1"), fs::create_directory(d / "out2.docx");
       },
       Standard(), 1, "out2.docx\": a folder of that name exists", false},
      {"target 2 a fifo, an old document 1",
       [](const fs::path& d) {
         return WriteFile(d / "out1.docx", "old 1"), MakeFifo(d, "out2.docx");
       },
       Standard(), 1, "out2.docx\": it is not a regular file", false, "", Platform::kPosix},
      {"target 2 a dangling link, an old document 1",
       [](const fs::path& d) {
         return WriteFile(d / "out1.docx", "old 1"), fs::create_symlink("gone", d / "out2.docx"),
                true;
       },
       Standard(), 1, "out2.docx\": it is a link to a file that does not exist", false, "",
       Platform::kPosix},
      {"target 2 write-protected, an old document 1",
       [](const fs::path& d) {
         WriteFile(d / "out1.docx", "old 1");
         WriteFile(d / "out2.docx", "old 2");
         fs::permissions(d / "out2.docx", fs::perms::owner_read);
         return true;
       },
       Standard(), 1, "out2.docx\": the file is write-protected", false},
      // In a rootless container a file of an owner the user namespace does not
      // map is saved over as any other user's file would be.
      {"a target owned by an unmapped user",
       [](const fs::path& d) {
         return WriteFile(d / "out1.docx", "old"), GiveToUnmappedOwner(d / "out1.docx");
       },
       Standard(), 0, "", false, "unshare -Ur ", Platform::kPosix, "out1.docx"},
      {"target is a template", nullptr, Standard("a.dotx", "b.dotx", "report.txt", "b.dotx"), 3,
       kTargetIsInput, false},
      {"target 1 is target 2", nullptr,
       Standard("a.dotx", "b.dotx", "report.txt", "out1.docx", "sub/../out1.docx"), 3,
       kTargetIsInput, false},
      {"write fails half-way",
       [](const fs::path& d) { return WriteFile(d / "out1.docx", "old document 1"), true; },
       Standard(), 1, "out1.docx", false, "ulimit -f 2; "},
      // Targets spelt two ways, files that are not documents, links, write
      // protection, and a path near PATH_MAX
      {"a new target spelt with ./", nullptr,
       Standard("a.dotx", "b.dotx", "report.txt", "out.docx", "./out.docx"), 3, kTargetIsInput,
       false},
      {"a new target, relative and absolute",
       nullptr,
       {Raw("9520e000"), {"a.dotx"}, {"b.dotx"}, {"report.txt"}, Raw("out.docx"), {"out.docx"}},
       3,
       kTargetIsInput,
       false,
       "",
       Platform::kPosix},
      {"a new target in two letter cases", nullptr,
       Standard("a.dotx", "b.dotx", "report.txt", "Out.docx", "out.docx"), 3, kTargetIsInput, false,
       "", Platform::kWindows},
      // Windows drops trailing dots and spaces from a name.
      {"a new target with a trailing dot", nullptr, to("neu.docx", "neu.docx."), 3, kTargetIsInput,
       false, "", Platform::kWindows},
      {"a new target with trailing dots and spaces", nullptr, to("neu.docx . .", "neu.docx"), 3,
       kTargetIsInput, false, "", Platform::kWindows},
      {"a template with a trailing dot as a target", nullptr, to("b.dotx."), 3, kTargetIsInput,
       false, "", Platform::kWindows},
      // Device names, which Windows keeps in every folder, with any extension.
      {"the device NUL as a target", nullptr, to("NUL"), 1, "NUL\": it is not a regular file",
       false, "", Platform::kWindows},
      {"the device CON as target 2", nullptr, to("out1.docx", "CON"), 1,
       "CON\": it is not a regular file", false, "", Platform::kWindows},
      {"the device AUX as a target", nullptr, to("aux"), 1, kNotRegular, false, "",
       Platform::kWindows},
      {"a device with an extension as a target", nullptr, to("COM1.docx"), 1,
       "COM1.docx\": it is not a regular file", false, "", Platform::kWindows},
      {"a device with dots and spaces as a target", nullptr, to("lpt2 .docx. "), 1, kNotRegular,
       false, "", Platform::kWindows},
      {"a device in a folder that does not exist", nullptr, to("none/nul"), 1, kNotRegular, false,
       "", Platform::kWindows},
      {"a device as the folder of a target", nullptr, to("NUL/out1.docx"), 1,
       "the folder does not exist", false, "", Platform::kWindows},
      {"the console output as a target", nullptr, to("CONOUT$"), 1, kNotRegular, false, "",
       Platform::kWindows},
      {"a device as a template", nullptr, Standard("NUL"), 3, kTemplateMissing, false, "",
       Platform::kWindows},
      {"a device as the report", nullptr, Standard("a.dotx", "b.dotx", "con.txt"), 3,
       "Report file existiert nicht", false, "", Platform::kWindows},
      {"a fifo", [](const fs::path& d) { return MakeFifo(d); },
       Standard("a.dotx", "b.dotx", "report.txt", "out.docx"), 1,
       "out.docx\": it is not a regular file", false, "", Platform::kPosix},
      {"a socket", MakeSocket, Standard("a.dotx", "b.dotx", "report.txt", "out.docx"), 1,
       "it is not a regular file", false, "", Platform::kPosix},
      {"a device node", MakeNullDevice, Standard("a.dotx", "b.dotx", "report.txt", "null.docx"), 1,
       "it is not a regular file", false, "", Platform::kPosix},
      {"a link to a document",
       [](const fs::path& d) {
         fs::create_directory(d / "real");
         WriteFile(d / "real" / "doc.docx", "old");
         fs::create_symlink("real/doc.docx", d / "link.docx");
         return true;
       },
       Standard("a.dotx", "b.dotx", "report.txt", "link.docx"), 0, "", false, "", Platform::kPosix,
       "real/doc.docx"},
      {"a link to nothing",
       [](const fs::path& d) {
         fs::create_symlink("gone/doc.docx", d / "link.docx");
         return true;
       },
       Standard("a.dotx", "b.dotx", "report.txt", "link.docx"), 1,
       "it is a link to a file that does not exist", false, "", Platform::kPosix},
      {"a write-protected document",
       [](const fs::path& d) {
         WriteFile(d / "out.docx", "old");
         fs::permissions(d / "out.docx",
                         fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
         return true;
       },
       Standard("a.dotx", "b.dotx", "report.txt", "out.docx"), 1,
       "out.docx\": the file is write-protected", false},
      {"a path near PATH_MAX",
       [](const fs::path& d) {
         return fs::create_directories((d / DeepPath(d, 4090)).parent_path());
       },
       Standard("a.dotx", "b.dotx", "report.txt", "{deep}"), 0, "", false, "", Platform::kPosix},
  };
}

// Every entry below `dir`, links not followed, with a regular file's bytes.
std::map<fs::path, std::string> Snapshot(const fs::path& dir) {
  std::map<fs::path, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    entries[entry.path()] =
        entry.is_regular_file() && !entry.is_symlink()
            ? ReadFile(entry.path())
            : "(" + std::to_string(static_cast<int>(entry.symlink_status().type())) + ")";
  }
  return entries;
}

class HostileInputTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(HostileInputTest, EndsInItsOutcomeAndLosesNothing) {
  const Case c = Catalogue()[GetParam()];
#ifdef _WIN32
  if (c.platform == Platform::kPosix || !c.shell_prefix.empty()) GTEST_SKIP() << "a POSIX case";
#else
  if (c.platform == Platform::kWindows) GTEST_SKIP() << "a Windows file system's case";
#endif
  TempDir dir;
  const fs::path examples = fs::path(REPORTWORD_SOURCE_DIR) / "examples";
  fs::copy_file(examples / "netzanalyse-1.dotx", dir / "a.dotx");
  fs::copy_file(examples / "netzanalyse-2.dotx", dir / "b.dotx");
  WriteFile(dir / "report.txt", kReport);
  if (c.prepare && !c.prepare(dir.path())) GTEST_SKIP() << "cannot make " << c.name << " here";
  const auto before = Snapshot(dir.path());

  std::vector<fs::path> words;
  for (const Arg& arg : c.args) {
    const std::string text = arg.text == "{deep}" ? DeepPath(dir.path(), 4090) : arg.text;
    words.push_back(arg.in_folder ? dir.path() / text : fs::path(text));
  }
  const CommandResult result =
      RunReportword(words, "C", "cd " + ShellQuote(dir.path().string()) + " && " + c.shell_prefix);
  EXPECT_EQ(result.status, c.status) << result.output.substr(0, 2000);
  EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output.substr(0, 2000);
  if (c.status == 0) {
    EXPECT_EQ(result.output, "");
  } else if (c.status != 2) {  // an overflow's message comes before the usage line
    EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << result.output;
  }

  // Inputs (and an earlier file at a failed target) are unchanged; nothing
  // but the documents was added.
  auto after = Snapshot(dir.path());
  for (const auto& [path, contents] : before) {
    ASSERT_TRUE(after.contains(path)) << path << " is gone";
    if (path == dir / c.replaced) {
      EXPECT_EQ(after[path].substr(0, 2), "PK") << path << " was not replaced";
    } else {
      EXPECT_EQ(after[path], contents) << path << " changed";
    }
    after.erase(path);
  }
  for (const auto& [path, contents] : after) {
    EXPECT_EQ(contents.substr(0, 2), "PK") << path << " left behind";
    ExpectSchemaValid(path);
  }
  EXPECT_EQ(after.size(), c.status != 0 ? 0u : *c.replaced ? 1u : 2u);
  // Every XML part is UTF-8, whatever bytes the report or a file name held.
  for (const auto& [name, bytes] : c.documents_written ? ReadPackage(dir / "out1.docx") : Package{})
    EXPECT_TRUE(!name.ends_with(".xml") || text::IsValidUtf8(bytes)) << name;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, HostileInputTest,
                         ::testing::Range<std::size_t>(0, Catalogue().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                           std::string name = Catalogue()[info.param].name;
                           for (char& ch : name) ch = std::isalnum(ch & 0xFF) ? ch : '_';
                           return name;
                         });

}  // namespace
}  // namespace reportword
