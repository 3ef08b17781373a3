#include <iostream>

#include "job/message_box.h"
#include "text/display_escaping.h"

namespace reportword {

// There is no desktop message box to show: the line on stderr is the message.
void ConsoleMessageDisplay::Show(const std::string& prompt, MessageStyle) {
  std::cerr << kProgramTitle << ": " << text::EscapeForDisplay(prompt) << std::endl;
}

}  // namespace reportword
