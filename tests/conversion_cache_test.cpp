// Legacy templates and converted targets cost one converter start per run at
// most, and none when the cache holds the converted templates: whole runs with
// a stand-in converter that counts its starts (tests/data/converter/soffice).
#ifndef _WIN32
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <thread>

#include "check/check_messages.h"
#include "check/check_reports.h"
#include "check/template_check.h"
#include "docx/docx_engine.h"
#include "generation/report_generator.h"
#include "job/generation_error.h"
#include "run_doubles.h"
#include "system/conversion_cache.h"
#include "test_support.h"

namespace reportword {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const fs::path kSource = REPORTWORD_SOURCE_DIR;
constexpr const char* kReport = "Export\r\nb7\tHauptweg 4\tA1\tA2\tA3\r\n\r\nKopf\r\nC1\tC2\r\n";

class ConversionCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("STARTS", (dir_ / "starts").string().c_str(), 1);
    ::setenv("TEMPLATE", (kSource / "examples" / "netzanalyse-1.dotx").c_str(), 1);
    test::WriteFile(dir_ / "report.txt", kReport);
    for (const char* name : {"a.rtf", "b.rtf"})
      test::WriteFile(dir_ / name, std::string("{\\rtf1 ") + name + "}");
  }
  void TearDown() override {
    ::unsetenv("STARTS");
    ::unsetenv("TEMPLATE");
    ::unsetenv("DELAY");
  }

  // A whole run in this process; the error's message, or "" for documents
  // written.
  std::string Run(const std::string& t1, const std::string& t2, const std::string& o1 = "1.docx",
                  const std::string& o2 = "2.docx") {
    docx::ConversionOptions options;
    options.soffice = (kSource / "tests" / "data" / "converter" / "soffice").string();
    options.cache_folder = cache_;
    docx::DocxBackend backend(options);
    fakes::FixedDateSource dates;
    fakes::RecordingMessageDisplay messages;
    GenerationContext context{backend, dates, messages};
    JobState job;
    job.TemplatePath1 = (dir_ / t1).string();
    job.TemplatePath2 = (dir_ / t2).string();
    job.ReportFilePath = (dir_ / "report.txt").string();
    job.TargetPath1 = (dir_ / o1).string();
    job.TargetPath2 = (dir_ / o2).string();
    try {
      EXPECT_EQ(GenerateReports(job, context), GenerationOutcome::kDocumentsWritten);
      return "";
    } catch (const GenerationError& error) {
      return error.what();
    }
  }
  // How often the stand-in started since the last call.
  int Starts() {
    const std::string starts = test::ReadFile(dir_ / "starts");
    fs::remove(dir_ / "starts");
    return static_cast<int>(std::count(starts.begin(), starts.end(), '\n'));
  }
  std::vector<fs::path> Entries() const {
    std::vector<fs::path> entries;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(cache_, ec)) entries.push_back(entry.path());
    return entries;
  }

  test::TempDir dir_;
  fs::path cache_ = dir_ / "cache" / "reportword";
};

TEST_F(ConversionCacheTest, BothTemplatesOneStartThenNoneUntilTheBytesChange) {
  EXPECT_EQ(Run("a.rtf", "b.rtf"), "");
  EXPECT_EQ(Starts(), 1);
  EXPECT_EQ(Entries().size(), 2u);
  test::ExpectSchemaValid(dir_ / "1.docx");

  EXPECT_EQ(Run("a.rtf", "b.rtf"), "");
  EXPECT_EQ(Starts(), 0) << "the cache held both";

  test::WriteFile(dir_ / "a.rtf", "{\\rtf1 a.rtf }");  // one byte more
  EXPECT_EQ(Run("a.rtf", "b.rtf"), "");
  EXPECT_EQ(Starts(), 1);
  EXPECT_EQ(Entries().size(), 3u);

  // The cache is private: its folder and its entries.
  struct stat status {};
  ASSERT_EQ(::stat(cache_.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0700u);
  for (const fs::path& entry : Entries()) {
    ASSERT_EQ(::stat(entry.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u) << entry;
  }
}

// An entry that no longer reads as a template is removed and the template
// converted again.
TEST_F(ConversionCacheTest, ADamagedEntryIsConvertedAgain) {
  for (const auto& damage : {std::function<void(const fs::path&)>([](const fs::path& entry) {
                               test::WriteFile(entry, "not a package");
                             }),
                             std::function<void(const fs::path&)>([](const fs::path& entry) {
                               fs::resize_file(entry, fs::file_size(entry) / 2);
                             })}) {
    fs::remove_all(cache_);
    EXPECT_EQ(Run("a.rtf", "a.rtf"), "");
    ASSERT_EQ(Entries().size(), 1u);
    Starts();
    damage(Entries().front());
    EXPECT_EQ(Run("a.rtf", "a.rtf"), "");
    EXPECT_EQ(Starts(), 1);
    EXPECT_EQ(Run("a.rtf", "a.rtf"), "");
    EXPECT_EQ(Starts(), 0) << "the entry was not stored again";
  }
}

// A cache folder that cannot be made, is a link, or is someone else's is not
// used, and no failure: the run converts as without one.
TEST_F(ConversionCacheTest, ACacheFolderThatCannotBeUsedIsNoFailure) {
  fs::create_directories(dir_ / "elsewhere");
  struct Case {
    const char* name;
    std::function<bool()> make;  // false: cannot be made here
  };
  const Case cases[] = {
      {"below a file",
       [&] {
         test::WriteFile(dir_ / "cache", "a file");
         return true;
       }},
      {"a link",
       [&] {
         fs::create_directories(dir_ / "cache");
         fs::create_directory_symlink(dir_ / "elsewhere", cache_);
         return true;
       }},
      {"someone else's",
       [&] {
         fs::create_directories(cache_);
         return ::geteuid() == 0 && ::chown(cache_.c_str(), 4321, 4321) == 0;
       }},
      {"writable by others",
       [&] {
         fs::create_directories(cache_);
         return ::chmod(cache_.c_str(), 0777) == 0;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir_ / "cache");
    if (!c.make()) {
      std::cout << "skipped here: " << c.name << " needs root\n";
      continue;
    }
    for (int run = 0; run < 2; ++run) {
      EXPECT_EQ(Run("a.rtf", "b.rtf"), "");
      EXPECT_EQ(Starts(), 1);
    }
    EXPECT_TRUE(fs::is_empty(dir_ / "elsewhere"));
    if (fs::is_directory(cache_) && !fs::is_symlink(cache_)) {
      EXPECT_TRUE(fs::is_empty(cache_));
    }
  }
}

// The least recently used entries leave first, past 64 entries or 256 MB.
TEST_F(ConversionCacheTest, TheCacheKeepsItsBound) {
  fs::create_directories(cache_);
  fs::permissions(cache_, fs::perms::owner_all, fs::perm_options::replace);
  const auto aged = [&](const std::string& name, std::uint64_t size, int age_days) {
    const fs::path entry = cache_ / (name + ".docx");
    test::WriteFile(entry, "");
    fs::resize_file(entry, size);  // sparse: takes no disk
    fs::last_write_time(entry,
                        fs::file_time_type::clock::now() - std::chrono::hours(24 * age_days));
    return entry;
  };
  std::vector<fs::path> old;
  for (int i = 0; i < 63; ++i) old.push_back(aged("old" + std::to_string(i), 10, 100 - i));
  EXPECT_EQ(Run("a.rtf", "b.rtf"), "");  // two more: the oldest leaves
  EXPECT_EQ(Entries().size(), docx::kMaxCacheEntries);
  EXPECT_FALSE(fs::exists(old.front()));
  EXPECT_TRUE(fs::exists(old[1]));

  fs::remove_all(cache_);
  fs::create_directories(cache_);
  const fs::path big = aged("big", docx::kMaxCacheBytes, 1);
  EXPECT_EQ(Run("a.rtf", "b.rtf"), "");
  EXPECT_FALSE(fs::exists(big));
  EXPECT_EQ(Entries().size(), 2u);
}

// Two documents to .pdf: made as .docx, converted in one start, saved in
// order. When document 2 fails before its conversion, document 1 is
// converted alone and saved, and the message tells document 2's failure.
TEST_F(ConversionCacheTest, BothTargetsOneStartAndDocument1SavedWhenDocument2Fails) {
  const fs::path dotx = kSource / "examples" / "netzanalyse-2.dotx";
  fs::copy_file(dotx, dir_ / "b.dotx");
  EXPECT_EQ(Run("b.dotx", "b.dotx", "1.pdf", "2.pdf"), "");
  EXPECT_EQ(Starts(), 1);
  EXPECT_EQ(test::ReadFile(dir_ / "1.pdf").substr(0, 2), "PK");  // the stand-in copies
  EXPECT_EQ(test::ReadFile(dir_ / "2.pdf").substr(0, 2), "PK");

  test::WriteFile(dir_ / "bad.dotx", "not a template");
  fs::remove(dir_ / "1.pdf");
  EXPECT_THAT(Run("b.dotx", "bad.dotx", "1.pdf", "2.pdf"), HasSubstr("bad.dotx"));
  EXPECT_EQ(Starts(), 1);
  EXPECT_TRUE(fs::exists(dir_ / "1.pdf")) << "document 1 was not saved";

  // A template and a document together cost two starts, with one profile.
  EXPECT_EQ(Run("a.rtf", "b.dotx", "1.pdf", "2.docx"), "");
  EXPECT_EQ(Starts(), 2);
}

// The template check tells what a legacy template costs every run, and where
// its conversion comes from; it keeps what it converted for the runs.
TEST_F(ConversionCacheTest, TheTemplateCheckTellsTheCostOfAConversion) {
  docx::ConversionOptions options;
  options.soffice = (kSource / "tests" / "data" / "converter" / "soffice").string();
  const auto finding = [&](const fs::path& cache) {
    options.cache_folder = cache;
    const check::TemplateCheck checked = check::CheckTemplate((dir_ / "a.rtf").string(), options);
    EXPECT_EQ(checked.error, "");
    for (const check::Finding& f : checked.findings) {
      if (f.kind == check::FindingKind::kConverted)
        return check::FindingText("a.rtf", f, check::Wording::kEnglish);
    }
    return std::string("no finding");
  };
  EXPECT_THAT(finding(cache_), HasSubstr("a run converts this RTF file with LibreOffice, taking "
                                         "seconds; the check converted it and keeps"));
  EXPECT_THAT(finding(cache_), HasSubstr("a converted copy is in the cache"));
  EXPECT_EQ(Starts(), 1);
  EXPECT_THAT(finding(""), HasSubstr("every run converts this RTF file with LibreOffice, taking "
                                     "seconds, as no cache is kept"));
  EXPECT_THAT(finding(""), HasSubstr("save it once as a Word template (.dotx)"));
  std::ostringstream json;
  check::WriteJsonReport(json, {check::CheckTemplate((dir_ / "a.rtf").string(), options)});
  EXPECT_THAT(json.str(), HasSubstr("{\"kind\": \"converted\", \"placeholder\": null"));
}

// Runs of the executable at the same time, with the same template and cache:
// both succeed and leave one entry. A run ended during its conversion leaves
// no entry and nothing else in the cache.
TEST_F(ConversionCacheTest, ConcurrentRunsShareOneEntryAndAKilledRunLeavesNone) {
  const std::string environment =
      "REPORTWORD_CACHE=on XDG_CACHE_HOME=" + test::ShellQuote((dir_ / "cache").string()) +
      " DELAY=1 PATH=" + test::ShellQuote((kSource / "tests" / "data" / "converter").string()) +
      ":\"$PATH\" ";
  const auto command = [&](const std::string& target) {
    std::string words = environment + test::ShellQuote(REPORTWORD_EXECUTABLE) + " 9520e000";
    for (const std::string& path :
         {std::string("a.rtf"), std::string("a.rtf"), std::string("report.txt"), target + "1.docx",
          target + "2.docx"})
      words += " " + test::ShellQuote((dir_ / path).string());
    return words;
  };
  const test::CommandResult both = test::RunCommand("(" + command("x") + ") & (" + command("y") +
                                                    ") & wait %1 && wait %2 && echo both");
  EXPECT_THAT(both.output, HasSubstr("both")) << both.output;
  EXPECT_EQ(Entries().size(), 1u);

  fs::remove_all(dir_ / "cache");
  const test::CommandResult killed =
      test::RunCommand("(" + command("z") + ") & sleep 0.5; kill -TERM $!; wait");
  EXPECT_FALSE(fs::exists(dir_ / "z1.docx"));
  EXPECT_TRUE(Entries().empty()) << Entries().front();
}

}  // namespace
}  // namespace reportword
#endif
