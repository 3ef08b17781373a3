#include <windows.h>

#include <cstdlib>
#include <iostream>

#include "job/message_box.h"
#include "text/display_escaping.h"
#include "text/unicode.h"

namespace reportword {

void ConsoleMessageDisplay::Show(const std::string& prompt, MessageStyle style) {
  // The line on stderr is for console callers and logs.
  std::cerr << kProgramTitle << ": " << text::EscapeForDisplay(prompt) << std::endl;
  // Unattended runs (services, scheduled jobs, tests) set this so that no box
  // waits for a click that never comes.
  if (std::getenv("REPORTWORD_NO_MESSAGE_BOX") != nullptr) return;
  const std::u16string text = text::Utf8ToUtf16(prompt);
  const std::u16string title = text::Utf8ToUtf16(kProgramTitle);
  MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.c_str()),
              reinterpret_cast<const wchar_t*>(title.c_str()),
              static_cast<UINT>(style) | MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

}  // namespace reportword
