#include "job/generation_error.h"

#include <new>

#include "text/translate.h"

namespace reportword {

std::string DescribeFailure(const std::exception& failure) {
  if (dynamic_cast<const std::bad_alloc*>(&failure) != nullptr) {
    return text::Translate("not enough memory to finish the run");
  }
  if (dynamic_cast<const std::length_error*>(&failure) != nullptr) {
    return text::Translate("a text or list grew beyond the size this program can hold");
  }
  return failure.what();
}

}  // namespace reportword
