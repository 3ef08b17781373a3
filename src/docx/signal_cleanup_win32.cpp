#include "docx/signal_cleanup.h"

namespace reportword::docx {

// A console's Ctrl+C ends a Windows process without running its cleanup
// either way; the save there leaves at most its temporary file, whose name
// shows what it is.
SignalHold::SignalHold() = default;
SignalHold::~SignalHold() = default;
void RegisterScratchFolder(const std::filesystem::path&) {}
void ForgetScratchFolder(const std::filesystem::path&) {}

}  // namespace reportword::docx
