// The Windows save: what it does when the system's move calls fail each way
// they can (through a stand-in for them), and what real files under the
// system or Wine show.
#ifdef _WIN32
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <thread>

#include "system/atomic_file.h"
#include "system/atomic_file_win32.h"
#include "system/signal_cleanup_win32.h"
#include "test_support.h"
#include "text/failure.h"
#include "wordproc/windows_path.h"

namespace reportword::docx {
namespace {

namespace fs = std::filesystem;
using reportword::test::ReadFile;
using reportword::test::WriteFile;
using ::testing::HasSubstr;

// The system's move calls as a test wants them: each passes through to the
// system unless the test says otherwise, and the deletion mark of the
// temporary file is noted at every rename, replacement and wait.
struct FakeSystem {
  std::vector<DWORD> probe_errors;   // the holder checks' failures, one per try
  std::vector<DWORD> rename_errors;  // the renames' failures, one per try
  std::function<DWORD(const std::wstring& replaced, const std::wstring& replacement,
                      const std::wstring& backup)>
      replace;                                               // nothing: the system's
  std::function<bool(const std::wstring& from)> move_fails;  // nothing: none fails
  std::vector<bool> marked_at_waits, marked_at_moves;
  std::vector<std::wstring> paths;  // the names the calls were given
  bool marked = false;
};
FakeSystem* g_fake = nullptr;

DWORD Take(std::vector<DWORD>& errors) {
  if (errors.empty()) return ERROR_SUCCESS;
  const DWORD error = errors.front();
  errors.erase(errors.begin());
  return error;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

HANDLE WINAPI FakeCreateFile(LPCWSTR name, DWORD access, DWORD share,
                             LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                             HANDLE from) {
  const bool probe = access == DELETE && share != 0;
  if (const DWORD error = probe ? Take(g_fake->probe_errors) : ERROR_SUCCESS) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(name, access, share, security, disposition, flags, from);
}

BOOL WINAPI FakeSetInformation(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info,
                               DWORD size) {
  if (kind == FileRenameInfo) {
    g_fake->marked_at_moves.push_back(g_fake->marked);
    if (const DWORD error = Take(g_fake->rename_errors)) return Fail(error);
    g_fake->paths.emplace_back(static_cast<FILE_RENAME_INFO*>(info)->FileName);
  }
  const BOOL ok = SetFileInformationByHandle(file, kind, info, size);
  if (ok && kind == FileDispositionInfo) g_fake->marked = *static_cast<const BOOLEAN*>(info) != 0;
  return ok;
}

BOOL WINAPI FakeReplaceFile(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags,
                            LPVOID, LPVOID) {
  g_fake->marked_at_moves.push_back(g_fake->marked);
  g_fake->paths.insert(g_fake->paths.end(), {replaced, replacement, backup});
  if (g_fake->replace) {
    const DWORD error = g_fake->replace(replaced, replacement, backup);
    return error == ERROR_SUCCESS ? TRUE : Fail(error);
  }
  return ReplaceFileW(replaced, replacement, backup, flags, nullptr, nullptr);
}

BOOL WINAPI FakeMoveFile(LPCWSTR from, LPCWSTR to, DWORD flags) {
  g_fake->paths.insert(g_fake->paths.end(), {from, to});
  if (g_fake->move_fails && g_fake->move_fails(from)) return Fail(ERROR_ACCESS_DENIED);
  return MoveFileExW(from, to, flags);
}

void WINAPI FakeSleep(DWORD) {
  g_fake->marked_at_waits.push_back(g_fake->marked);
}

const MoveCalls kFakeCalls{FakeCreateFile, FakeSetInformation, FakeReplaceFile, FakeMoveFile,
                           FakeSleep};

// What ReplaceFileW can leave when it fails: the replaced file moved to the
// backup name (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2), or removed.
DWORD OldMovedAside(const std::wstring& replaced, const std::wstring&, const std::wstring& backup) {
  return MoveFileExW(replaced.c_str(), backup.c_str(), 0) ? ERROR_UNABLE_TO_MOVE_REPLACEMENT_2
                                                          : GetLastError();
}
DWORD OldRemoved(const std::wstring& replaced, const std::wstring&, const std::wstring&) {
  return DeleteFileW(replaced.c_str()) ? ERROR_UNABLE_TO_MOVE_REPLACEMENT : GetLastError();
}
DWORD NamesKept(const std::wstring&, const std::wstring&, const std::wstring&) {
  return ERROR_UNABLE_TO_MOVE_REPLACEMENT;
}

// The contents of every file in `dir` but `except`, sorted.
std::multiset<std::string> ContentsBeside(const fs::path& dir, const fs::path& except) {
  std::multiset<std::string> contents;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path() != except) contents.insert(ReadFile(entry.path()));
  }
  return contents;
}

// Which documents a move by name can put in place.
enum class Moves { kAll, kOnlyTheOld, kNone };

// One failure of the move step and where it leaves the documents.
struct MoveCase {
  const char* name;
  bool replaces;                // an old document is at the target
  std::vector<DWORD> refusals;  // the holder checks' (or renames') failures, one per try
  std::function<DWORD(const std::wstring&, const std::wstring&, const std::wstring&)> replace;
  Moves moves;           // which moves by name succeed
  const char* in_place;  // the target's contents afterwards; nullptr for none
  const char* message;   // "" for a save that succeeds
  std::size_t waits;
  std::multiset<std::string> beside;  // the files kept beside the target
};

std::vector<MoveCase> MoveCases() {
  using enum Moves;
  constexpr DWORD kHeld = ERROR_SHARING_VIOLATION, kLocked = ERROR_LOCK_VIOLATION;
  const std::vector<DWORD> held_throughout(20, kHeld);
  const auto held_once = [tries = 0](const std::wstring& replaced, const std::wstring& replacement,
                                     const std::wstring& backup) mutable -> DWORD {
    if (tries++ == 0) return ERROR_UNABLE_TO_REMOVE_REPLACED;
    return ReplaceFileW(replaced.c_str(), replacement.c_str(), backup.c_str(), 0, nullptr, nullptr)
               ? ERROR_SUCCESS
               : GetLastError();
  };
  const char* const kOpen = "the file is open in another program; close it and run again";
  const char* const kDenied = "the file may not be replaced (no permission)";
  const char* const kFailed = "cannot replace the file (";
  const char* const kBoth = "and no document could be put back under its name: the old document";
  const char* const kOldGone = "and the old document is gone; the new one is";
  const char* const kInvalid = "cannot replace the file (the name is not valid on Windows)";
  return {
      {"the system replaces it", true, {}, nullptr, kAll, "new", "", 0, {}},
      {"the system names a new one", false, {}, nullptr, kAll, "new", "", 0, {}},
      {"a holder lets go", true, {kHeld, kLocked, kHeld}, nullptr, kAll, "new", "", 3, {}},
      {"a holder keeps it", true, held_throughout, nullptr, kAll, "old", kOpen, 19, {}},
      {"deleting it is denied", true, {ERROR_ACCESS_DENIED}, nullptr, kAll, "old", kDenied, 0, {}},
      {"a holder comes after the check", true, {}, held_once, kAll, "new", "", 1, {}},
      {"the new one not moved, names kept", true, {}, NamesKept, kAll, "old", kFailed, 0, {}},
      {"old one aside: the new one goes in", true, {}, OldMovedAside, kAll, "new", "", 0, {}},
      {"old one aside, new one stuck", true, {}, OldMovedAside, kOnlyTheOld, "old", kFailed, 0, {}},
      {"old one aside, no move", true, {}, OldMovedAside, kNone, nullptr, kBoth, 0, {"new", "old"}},
      {"old one removed: the new one goes in", true, {}, OldRemoved, kAll, "new", "", 0, {}},
      {"old one removed, no move", true, {}, OldRemoved, kNone, nullptr, kOldGone, 0, {"new"}},
      {"a new name held a while", false, {kHeld, kHeld}, nullptr, kAll, "new", "", 2, {}},
      {"a new name refused", false, {ERROR_INVALID_NAME}, nullptr, kAll, nullptr, kInvalid, 0, {}},
  };
}

// Each way the move can fail ends with the old or the new document under the
// target's name, says why where it is the old one, and leaves nothing beside
// it; where no call can put either back, both stay and the message says
// where. A holder is waited for with the temporary file marked for deletion,
// only the move itself goes unmarked, a denial is told at once, and every
// call gets a full path in its long form.
TEST(AtomicFileWindowsTest, EveryFailureOfTheMoveEndsWithADocumentInPlace) {
  for (const MoveCase& c : MoveCases()) {
    reportword::test::TempDir dir;
    const fs::path target = dir / "doc.docx";
    if (c.replaces) WriteFile(target, "old");
    FakeSystem fake;
    (c.replaces ? fake.probe_errors : fake.rename_errors) = c.refusals;
    fake.replace = c.replace;
    fake.move_fails = [&](const std::wstring& from) {
      if (c.moves == Moves::kNone) return true;
      return c.moves == Moves::kOnlyTheOld && fake.paths.size() > 1 && from == fake.paths[1];
    };
    g_fake = &fake;
    std::string message;
    try {
      WriteFileAtomically(target.string(), "new", nullptr, kFakeCalls);
    } catch (const Failure& error) {
      message = error.what();
    }
    g_fake = nullptr;
    if (*c.message) {
      EXPECT_THAT(message, HasSubstr(c.message)) << c.name;
    } else {
      EXPECT_EQ(message, "") << c.name;
    }
    if (c.in_place) {
      EXPECT_EQ(ReadFile(target), c.in_place) << c.name;
    } else {
      EXPECT_FALSE(fs::exists(target)) << c.name;
    }
    EXPECT_EQ(ContentsBeside(dir.path(), target), c.beside) << c.name;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      if (entry.path() == target) continue;
      EXPECT_THAT(message, HasSubstr(entry.path().string())) << c.name;
    }
    EXPECT_EQ(fake.marked_at_waits, std::vector<bool>(c.waits, true)) << c.name;
    EXPECT_THAT(fake.marked_at_moves, ::testing::Each(false)) << c.name;
    for (const std::wstring& path : fake.paths) {
      EXPECT_TRUE(path.starts_with(L"\\\\?\\") && path.find(L':') == 5) << c.name;
    }
  }
}

// A target named relative to the current folder, or with the trailing dots
// and spaces that Windows drops, is replaced there (ReplaceFileW refuses such
// a name under Wine), and so is one whose path is longer than 260 characters.
TEST(AtomicFileWindowsTest, TargetsAreReplacedHoweverTheirNameIsGiven) {
  reportword::test::TempDir dir;
  const fs::path deep = dir / std::string(200, 'd') / std::string(100, 'e');
  fs::create_directories(deep);
  const fs::path before = fs::current_path();
  fs::current_path(dir.path());
  for (const std::string& name :
       std::vector<std::string>{"a.docx", "a.docx.", ".\\a.docx", "a.docx . .",
                                (deep / "a.docx").string(), (deep / "a.docx").string()}) {
    try {
      WriteFileAtomically(name, "new " + name, nullptr);
    } catch (const Failure& error) {
      ADD_FAILURE() << name << ": " << error.what();
    }
    const bool deep_name = name.size() > 260;
    const fs::path saved = deep_name ? deep / "a.docx" : dir / "a.docx";
    EXPECT_EQ(ReadFile(saved), "new " + name);
    EXPECT_EQ(reportword::test::EntriesIn(saved.parent_path()), deep_name ? 1 : 2) << name;
  }
  fs::current_path(before);
}

wordproc::FileIdentity IdentityOf(const fs::path& file) {
  HANDLE handle = CreateFileW(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  BY_HANDLE_FILE_INFORMATION info{};
  EXPECT_TRUE(GetFileInformationByHandle(handle, &info)) << file;
  CloseHandle(handle);
  return {info.dwVolumeSerialNumber,
          (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

// However the target's name came to lead to one of the run's own files by
// the moment of the save (here a hard link to the report), the save refuses
// it as the input check would, and leaves it and the folder as they were.
TEST(AtomicFileWindowsTest, ANameThatLeadsToOneOfTheRunsFilesIsRefusedAtTheSave) {
  reportword::test::TempDir dir;
  WriteFile(dir / "report.txt", "the report");
  wordproc::RunFiles run_files;
  run_files.Add(IdentityOf(dir / "report.txt"));
  ASSERT_TRUE(CreateHardLinkW((dir / "out.docx").c_str(), (dir / "report.txt").c_str(), nullptr));
  try {
    WriteFileAtomically((dir / "out.docx").string(), "document", &run_files);
    ADD_FAILURE() << "saved";
  } catch (const InputCheckFailure& error) {
    EXPECT_EQ(error.check(), FailedInputCheck::kTargetIsInput);
  }
  EXPECT_EQ(ReadFile(dir / "report.txt"), "the report");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);
}

// A document open in a word processor is held without delete sharing. The
// save waits for it a little, then says what to do, and the old document
// stays; once it is closed, the save replaces it.
TEST(AtomicFileWindowsTest, ATargetHeldByAnotherProgramIsNamedAsSuch) {
  reportword::test::TempDir dir;
  const auto target = dir / "held.docx";
  WriteFile(target, "old");
  HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_THAT([&] { WriteFileAtomically(target.string(), "new contents", nullptr); },
              ::testing::ThrowsMessage<Failure>(
                  HasSubstr("open in another program; close it and run again")));
  CloseHandle(held);
  EXPECT_EQ(ReadFile(target), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);

  WriteFileAtomically(target.string(), "new contents", nullptr);
  EXPECT_EQ(ReadFile(target), "new contents");
}

// The replaced document keeps its attributes (and with them its access
// rights, which ReplaceFileW carries over alike).
TEST(AtomicFileWindowsTest, AReplacedFileKeepsItsAttributes) {
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
    GTEST_SKIP() << "Wine's ReplaceFileW does not carry attributes over";
  }
  reportword::test::TempDir dir;
  const auto target = dir / "hidden.docx";
  WriteFile(target, "old");
  ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN));
  WriteFileAtomically(target.string(), "new contents", nullptr);
  EXPECT_EQ(ReadFile(target), "new contents");
  EXPECT_NE(GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

// A console event (Ctrl+C, the console closing) that comes while the move
// has the deletion mark lifted waits for it: the failed replacement marks
// the file again, and the run ends with STATUS_CONTROL_C_EXIT, leaving the
// old document and nothing else.
TEST(AtomicFileWindowsDeathTest, AConsoleEventDuringTheMoveWaitsForItAndLeavesNothing) {
  const reportword::test::SharedFolder dir;
  const fs::path target = dir / "doc.docx";
  WriteFile(target, "old");
  EXPECT_EXIT(
      {
        FakeSystem fake;
        fake.replace = [](const std::wstring&, const std::wstring&, const std::wstring&) {
          std::thread(EndRunOnConsoleEvent, CTRL_C_EVENT).detach();
          Sleep(500);  // the event's thread waits meanwhile
          return DWORD{ERROR_UNABLE_TO_MOVE_REPLACEMENT};
        };
        g_fake = &fake;
        try {
          WriteFileAtomically(target.string(), "new", nullptr, kFakeCalls);
        } catch (const Failure&) {
        }
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(static_cast<int>(STATUS_CONTROL_C_EXIT)), "");
  EXPECT_EQ(ReadFile(target), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
}  // namespace reportword::docx

#endif  // _WIN32
