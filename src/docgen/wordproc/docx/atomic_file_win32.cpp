#include <windows.h>

#include <algorithm>
#include <random>

#include "docgen/wordproc/docx/atomic_file.h"
#include "docgen/wordproc/docx/engine_failure.h"
#include "text/translate.h"

namespace reportword::docx {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void FailWindows(const std::string& path, const std::string& what) {
  const DWORD code = GetLastError();
  throw SaveError(path, text::Format(text::Translate("{0} (Windows error {1})"), what, code));
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
  const fs::path target = fs::u8path(path);
  const fs::path folder = CheckSaveTarget(path);
  std::random_device random;
  fs::path temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temp = folder /
           (TemporaryNamePrefix(target).wstring() + L"." + std::to_wstring(random()) + L".tmp");
    file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) FailWindows(path, "cannot create a file in its folder");
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
  CloseHandle(file);
  if (ok && MoveFileExW(temp.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return;
  }
  const DWORD error = ok ? GetLastError() : write_error;
  DeleteFileW(temp.c_str());
  SetLastError(error);
  FailWindows(path, ok ? "cannot replace the file" : "writing failed");
}

}  // namespace reportword::docx
