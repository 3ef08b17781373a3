#include "system/libreoffice.h"
#include "text/failure.h"
#include "text/translate.h"

namespace reportword::docx {

namespace fs = std::filesystem;

// Conversions start LibreOffice as a process group that can be ended on time;
// the Windows build does not offer them yet.
std::string FindSoffice(const ConversionOptions&) {
  return "";
}

fs::path TemporaryFolder() {
  std::error_code ec;
  const fs::path folder = fs::temp_directory_path(ec);
  return ec ? fs::current_path() : folder;
}

Converter::Converter(ConversionOptions options) : options_(std::move(options)) {}

Converter::~Converter() = default;

std::vector<ConversionResult> Converter::Convert(const std::vector<ConversionInput>& inputs,
                                                 const std::string& format, const std::string&) {
  throw Failure(text::Format(
      text::Translate(
          "converting \"{0}\" to {1} needs LibreOffice, which the Windows build does not "
          "use; use .dotx templates and .docx targets"),
      inputs.empty() ? std::string() : inputs.front().display_name, format));
}

}  // namespace reportword::docx
