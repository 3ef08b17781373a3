#include "automation/com_session.h"

#include <windows.h>

#include <objbase.h>

#include "automation/dispatch.h"
#include "text/failure.h"

namespace reportword::automation {

ComSession::ComSession() {
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) throw Failure(DescribeFailure("CoInitializeEx", hr));
}

// S_FALSE (already initialised on this thread) needs its CoUninitialize too.
ComSession::~ComSession() {
  CoUninitialize();
}

}  // namespace reportword::automation
