// What a caller on Windows meets, through the executables: both programs and
// their manifest, runs ended from outside while a save waits for a held
// target, inputs held open by another program, and paths longer than 260
// characters.
#ifdef _WIN32
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"

namespace reportword {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;
using ::testing::HasSubstr;

constexpr const char* kReport = "Export\r\nb7\tHauptweg 4\tA1\tA2\tA3\r\n\r\nKopf\r\nC1\tC2\r\n";
const fs::path kConsoleProgram = REPORTWORD_EXECUTABLE;
const fs::path kWindowsProgram = REPORTWORD_WINDOWS_SUBSYSTEM_EXECUTABLE;

// The templates and the report in `folder`, as every run here has them.
void PutInputs(const fs::path& folder) {
  fs::create_directories(folder);
  const fs::path examples = fs::path(REPORTWORD_SOURCE_DIR) / "examples";
  fs::copy_file(examples / "netzanalyse-1.dotx", folder / "a.dotx",
                fs::copy_options::overwrite_existing);
  fs::copy_file(examples / "netzanalyse-2.dotx", folder / "b.dotx",
                fs::copy_options::overwrite_existing);
  WriteFile(folder / "report.txt", kReport);
}

// A run's command line as a calling program writes it: the program, the code,
// then each path between double quotes.
std::wstring CommandLine(const fs::path& program, const std::vector<fs::path>& words) {
  std::wstring line = L"\"" + program.wstring() + L"\"";
  for (std::size_t i = 0; i < words.size(); ++i)
    line += i == 0 ? L" " + words[i].wstring() : L" \"" + words[i].wstring() + L"\"";
  return line;
}

std::vector<fs::path> StandardRun(const fs::path& folder) {
  return {"9520e000",           folder / "a.dotx",   folder / "b.dotx", folder / "report.txt",
          folder / "out1.docx", folder / "out2.docx"};
}

// A program started without waiting for it, with no standard handles passed;
// ended by the test if it still runs at the end.
class StartedProgram {
 public:
  explicit StartedProgram(std::wstring command_line) {
    SetEnvironmentVariableW(L"REPORTWORD_NO_MESSAGE_BOX", L"1");
    SetEnvironmentVariableW(L"LC_ALL", L"C");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    command_line.push_back(L'\0');
    started_ = CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process_);
  }
  ~StartedProgram() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
      TerminateProcess(process_.hProcess, 1);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;

  bool started() const { return started_; }
  HANDLE process() const { return process_.hProcess; }
  // The exit status within ten seconds, or STILL_ACTIVE.
  DWORD Wait() const {
    WaitForSingleObject(process_.hProcess, 10000);
    DWORD status = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &status);
    return status;
  }

 private:
  PROCESS_INFORMATION process_{};
  bool started_ = false;
};

// The save's temporary files (".~rw….tmp") in `folder`.
int TemporaryFiles(const fs::path& folder) {
  int found = 0;
  for (const auto& entry : fs::directory_iterator(folder))
    found += entry.path().filename().string().starts_with(".~rw");
  return found;
}

// Whether `condition` holds within ten seconds.
bool Eventually(const std::function<bool()>& condition) {
  for (int i = 0; i < 500; ++i, Sleep(20)) {
    if (condition()) return true;
  }
  return condition();
}

// `folder` holds the inputs and the old document 1, as they were, and nothing else.
void ExpectOnlyTheInputsAndTheOldDocument(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"a.dotx", "b.dotx", "out1.docx", "report.txt"}));
  EXPECT_EQ(ReadFile(folder / "out1.docx"), "old");
}

// Opens `file` as a word processor holding a document does, sharing nothing.
HANDLE HoldWithoutSharing(const fs::path& file) {
  return CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// Ended from outside while it waits for a target that another program holds
// (TerminateProcess, as the task manager or a caller's time limit ends it),
// a run leaves the old document and nothing else: the temporary document was
// marked for deletion all along.
TEST(WindowsRunTest, ARunTerminatedWhileItWaitsForAHeldTargetLeavesNothing) {
  test::TempDir dir;
  PutInputs(dir.path());
  WriteFile(dir / "out1.docx", "old");
  HANDLE held = HoldWithoutSharing(dir / "out1.docx");
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  StartedProgram run(CommandLine(kConsoleProgram, StandardRun(dir.path())));
  ASSERT_TRUE(run.started());
  ASSERT_TRUE(Eventually([&] { return TemporaryFiles(dir.path()) > 0; }))
      << "the run wrote no temporary document";
  Sleep(300);  // well into the two seconds it waits for the holder
  ASSERT_TRUE(TerminateProcess(run.process(), 1));
  EXPECT_EQ(run.Wait(), 1u);
  CloseHandle(held);
  EXPECT_TRUE(Eventually([&] { return TemporaryFiles(dir.path()) == 0; }));
  ExpectOnlyTheInputsAndTheOldDocument(dir.path());
}

BOOL WINAPI StayOnConsoleEvent(DWORD) {
  return TRUE;
}

// What a death test's child found, for the test to read: "skip: WHY" where
// the system cannot show it. (Ending it by TerminateProcess keeps MinGW's
// GCC 12 from failing on the stack probes of a function that ends in _Exit.)
void Finish(const fs::path& result, const std::string& text) {
  WriteFile(result, text);
  TerminateProcess(GetCurrentProcess(), 0);
}

// The child's side: a console of its own, a run in it that waits for a held
// target, and Ctrl+C sent there.
void SendCtrlCToAWaitingRun(const fs::path& folder, const fs::path& result) {
  HANDLE held = HoldWithoutSharing(folder / "out1.docx");
  FreeConsole();
  if (!AllocConsole()) return Finish(result, "skip: no console can be made here");
  SetConsoleCtrlHandler(StayOnConsoleEvent, TRUE);
  StartedProgram run(CommandLine(kConsoleProgram, StandardRun(folder)));
  if (!Eventually([&] { return TemporaryFiles(folder) > 0; }))
    return Finish(result, "the run wrote no temporary document");
  Sleep(300);  // well into the two seconds it waits for the holder
  if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0))
    return Finish(result, "skip: the system delivers no Ctrl+C here");
  const DWORD status = run.Wait();
  CloseHandle(held);
  Eventually([&] { return TemporaryFiles(folder) == 0; });
  return Finish(result, "status " + std::to_string(status));
}

// Ctrl+C in the console of a run that waits for a held target: the run ends
// with STATUS_CONTROL_C_EXIT and leaves the old document and nothing else.
TEST(WindowsRunDeathTest, CtrlCWhileARunWaitsForAHeldTargetLeavesNothing) {
  const test::SharedFolder shared;
  const fs::path folder = shared / "run";
  PutInputs(folder);
  WriteFile(folder / "out1.docx", "old");
  const fs::path result = shared / "result.txt";
  EXPECT_EXIT(SendCtrlCToAWaitingRun(folder, result), ::testing::ExitedWithCode(0), "");
  const std::string seen = ReadFile(result);
  if (seen.starts_with("skip: ")) GTEST_SKIP() << seen.substr(6);
  EXPECT_EQ(seen, "status " + std::to_string(STATUS_CONTROL_C_EXIT));
  fs::remove(result);
  ExpectOnlyTheInputsAndTheOldDocument(folder);
}

// The child's side: a console of its own, the Windows-subsystem program
// started in it without standard handles, and what the console then shows.
void RunInAConsoleOfItsOwn(const fs::path& result) {
  FreeConsole();
  if (!AllocConsole()) return Finish(result, "skip: no console can be made here");
  StartedProgram run(CommandLine(kWindowsProgram, {"9520e000"}));
  const DWORD status = run.Wait();
  HANDLE console =
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  std::wstring text(400, L' ');
  DWORD read = 0;
  if (!ReadConsoleOutputCharacterW(console, text.data(), static_cast<DWORD>(text.size()),
                                   COORD{0, 0}, &read)) {
    return Finish(result, "skip: the console cannot be read back here");
  }
  text.resize(read);
  return Finish(result, "status " + std::to_string(status) + ": " + fs::path(text).string());
}

// The Windows-subsystem program, started in a console without standard
// handles (as from a command prompt), writes its message into that console.
TEST(WindowsRunDeathTest, TheWindowsSubsystemProgramWritesIntoItsCallersConsole) {
  const test::SharedFolder shared;
  const fs::path result = shared / "result.txt";
  EXPECT_EXIT(RunInAConsoleOfItsOwn(result), ::testing::ExitedWithCode(0), "");
  const std::string seen = ReadFile(result);
  if (seen.starts_with("skip: ")) GTEST_SKIP() << seen.substr(6);
  EXPECT_THAT(seen, ::testing::StartsWith("status 2: Velam_Analyse: usage: reportword <9520e000"));
}

// Both programs carry the manifest that lets them take paths of any length;
// reportwordw.exe is of the Windows subsystem, which opens no console window.
TEST(WindowsProgramsTest, BothCarryTheLongPathManifestInTheirOwnSubsystem) {
  const std::pair<fs::path, WORD> programs[] = {{kConsoleProgram, IMAGE_SUBSYSTEM_WINDOWS_CUI},
                                                {kWindowsProgram, IMAGE_SUBSYSTEM_WINDOWS_GUI}};
  for (const auto& [program, subsystem] : programs) {
    const std::string image = ReadFile(program);
    ASSERT_GT(image.size(), sizeof(IMAGE_DOS_HEADER)) << program;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    ASSERT_LT(static_cast<std::size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS64), image.size());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + dos->e_lfanew);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, subsystem) << program;

    HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << program;
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(resource, nullptr) << program << " has no manifest";
    const std::string manifest(
        static_cast<const char*>(LockResource(LoadResource(module, resource))),
        SizeofResource(module, resource));
    FreeLibrary(module);
    EXPECT_THAT(manifest, HasSubstr("<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/"
                                    "WindowsSettings\">true</longPathAware>"))
        << program;
  }
}

// Run with its standard handles redirected, as a calling program runs it,
// the Windows-subsystem program writes what the console one writes, and ends
// with the same status.
TEST(WindowsProgramsTest, TheWindowsSubsystemProgramSaysWhatTheConsoleOneSays) {
  test::TempDir dir;
  PutInputs(dir.path());
  const std::vector<std::pair<std::vector<fs::path>, int>> runs = {
      {{}, 2},
      {{"9520e000"}, 2},
      {{"9520e000", dir / "none.dotx", dir / "b.dotx", dir / "report.txt", dir / "1.docx",
        dir / "2.docx"},
       3},
      {{"9520e000", dir / "a.dotx", dir / "b.dotx", dir / "report.txt", dir / "none" / "1.docx",
        dir / "2.docx"},
       1},
      {{"--version"}, 0},
      {{"--check-template"}, 2},
  };
  for (const auto& [words, status] : runs) {
    const test::CommandResult console = test::RunReportword(words);
    const test::CommandResult windows = test::RunReportword(words, "C", "", kWindowsProgram);
    EXPECT_EQ(console.status, status) << console.output;
    EXPECT_EQ(windows.status, status) << windows.output;
    EXPECT_EQ(windows.output, console.output);
    EXPECT_EQ(windows.standard_output, console.standard_output);
    EXPECT_FALSE(console.output.empty());
  }
}

// A template or report that another program holds open without sharing is
// told with that cause, whole in the reader's language.
TEST(WindowsRunTest, AnInputHeldOpenIsToldWithItsCauseInTheReadersLanguage) {
  test::TempDir dir;
  PutInputs(dir.path());
  const std::string a = (dir / "a.dotx").string(), r = (dir / "report.txt").string();
  const std::string en = "another program holds the file open; close it there and run again";
  const std::string de =
      "ein anderes Programm hält die Datei geöffnet; schließen Sie sie dort und starten Sie den "
      "Lauf erneut";
  const std::tuple<fs::path, const char*, std::string> cases[] = {
      {dir / "a.dotx", "C", "template \"" + a + "\": cannot be read (" + en + ")"},
      {dir / "a.dotx", "de_DE.UTF-8",
       "Vorlage \"" + a + "\": kann nicht gelesen werden (" + de + ")"},
      {dir / "report.txt", "C", "report file \"" + r + "\": cannot be opened: " + en},
      {dir / "report.txt", "de_DE.UTF-8",
       "Berichtsdatei \"" + r + "\": kann nicht geöffnet werden: " + de},
  };
  for (const auto& [held_file, locale, message] : cases) {
    HANDLE held = HoldWithoutSharing(held_file);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    test::CommandResult result = test::RunReportword(StandardRun(dir.path()), locale);
    CloseHandle(held);
    std::erase(result.output, '\r');
    EXPECT_EQ(result.status, 1) << result.output;
    EXPECT_EQ(result.output, "Velam_Analyse: " + message + "\n");
    EXPECT_FALSE(fs::exists(dir / "out1.docx"));
  }
}

// Inputs and targets at paths longer than 260 characters are read, saved
// and replaced (Wine takes any length; Windows 10 and later take them with
// the manifest and the paths' long forms).
TEST(WindowsRunTest, InputsAndTargetsAtPathsOverTwoHundredSixtyCharactersAreUsed) {
  test::TempDir dir;
  const fs::path deep = dir / std::string(200, 'd') / std::string(100, 'e');
  ASSERT_GT(deep.native().size(), 300u);
  PutInputs(deep);
  for (int run = 0; run < 2; ++run) {
    const test::CommandResult result = test::RunReportword(StandardRun(deep));
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(test::EntriesIn(deep), 5) << "run " << run;
    EXPECT_EQ(ReadFile(deep / "out1.docx").substr(0, 2), "PK");
    EXPECT_EQ(ReadFile(deep / "out2.docx").substr(0, 2), "PK");
  }
}

}  // namespace
}  // namespace reportword

#endif  // _WIN32
