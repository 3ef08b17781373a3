// The COM apartment of the calling thread, held for the lifetime of the
// object. Kept free of the platform headers so that owners can include it
// without them.
#pragma once

namespace reportword::automation {

// CoInitializeEx (single-threaded apartment) on construction, balanced by
// CoUninitialize on destruction. Every automation reference of the thread
// must be released before it is destroyed. Construction throws
// Failure when COM cannot be initialised on this thread.
class ComSession {
 public:
  ComSession();
  ~ComSession();
  ComSession(const ComSession&) = delete;
  ComSession& operator=(const ComSession&) = delete;
};

}  // namespace reportword::automation
