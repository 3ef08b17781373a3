#include "text/system_error_text.h"

#include <cerrno>
#include <cstring>

#include "text/translate.h"

namespace reportword::text {

std::string SystemErrorText(int error_number) {
  switch (error_number) {
    case ENOENT:
      return Translate("no such file or folder");
    case EACCES:
    case EPERM:
      return Translate("permission denied");
    case EISDIR:
      return Translate("it is a folder");
    case ENOTDIR:
      return Translate("a part of the path is not a folder");
    case ENOSPC:
      return Translate("the disk is full");
#ifdef EDQUOT
    case EDQUOT:
      return Translate("the disk quota is used up");
#endif
    case EFBIG:
      return Translate("the file is too large");
    case EROFS:
      return Translate("the file system is read-only");
    case EIO:
      return Translate("input/output error");
    case ENAMETOOLONG:
      return Translate("the name is too long");
#ifdef ELOOP
    case ELOOP:
      return Translate("too many levels of links");
#endif
    case EMFILE:
    case ENFILE:
      return Translate("too many open files");
    case EEXIST:
      return Translate("a file of that name exists");
    case EBUSY:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
      return Translate("the file is in use");
    case EXDEV:
      return Translate("it is on another file system");
    case ENOMEM:
      return Translate("not enough memory");
    case EINVAL:
      return Translate("invalid argument");
    default:
      return std::strerror(error_number);
  }
}

std::string SystemErrorText(const std::error_code& error) {
  // On Windows the system category holds Windows codes; their condition is
  // the errno value that stands for them.
  const std::error_condition condition = error.default_error_condition();
  if (condition.category() == std::generic_category()) return SystemErrorText(condition.value());
  return error.message();
}

}  // namespace reportword::text
