#include <iostream>

#include "app/message_box.h"

namespace reportword {

// There is no desktop message box to show: the line on stderr is the message.
void ConsoleMessageDisplay::Show(const std::string& prompt, MessageStyle) {
  std::cerr << kProgramTitle << ": " << prompt << std::endl;
}

}  // namespace reportword
