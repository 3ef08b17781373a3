#include "app/message_box.h"

#include <iostream>

namespace reportword {

void ConsoleMessageDisplay::Show(const std::string& prompt, MessageStyle /*style*/) {
  std::cerr << kProgramTitle << ": " << prompt << std::endl;
}

}  // namespace reportword
