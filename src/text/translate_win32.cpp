#include "text/translate.h"

namespace reportword::text {

void ChooseMessageLanguage() {}

const char* Translate(const char* english) {
  return english;
}

}  // namespace reportword::text
