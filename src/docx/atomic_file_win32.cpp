#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <optional>

#include "docx/atomic_file.h"
#include "docx/engine_failure.h"
#include "text/translate.h"
#include "text/utf8_path.h"
#include "wordproc/save_target.h"

namespace reportword::docx {
namespace {

namespace fs = std::filesystem;

// The system's own text for `code`, in the user's language.
std::string SystemText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length > 0 ? std::wstring(buffer, length) : L"";
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                           text.back() == L'.')) {
    text.pop_back();
  }
  if (text.empty()) return text::Format(text::Translate("Windows error {0}"), code);
  return text::PathToUtf8(fs::path(text));
}

[[noreturn]] void FailWindows(const std::string& path, const std::string& what, DWORD code) {
  throw SaveError(path, text::Format("{0} ({1})", what, SystemText(code)));
}

// Errors that come from another program holding the file (a word processor
// with the document open, a virus scanner, the indexer) and go away when it
// lets go.
bool HeldByAnotherProgram(DWORD code) {
  return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
         code == ERROR_ACCESS_DENIED || code == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Puts `temporary` in place of `target`, or returns why not. A file that
// exists is replaced with ReplaceFileW, which keeps its access rights and
// attributes; a rename would give it the folder's inherited ones instead.
DWORD MoveIntoPlace(const fs::path& temporary, const fs::path& target, bool exists) {
  if (!exists) {
    return MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) ? ERROR_SUCCESS
                                                                                  : GetLastError();
  }
  // Asking for delete access first finds a holder without starting the
  // replacement, which some implementations leave half-done on a failure.
  HANDLE probe =
      CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return GetLastError();
  CloseHandle(probe);
  return ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                      nullptr, nullptr)
             ? ERROR_SUCCESS
             : GetLastError();
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
      file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  const std::optional<wordproc::FileIdentity> identity = IdentityOfHandle(handle);
  CloseHandle(handle);
  if (identity && run_files->Contains(*identity)) {
    throw wordproc::InputCheckError(
        wordproc::FailedInputCheck::kTargetIsInput,
        text::Format(text::Translate("cannot save \"{0}\": it is now one of the run's own files"),
                     path));
  }
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes,
                         wordproc::RunFiles* run_files) {
  const wordproc::SaveTarget target = wordproc::CheckSaveTarget(path);
  fs::path temporary;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = target.folder / text::PathFromUtf8(TemporaryName());
    file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    FailWindows(path, text::Translate("cannot create a file in its folder"), error);
  }
  bool ok = true;
  std::size_t written = 0;
  while (ok && written < bytes.size()) {
    DWORD n = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 30));
    ok = WriteFile(file, bytes.data() + written, chunk, &n, nullptr) && n > 0;
    written += n;
  }
  ok = ok && FlushFileBuffers(file);
  const DWORD write_error = ok ? 0 : GetLastError();
  const std::optional<wordproc::FileIdentity> written_file = IdentityOfHandle(file);
  CloseHandle(file);
  if (!ok) {
    DeleteFileW(temporary.c_str());
    FailWindows(path, text::Translate("writing failed"), write_error);
  }

  // A holder that lets go within about two seconds (a scanner, the indexer)
  // costs a short wait, not the run.
  DWORD error = ERROR_SUCCESS;
  try {
    CheckReplaced(path, target.file, run_files);
  } catch (...) {
    DeleteFileW(temporary.c_str());
    throw;
  }
  for (int attempt = 0; attempt < 20; ++attempt) {
    error = MoveIntoPlace(temporary, target.file, target.exists);
    if (error == ERROR_SUCCESS) {
      if (run_files && written_file) run_files->Add(*written_file);
      return;
    }
    if (!HeldByAnotherProgram(error)) break;
    Sleep(100);
  }
  DeleteFileW(temporary.c_str());
  if (HeldByAnotherProgram(error)) {
    throw SaveError(path,
                    text::Translate("the file is open in another program; close it and run again"));
  }
  FailWindows(path, text::Translate("cannot replace the file"), error);
}

}  // namespace reportword::docx
