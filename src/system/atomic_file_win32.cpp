#include "system/atomic_file_win32.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "system/atomic_file.h"
#include "system/signal_cleanup_win32.h"
#include "text/failure.h"
#include "text/system_error_text.h"
#include "text/translate.h"
#include "text/utf8_path.h"
#include "wordproc/save_target.h"
#include "wordproc/windows_path.h"

namespace reportword::docx {

const MoveCalls kSystemMoveCalls{CreateFileW, SetFileInformationByHandle, ReplaceFileW, MoveFileExW,
                                 Sleep};

namespace {

namespace fs = std::filesystem;

// A holder that lets go within about two seconds (a scanner, the indexer)
// costs a short wait, not the run.
constexpr int kTries = 20;
constexpr DWORD kWaitMilliseconds = 100;

[[noreturn]] void FailWindows(const std::string& path, const std::string& what, DWORD code) {
  throw SaveFailure(path, text::Format("{0} ({1})", what, text::WindowsErrorText(code)));
}

// Errors that come from another program holding the file (a word processor
// with the document open, a virus scanner, the indexer) and go away when it
// lets go. A replacement that cannot remove the replaced file although the
// check for a holder just before passed met one that came meanwhile.
bool HeldByAnotherProgram(DWORD code) {
  return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
         code == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Errors that stay until someone changes the file's access rights (an entry
// that denies deleting it, another user's file on a share): no wait helps.
bool Denied(DWORD code) {
  return code == ERROR_ACCESS_DENIED || code == ERROR_NETWORK_ACCESS_DENIED ||
         code == ERROR_PRIVILEGE_NOT_HELD;
}

bool Exists(const std::wstring& file) {
  return GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<wordproc::FileIdentity> IdentityOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
  return wordproc::FileIdentity{info.dwVolumeSerialNumber,
                                (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

// The file the move would replace, not following a link at the name: not one
// of the run's own files, whatever the target's name led to when it began.
void CheckReplaced(const std::string& path, const fs::path& file,
                   const wordproc::RunFiles* run_files) {
  if (!run_files) return;
  HANDLE handle = CreateFileW(
      wordproc::LongPath(file).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  const std::optional<wordproc::FileIdentity> identity = IdentityOfHandle(handle);
  CloseHandle(handle);
  if (identity && run_files->Contains(*identity)) {
    throw InputCheckFailure(
        FailedInputCheck::kTargetIsInput,
        text::Format(text::Translate("cannot save \"{0}\": it is now one of the run's own files"),
                     path));
  }
}

// One save's temporary document, beside the target. It is marked for
// deletion from the moment it exists, and open until it is in place, so that
// the system removes it however the run ends. Its handle and mark change only
// under a MoveHold: the constructor and destructor take one, every other
// change is made by the move step, which holds one.
class TemporaryDocument {
 public:
  TemporaryDocument(const MoveCalls& calls, const std::string& path, const fs::path& folder)
      : calls_(calls) {
    const MoveHold hold;
    for (int attempt = 0; attempt < 100 && handle_ == INVALID_HANDLE_VALUE; ++attempt) {
      shown_ = folder / text::PathFromUtf8(TemporaryName());
      name_ = wordproc::LongPath(shown_);
      handle_ = calls_.create_file(name_.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle_ == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (handle_ == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      FailWindows(path, text::Translate("cannot create a file in its folder"), error);
    }
    SetTemporaryFile(handle_);
    // A file system that takes no mark leaves the file to be removed by name.
    SetMark(true);
  }

  ~TemporaryDocument() {
    if (placed_) return;
    const MoveHold hold;
    if (handle_ != INVALID_HANDLE_VALUE) {
      if (!kept_ && !marked_) SetMark(true);
      SetTemporaryFile(INVALID_HANDLE_VALUE);
      CloseHandle(handle_);
    }
    if (!kept_ && !marked_) DeleteFileW(name_.c_str());
  }

  TemporaryDocument(const TemporaryDocument&) = delete;
  TemporaryDocument& operator=(const TemporaryDocument&) = delete;

  void Write(const std::string& path, std::string_view bytes) {
    bool ok = true;
    std::size_t written = 0;
    while (ok && written < bytes.size()) {
      DWORD n = 0;
      const DWORD chunk =
          static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 30));
      ok = WriteFile(handle_, bytes.data() + written, chunk, &n, nullptr) && n > 0;
      written += n;
    }
    if (!ok || !FlushFileBuffers(handle_)) {
      const DWORD error = GetLastError();
      FailWindows(path, text::Translate("writing failed"), error);
    }
  }

  std::optional<wordproc::FileIdentity> Identity() const { return IdentityOfHandle(handle_); }
  HANDLE handle() const { return handle_; }
  const std::wstring& name() const { return name_; }
  const fs::path& shown() const { return shown_; }

  // The rest only under the move step's MoveHold.

  // Sets or lifts the deletion mark; false (with the error) when the system
  // did not, or no handle is open.
  bool SetMark(bool marked) {
    if (handle_ == INVALID_HANDLE_VALUE) {
      SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(marked)};
    if (!calls_.set_information(handle_, FileDispositionInfo, &disposition, sizeof disposition))
      return false;
    marked_ = marked;
    return true;
  }

  // Lifts the mark and closes the handle, for a call that moves the file by
  // its name; false (with the error) when the mark stays.
  bool CloseForMove() {
    if (handle_ == INVALID_HANDLE_VALUE) return true;
    if (!SetMark(false)) return false;
    SetTemporaryFile(INVALID_HANDLE_VALUE);
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return true;
  }

  // After a move by name that failed: open and marked once more, where the
  // file can be opened; else it is removed by name in the end.
  void Reopen() {
    handle_ = calls_.create_file(name_.c_str(), DELETE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) return;
    SetTemporaryFile(handle_);
    SetMark(true);
  }

  // The document is in place under the target's name.
  void Placed() {
    if (handle_ != INVALID_HANDLE_VALUE) {
      FlushFileBuffers(handle_);  // the new name, as far as the file system lets a file flush it
      SetTemporaryFile(INVALID_HANDLE_VALUE);
      CloseHandle(handle_);
      handle_ = INVALID_HANDLE_VALUE;
    }
    placed_ = true;
  }

  // The file is the only copy of the new document: it stays, closed.
  void Keep() { kept_ = true; }

 private:
  const MoveCalls& calls_;
  fs::path shown_;
  std::wstring name_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  bool marked_ = false;
  bool placed_ = false;
  bool kept_ = false;
};

// Gives the open file the name `target`, which must be free.
bool RenameByHandle(const MoveCalls& calls, HANDLE file, const std::wstring& target) {
  const std::size_t name_bytes = (target.size() + 1) * sizeof(wchar_t);
  std::vector<std::max_align_t> buffer(
      (offsetof(FILE_RENAME_INFO, FileName) + name_bytes) / sizeof(std::max_align_t) + 1);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = FALSE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  std::memcpy(info->FileName, target.c_str(), name_bytes);
  return calls.set_information(file, FileRenameInfo, info,
                               static_cast<DWORD>(buffer.size() * sizeof(std::max_align_t)));
}

// A new target: the open file is renamed, with the mark lifted only for that.
DWORD MoveToNewName(const MoveCalls& calls, TemporaryDocument& temporary,
                    const std::wstring& target) {
  if (!temporary.SetMark(false)) return GetLastError();
  if (RenameByHandle(calls, temporary.handle(), target)) {
    temporary.Placed();
    return ERROR_SUCCESS;
  }
  const DWORD error = GetLastError();
  temporary.SetMark(true);
  return error;
}

// Where each document is after a replacement failed and left neither under
// the target's name, which no move could change: both stay, and the message
// says where they are.
[[noreturn]] void FailWithDocumentsAside(const std::string& path, DWORD error,
                                         TemporaryDocument& temporary, const fs::path& backup) {
  const std::string cause = text::WindowsErrorText(error);
  const bool has_new = Exists(temporary.name());
  const bool has_old = Exists(wordproc::LongPath(backup));
  if (has_new) temporary.Keep();
  if (has_new && has_old) {
    throw SaveFailure(
        path, text::Format(text::Translate("the file could not be replaced ({0}), and "
                                           "no document could be put back under its "
                                           "name: the old document is now \"{1}\", "
                                           "the new one \"{2}\""),
                           cause, text::PathToUtf8(backup), text::PathToUtf8(temporary.shown())));
  }
  if (has_new) {
    throw SaveFailure(path,
                      text::Format(text::Translate("the file could not be replaced ({0}), and "
                                                   "the old document is gone; the new one is "
                                                   "\"{1}\""),
                                   cause, text::PathToUtf8(temporary.shown())));
  }
  if (has_old) {
    throw SaveFailure(path,
                      text::Format(text::Translate("the file could not be replaced ({0}); the "
                                                   "old document is now \"{1}\""),
                                   cause, text::PathToUtf8(backup)));
  }
  FailWindows(path, text::Translate("cannot replace the file"), error);
}

// An existing target: ReplaceFileW keeps its access rights and attributes.
// The replaced file is given the name `backup` on the way, so that it can
// always be found; after a failure that left the target's name empty, the
// new document is put there, or else the old one back.
DWORD ReplaceExisting(const MoveCalls& calls, const std::string& path, TemporaryDocument& temporary,
                      const std::wstring& target, const fs::path& backup_shown) {
  // Asking for delete access first finds a holder without starting the
  // replacement, which some implementations leave half-done on a failure.
  HANDLE probe = calls.create_file(target.c_str(), DELETE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return GetLastError();
  CloseHandle(probe);
  // ReplaceFileW opens the file itself, sharing nothing.
  if (!temporary.CloseForMove()) return GetLastError();
  const std::wstring backup = wordproc::LongPath(backup_shown);
  const std::wstring& replacement = temporary.name();
  if (calls.replace_file(target.c_str(), replacement.c_str(), backup.c_str(),
                         REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    temporary.Placed();
    DeleteFileW(backup.c_str());
    return ERROR_SUCCESS;
  }
  const DWORD error = GetLastError();
  if (Exists(target)) {
    if (Exists(replacement)) {
      temporary.Reopen();
      return error;
    }
    // Both moves were made; only what came after failed.
    temporary.Placed();
    DeleteFileW(backup.c_str());
    return ERROR_SUCCESS;
  }
  if (Exists(replacement) &&
      calls.move_file(replacement.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
    temporary.Placed();
    DeleteFileW(backup.c_str());
    return ERROR_SUCCESS;
  }
  if (Exists(backup) && calls.move_file(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
    temporary.Reopen();
    return error;
  }
  FailWithDocumentsAside(path, error, temporary, backup_shown);
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         wordproc::RunFiles* run_files, const MoveCalls& calls) {
  const wordproc::SaveTarget target = wordproc::CheckSaveTarget(path);
  TemporaryDocument temporary(calls, path, target.folder);
  temporary.Write(path, bytes);
  const std::optional<wordproc::FileIdentity> written = temporary.Identity();

  const std::wstring to = wordproc::LongPath(target.file);
  const fs::path backup = target.folder / text::PathFromUtf8(TemporaryName());
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    // Marked again before every wait: only the move itself goes unmarked.
    if (attempt > 0) calls.sleep(kWaitMilliseconds);
    {
      const MoveHold hold;
      CheckReplaced(path, target.file, run_files);
      error = target.exists ? ReplaceExisting(calls, path, temporary, to, backup)
                            : MoveToNewName(calls, temporary, to);
    }
    if (error == ERROR_SUCCESS) {
      if (run_files && written) run_files->Add(*written);
      return;
    }
    if (!HeldByAnotherProgram(error)) break;
  }
  if (HeldByAnotherProgram(error)) {
    throw SaveFailure(
        path, text::Translate("the file is open in another program; close it and run again"));
  }
  if (target.exists && Denied(error)) {
    throw SaveFailure(path, text::Translate("the file may not be replaced (no permission)"));
  }
  FailWindows(path, text::Translate("cannot replace the file"), error);
}

void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         wordproc::RunFiles* run_files) {
  WriteFileAtomically(path, bytes, run_files, kSystemMoveCalls);
}

}  // namespace reportword::docx
