// The word-processor interface implemented by driving an installed word
// processor through its automation object model, late bound through
// IDispatch: every member is looked up by name at the call, so no type
// library is needed to build it. Windows only.
#pragma once

#include <memory>
#include <string>

#include "automation/com_session.h"
#include "wordproc/word_processor.h"

struct IDispatch;

namespace reportword::automation {

// The programmatic identifier the application object is registered under.
inline constexpr const char* kApplicationProgId = "Word.Application";

// Wraps an application object the caller holds. The wrapper takes a reference
// of its own, so the caller still releases its own one.
std::unique_ptr<wordproc::Application> WrapApplication(IDispatch* application);

// Owns the COM apartment of the calling thread for its lifetime: every object
// it hands out, and everything reached from them, must be destroyed before
// the backend is. Construction throws Failure when COM cannot be
// initialised.
class AutomationBackend : public wordproc::Backend {
 public:
  explicit AutomationBackend(std::string prog_id = kApplicationProgId);

  // Starts a new instance of the application as a local server.
  std::unique_ptr<wordproc::Application> CreateApplication(wordproc::RunFiles& run_files) override;
  std::unique_ptr<wordproc::FileSystem> CreateFileSystem() override;

 private:
  ComSession session_;  // first member: torn down last
  std::string prog_id_;
};

}  // namespace reportword::automation
