// Templates in LibreOffice's formats and .pdf/.odt targets, through the real
// executable, and the converter's time limit with a stand-in that hangs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include "docx/docx_engine.h"
#include "package_builder.h"
#include "system/libreoffice.h"
#include "test_support.h"
#include "text/failure.h"

// LibreOffice conversions are a feature of the POSIX build.
#ifndef _WIN32
#include <sys/wait.h>

namespace reportword {
namespace {

namespace fs = std::filesystem;
using test::ShellQuote;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

constexpr const char* kReport =
    "Export\r\nb7-001\tHauptweg 4\tStra\xDF"
    "e 1\tNAYY 150\tOK\r\n\tOther\tGasse 2\tNYY 50\tMuffe\r\n\r\nMesspunkt\tWert\r\nMP 2\t1,2 "
    "%\r\n";

class LibreOfficeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test::RunCommand("command -v soffice && command -v pdftotext").status != 0) {
      GTEST_SKIP() << "LibreOffice (soffice) or pdftotext is not installed; run "
                      "scripts/install-deps.sh to check documents with a real client";
    }
    const fs::path examples = fs::path(REPORTWORD_SOURCE_DIR) / "examples";
    fs::copy_file(examples / "netzanalyse-1.dotx", dir_ / "a.dotx");
    fs::copy_file(examples / "netzanalyse-2.dotx", dir_ / "b.dotx");
    test::WriteFile(dir_ / "report.txt", kReport);
  }
  // Has LibreOffice itself save `source` in another format, as a user would.
  fs::path SaveAs(const fs::path& source, const std::string& filter, const std::string& extension) {
    const fs::path out = dir_ / "made";
    auto result = test::RunCommand("soffice --headless --norestore -env:UserInstallation=file://" +
                                   (dir_ / "profile").string() + " --convert-to " +
                                   ShellQuote(extension + ":" + filter) + " --outdir " +
                                   ShellQuote(out.string()) + " " + ShellQuote(source.string()));
    EXPECT_EQ(result.status, 0) << result.output;
    return out / (source.stem().string() + "." + extension);
  }
  test::CommandResult Run(const fs::path& t1, const fs::path& t2, const std::string& o1,
                          const std::string& o2) {
    return test::RunReportword({"9520e000", t1, t2, dir_ / "report.txt", dir_ / o1, dir_ / o2});
  }
  test::TempDir dir_;
};

TEST_F(LibreOfficeTest, LegacyAndRtfTemplatesGiveTheSameHeaderAndTable) {
  const fs::path dot = SaveAs(dir_ / "a.dotx", "MS Word 97 Vorlage", "dot");
  const fs::path rtf = SaveAs(dir_ / "b.dotx", "Rich Text Format", "rtf");
  auto result = Run(dot, rtf, "1.docx", "2.docx");
  ASSERT_EQ(result.status, 0) << result.output;
  test::ExpectSchemaValid(dir_ / "1.docx");
  test::ExpectSchemaValid(dir_ / "2.docx");
  std::map<std::string, std::string> texts;
  for (const auto& [document, pattern] : {std::pair{"1.docx", "Hauptweg 4 Niederspannungsnetz"},
                                          {"1.docx", "B7-001"},
                                          {"1.docx", R"(Gasse 2\s+NYY 50\s+Muffe)"},
                                          {"2.docx", "Hauptweg 4 Niederspannungsnetz"},
                                          {"2.docx", R"(MP 2\s+1,2 %)"}}) {
    std::string& text = texts[document];
    if (text.empty()) text = test::TextThroughLibreOffice(dir_ / document, dir_ / "lo");
    EXPECT_TRUE(std::regex_search(text, std::regex(pattern))) << pattern << " in\n" << text;
  }
}

TEST_F(LibreOfficeTest, PdfAndOdtTargetsAreConvertedNotMislabelled) {
  auto result = Run(dir_ / "a.dotx", dir_ / "b.dotx", "1.PDF", "2.odt");
  ASSERT_EQ(result.status, 0) << result.output;
  auto text = test::RunCommand("pdftotext -layout " + ShellQuote((dir_ / "1.PDF").string()) + " -");
  for (const char* pattern :
       {"Hauptweg 4 Niederspannungsnetz", "B7-001", R"(Straße 1\s+NAYY 150\s+OK)"})
    EXPECT_TRUE(std::regex_search(text.output, std::regex(pattern))) << pattern << " in\n"
                                                                     << text.output;
  const auto odt = test::ReadPackage(dir_ / "2.odt");
  EXPECT_EQ(odt.at("mimetype"), "application/vnd.oasis.opendocument.text");
  EXPECT_THAT(odt.at("content.xml"), HasSubstr("1,2 %"));
  EXPECT_THAT(odt.at("styles.xml"), HasSubstr("Hauptweg 4 Niederspannungsnetz"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), {}), 5)
      << "a working folder is left";
}

// LibreOffice writes its configuration into the home folder, and leaves a
// folder in TMPDIR when it is ended early: it gets folders of the run's own
// instead. A TMPDIR whose name LibreOffice would decode (%20) or cannot write
// below (;) still gives both documents, and nothing stays in it or at home.
TEST_F(LibreOfficeTest, TheConverterWritesNothingOutsideTheRunsFolders) {
  const fs::path rtf = SaveAs(dir_ / "a.dotx", "Rich Text Format", "rtf");
  for (const char* tmp : {"tmp%20dir", "tmp;dir"}) {
    SCOPED_TRACE(tmp);
    fs::create_directory(dir_ / tmp);
    const std::string environment = "HOME=" + ShellQuote((dir_ / "home").string()) +
                                    " TMPDIR=" + ShellQuote((dir_ / tmp).string()) + " ";
    auto result = test::RunReportword(
        {"9520e000", rtf, dir_ / "b.dotx", dir_ / "report.txt", dir_ / "1.docx", dir_ / "2.pdf"},
        "C", environment);
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(test::ReadFile(dir_ / "2.pdf").substr(0, 5), "%PDF-");
    EXPECT_TRUE(fs::is_empty(dir_ / tmp));
    EXPECT_FALSE(fs::exists(dir_ / "home"));
    fs::remove(dir_ / "1.docx");
    fs::remove(dir_ / "2.pdf");
  }
}

// Every Word format LibreOffice reads gets through with the import filter of
// what the file is: Word 97 templates saved here, and Word 6.0, Word 95 and
// Word for Windows 2.0 files that LibreOffice reads but cannot write.
TEST_F(LibreOfficeTest, EveryLegacyWordFormatIsConverted) {
  const fs::path legacy = fs::path(REPORTWORD_SOURCE_DIR) / "tests" / "data" / "legacy";
  const fs::path dot = SaveAs(dir_ / "a.dotx", "MS Word 97 Vorlage", "dot");
  for (const fs::path& made_from :
       {dot, legacy / "Word6.doc", legacy / "Word95.doc", legacy / "word2.doc"}) {
    SCOPED_TRACE(made_from.filename().string());
    auto result = Run(made_from, dir_ / "b.dotx", "1.docx", "2.docx");
    ASSERT_EQ(result.status, 0) << result.output;
    test::ExpectSchemaValid(dir_ / "1.docx");
    EXPECT_THAT(test::ReadPackage(dir_ / "1.docx").at("word/document.xml"), HasSubstr("NAYY 150"));
  }
}

// A converter that never finishes: the time limit ends it and its process
// group, and the failure says so.
TEST(LibreOfficeConversionTest, HangingConverterIsStoppedByTheTimeLimit) {
  test::TempDir dir;
  const fs::path bin = dir / "bin";
  fs::create_directories(bin);
  // An unusual duration marks the stand-in's processes among all others.
  test::WriteFile(bin / "soffice", "#!/bin/sh\nsleep 61.25 &\nsleep 61.25\n");
  fs::permissions(bin / "soffice", fs::perms::owner_all);
  test::WriteFile(dir / "t.rtf", "{\\rtf1 hello}");
  const std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "";
  ::setenv("PATH", (bin.string() + ":" + old_path).c_str(), 1);
  docx::DocxBackend backend(docx::ConversionOptions{"soffice", std::chrono::milliseconds(500)});
  wordproc::RunFiles run_files;
  auto app = backend.CreateApplication(run_files);
  EXPECT_THAT([&] { app->CreateDocument((dir / "t.rtf").string(), true); },
              ThrowsMessage<Failure>(AllOf(HasSubstr("did not finish"), HasSubstr("t.rtf"))));
  ::setenv("PATH", old_path.c_str(), 1);
  // Both sleeps belonged to the converter's process group and go with it, and
  // the converter itself is reaped.
  EXPECT_TRUE(test::ProcessesGone("sleep 61.25"))
      << "a process of the stand-in converter outlived the time limit";
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "the converter is left a zombie";
}

// A stand-in converter that hands back its input as the requested file, or
// fails: the result replaces the target as a .docx is saved (keeping the old
// file's mode), a failure keeps the old one and says what the converter said,
// and no working file is left either way, beside the target or in the
// temporary folder.
TEST(LibreOfficeConversionTest, TheResultReplacesTheTargetAndAFailureKeepsIt) {
  test::TempDir dir;
  const fs::path target = dir / "out" / "r.odt";
  for (const bool fails : {false, true}) {
    test::WriteFile(dir / "soffice",
                    fails ? "#!/bin/sh\necho 'source file could not be loaded'\nexit 3\n"
                          : "#!/bin/sh\nfor input; do :; done\n"
                            "while [ \"$1\" != --outdir ]; do shift; done\n"
                            "input=${input#file://}; name=${input##*/}\n"
                            "cp \"$input\" \"${2#file://}/${name%.*}.odt\"\n");
    fs::permissions(dir / "soffice", fs::perms::owner_all);
    fs::create_directories(target.parent_path());
    test::WriteFile(target, "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::replace);
    docx::DocxBackend backend(docx::ConversionOptions{(dir / "soffice").string()});
    const fs::path made_from = fs::path(REPORTWORD_SOURCE_DIR) / "examples" / "netzanalyse-1.dotx";
    wordproc::RunFiles run_files;
    auto document = backend.CreateApplication(run_files)->CreateDocument(made_from.string(), true);
    const std::string failure = "(exit status 3): source file could not be loaded";
    std::string message;
    try {
      document->SaveAs(target.string());
    } catch (const Failure& e) {
      message = e.what();
    }
    EXPECT_EQ(message.find(failure) != message.npos, fails) << message;
    EXPECT_EQ(test::ReadFile(target).substr(0, 2), fails ? "ol" : "PK");
    EXPECT_EQ(std::distance(fs::directory_iterator(target.parent_path()), {}), 1);
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  }
}

// What a stand-in converter saw and left: its home, temporary and XDG folders
// lie in the run's private folder, which is gone afterwards; every path it is
// handed is a file URL; a process it left running is ended; and a result that
// is a link is no result, so the old target stays.
TEST(LibreOfficeConversionTest, TheConverterRunsInsideTheRunsFolderAndNothingOfItStays) {
  test::TempDir dir;
  const fs::path seen = dir / "seen", target = dir / "out" / "r.pdf";
  fs::create_directories(target.parent_path());
  test::WriteFile(dir / "elsewhere", "not the converter's");
  for (const bool links : {false, true}) {
    SCOPED_TRACE(links ? "result a link" : "result a file");
    const std::string made =
        links ? "ln -s " + ShellQuote((dir / "elsewhere").string()) : "cp \"$input\"";
    test::WriteFile(dir / "soffice",
                    "#!/bin/sh\n"
                    "env > " +
                        ShellQuote(seen.string()) +
                        "\n"
                        "for input; do echo \"arg $input\"; done >> " +
                        ShellQuote(seen.string()) +
                        "\n"
                        "sleep 64.5 &\n"
                        "input=${input#file://}; name=${input##*/}\n"
                        "while [ \"$1\" != --outdir ]; do shift; done\n" +
                        made + " \"${2#file://}/${name%.*}.pdf\"\n");
    fs::permissions(dir / "soffice", fs::perms::owner_all);
    test::WriteFile(target, "old");
    docx::DocxBackend backend(docx::ConversionOptions{(dir / "soffice").string()});
    wordproc::RunFiles run_files;
    const fs::path made_from = fs::path(REPORTWORD_SOURCE_DIR) / "examples" / "netzanalyse-1.dotx";
    auto document = backend.CreateApplication(run_files)->CreateDocument(made_from.string(), true);
    if (links) {
      EXPECT_THAT([&] { document->SaveAs(target.string()); },
                  ThrowsMessage<Failure>(HasSubstr("failed (exit status 0)")));
    } else {
      document->SaveAs(target.string());
    }
    EXPECT_EQ(test::ReadFile(target).substr(0, 2), links ? "ol" : "PK");
    EXPECT_EQ(test::ReadFile(dir / "elsewhere"), "not the converter's");
    EXPECT_TRUE(test::ProcessesGone("sleep 64.5")) << "a process the converter left runs on";

    std::map<std::string, std::string> variables;
    std::vector<std::string> paths;
    std::istringstream lines(test::ReadFile(seen));
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with("arg ")) {
        if (line.find('/') != std::string::npos && !line.starts_with("arg -"))
          paths.push_back(line.substr(4));
      } else if (const auto equals = line.find('='); equals != std::string::npos) {
        variables[line.substr(0, equals)] = line.substr(equals + 1);
      }
    }
    EXPECT_EQ(paths.size(), 2u);  // the output folder and the input
    for (const std::string& path : paths) EXPECT_TRUE(path.starts_with("file:///")) << path;
    const fs::path own = fs::path(variables["HOME"]).parent_path();
    EXPECT_FALSE(own.empty());
    for (const char* name : {"HOME", "TMPDIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME",
                             "XDG_RUNTIME_DIR"}) {
      EXPECT_EQ(fs::path(variables[name]).parent_path(), own) << name;
    }
    document.reset();  // the last holder of the run's converter
    EXPECT_FALSE(fs::exists(own)) << "the converter's own folder is left";
  }
}

// Working folders go below TMPDIR, unless it is empty, names no folder, or
// names one below which LibreOffice writes elsewhere: then below the system's.
TEST(LibreOfficeConversionTest, WorkingFoldersGoWhereTheConverterCanWrite) {
  test::TempDir dir;
  for (const char* name : {"plain", "with%20escape", "with;semicolon", "not\xFFutf8"})
    fs::create_directory(dir / name);
  const std::pair<std::string, fs::path> cases[] = {
      {(dir / "plain").string(), dir / "plain"},
      {(dir / "with%20escape").string(), dir / "with%20escape"},
      {"", P_tmpdir},
      {(dir / "none").string(), P_tmpdir},
      {(dir / "with;semicolon").string(), P_tmpdir},
      {(dir / "not\xFFutf8").string(), P_tmpdir},
  };
  const char* before = std::getenv("TMPDIR");
  const std::string saved = before ? before : "";
  for (const auto& [tmpdir, folder] : cases) {
    ::setenv("TMPDIR", tmpdir.c_str(), 1);
    EXPECT_EQ(docx::TemporaryFolder(), folder) << tmpdir;
    const docx::ScratchDir work;
    EXPECT_EQ(work.path().parent_path(), folder) << tmpdir;
  }
  if (before) {
    ::setenv("TMPDIR", saved.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
}

// A legacy file protected by a password is named as such, converter or not:
// LibreOffice would only say it could not load it.
TEST(LibreOfficeConversionTest, AnEncryptedLegacyFileIsNamedAsSuch) {
  test::TempDir dir;
  const fs::path legacy = fs::path(REPORTWORD_SOURCE_DIR) / "tests" / "data" / "legacy";
  const std::string encrypted_odt = test::ZipParts(
      {{"mimetype", "application/vnd.oasis.opendocument.text-template"},
       {"META-INF/manifest.xml",
        "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\">"
        "<manifest:file-entry manifest:full-path=\"content.xml\"><manifest:encryption-data/>"
        "</manifest:file-entry></manifest:manifest>"},
       {"content.xml", "encrypted bytes"}},
      {"mimetype"});
  for (const auto& [name, bytes] :
       {std::pair{"t.doc", test::ReadFile(legacy / "PasswordProtected.doc")},
        std::pair{"t.ott", encrypted_odt}}) {
    test::WriteFile(dir / name, bytes);
    for (const char* soffice : {"/nonexistent/soffice", "soffice"}) {
      docx::DocxBackend backend(docx::ConversionOptions{soffice});
      wordproc::RunFiles run_files;
      EXPECT_THAT(
          [&] {
            backend.CreateApplication(run_files)->CreateDocument((dir / name).string(), true);
          },
          ThrowsMessage<Failure>(HasSubstr("is encrypted (protected by a password)")))
          << name << " " << soffice;
    }
  }
}

// Without a converter, the formats only it reads are recognised by their
// content, whatever the file is called, and refused with what to do instead.
TEST(LibreOfficeConversionTest, WithoutLibreOfficeOtherFormatsAreRefusedWithAHint) {
  test::TempDir dir;
  const std::pair<std::string, const char*> cases[] = {
      {std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0'),
       "legacy binary Word file"},
      {"{\\rtf1 hello}", "RTF or OpenDocument"},
      {test::ZipParts({{"mimetype", "application/vnd.oasis.opendocument.text-template"},
                       {"content.xml", "<office:document-content/>"}},
                      {"mimetype"}),
       "RTF or OpenDocument"},
  };
  docx::DocxBackend backend(docx::ConversionOptions{"/nonexistent/soffice"});
  wordproc::RunFiles run_files;
  auto app = backend.CreateApplication(run_files);
  for (const auto& [bytes, message] : cases) {
    test::WriteFile(dir / "t.dotx", bytes);
    EXPECT_THAT(
        [&] { app->CreateDocument((dir / "t.dotx").string(), true); },
        ThrowsMessage<Failure>(AllOf(HasSubstr(message), HasSubstr("install LibreOffice"))));
  }
}

}  // namespace
}  // namespace reportword

#endif
