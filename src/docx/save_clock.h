// The time a document is saved at, as its properties record it; the system
// clock when empty. Tests give one of their own.
#pragma once

#include <chrono>
#include <functional>

namespace reportword::docx {

using SaveClock = std::function<std::chrono::system_clock::time_point()>;

}  // namespace reportword::docx
