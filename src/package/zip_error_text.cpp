#include "package/zip_error_text.h"

#include "text/system_error_text.h"
#include "text/translate.h"

namespace reportword::docx {
namespace {

std::string CauseOf(int code) {
  switch (code) {
    case ZIP_ER_MULTIDISK:
      return text::Translate("zip archives spread over several disks are not supported");
    case ZIP_ER_SEEK:
    case ZIP_ER_READ:
    case ZIP_ER_TELL:
      return text::Translate("read error");
    case ZIP_ER_WRITE:
      return text::Translate("write error");
    case ZIP_ER_CRC:
      return text::Translate("its CRC-32 checksum does not match its contents");
    case ZIP_ER_NOENT:
      return text::Translate("no such entry");
    case ZIP_ER_ZLIB:
    case ZIP_ER_COMPRESSED_DATA:
      return text::Translate("the compressed data are damaged");
    case ZIP_ER_MEMORY:
      return text::Translate("not enough memory");
    case ZIP_ER_COMPNOTSUPP:
      return text::Translate("the compression method is not supported");
    case ZIP_ER_EOF:
      return text::Translate("the file ends too early");
    case ZIP_ER_NOZIP:
      return text::Translate("not a zip archive");
    case ZIP_ER_INCONS:
      return text::Translate("the zip archive is inconsistent");
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
      return text::Translate("it is encrypted");
    default:
      return text::Format(text::Translate("zip error {0}"), code);
  }
}

}  // namespace

std::string ZipErrorText(const zip_error_t* error) {
  // libzip's accessors take a non-const pointer but do not change the error.
  zip_error_t* cause = const_cast<zip_error_t*>(error);
  if (zip_error_system_type(cause) == ZIP_ET_SYS && zip_error_code_system(cause) != 0) {
    return text::Format("{0} ({1})", CauseOf(zip_error_code_zip(cause)),
                        text::SystemErrorText(zip_error_code_system(cause)));
  }
  return CauseOf(zip_error_code_zip(cause));
}

std::string ZipErrorText(zip_t* archive) {
  return ZipErrorText(zip_get_error(archive));
}

std::string ZipErrorText(zip_file_t* file) {
  return ZipErrorText(zip_file_get_error(file));
}

}  // namespace reportword::docx
