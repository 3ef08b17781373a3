#include <filesystem>
#include <fstream>
#include <system_error>

#include "docx/engine_failure.h"
#include "docx/template_file.h"
#include "text/translate.h"
#include "text/utf8_path.h"

namespace reportword::docx {

// Windows has no fifo to wait on at an ordinary path; the type is checked by
// name before the file is opened.
std::string ReadTemplateFile(const std::string& path, std::uint64_t max_size,
                             wordproc::FileIdentity* /*identity*/) {
  namespace fs = std::filesystem;
  const fs::path file = text::PathFromUtf8(path);
  std::error_code error;
  const fs::file_status status = fs::status(file, error);
  if (fs::is_directory(status)) {
    throw TemplateError(path, text::Translate("is a folder, not a template file"));
  }
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    throw TemplateError(path, text::Translate("is not a regular file (but a pipe, a device or a "
                                              "socket); name the template file itself"));
  }
  const std::uintmax_t size = fs::file_size(file, error);
  if (error) {
    throw TemplateError(path,
                        text::Format(text::Translate("cannot be read ({0})"), error.message()));
  }
  if (size > max_size) {
    throw TemplateError(path,
                        text::Format(text::Translate("is larger than {0} MiB; refusing to open it"),
                                     max_size >> 20));
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) throw TemplateError(path, text::Translate("cannot be opened for reading"));
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (size > 0 && !in.read(bytes.data(), static_cast<std::streamsize>(size))) {
    throw TemplateError(path, text::Translate("could not be read completely"));
  }
  return bytes;
}

}  // namespace reportword::docx
