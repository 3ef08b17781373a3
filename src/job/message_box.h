// The program's message boxes. Where there is no desktop message box the text
// goes to stderr as one line, prefixed by the program title; a Windows build can
// show a real, modal box behind the same function.
#pragma once

#include <string>

namespace reportword {

inline constexpr const char* kProgramTitle = "Velam_Analyse";

// Message box styles, with the values of the platform's message box call.
enum class MessageStyle : int { kPlain = 0, kInformation = 64 };

class MessageDisplay {
 public:
  virtual ~MessageDisplay() = default;
  // Shows `prompt` with the program title and waits until it is dismissed.
  virtual void Show(const std::string& prompt, MessageStyle style) = 0;
};

// Writes "Velam_Analyse: <prompt>" as one line to stderr; on Windows it also
// shows the modal message box with that title and style.
class ConsoleMessageDisplay : public MessageDisplay {
 public:
  void Show(const std::string& prompt, MessageStyle style) override;
};

}  // namespace reportword
