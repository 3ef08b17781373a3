// The environment every test runs in, and the programs the tests start
// inherit: no run of the tests keeps converted templates in the user's cache.
// The cache's own tests name a folder of their own.
#include <cstdlib>

namespace {

const bool kNoUserCache = [] {
#ifdef _WIN32
  return _putenv_s("REPORTWORD_CACHE", "off") == 0;
#else
  return ::setenv("REPORTWORD_CACHE", "off", 1) == 0;
#endif
}();

}  // namespace
