# Writes a C++ source that carries the compiled message catalogs, for builds
# whose C library has no gettext: the program stays one self-contained file.
#   cmake -DOUTPUT=<file.cpp> -DLOCALE_DIR=<build>/locale -DLANGUAGES=de;... -P embed_catalogs.cmake
cmake_minimum_required(VERSION 3.25)
set(arrays "")
set(lookups "")
foreach(language ${LANGUAGES})
  file(READ "${LOCALE_DIR}/${language}/LC_MESSAGES/reportword.mo" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(APPEND arrays "constexpr char k_${language}[] = {\n    ${bytes}};\n")
  string(APPEND lookups
         "  if (language == \"${language}\") return {k_${language}, sizeof k_${language}};\n")
endforeach()
file(WRITE "${OUTPUT}.new" "// Made by cmake/embed_catalogs.cmake from the compiled catalogs.
#include <string_view>

namespace reportword::text {
namespace {
${arrays}}  // namespace

std::string_view BuiltInCatalog(std::string_view language) {
${lookups}  return {};
}

}  // namespace reportword::text
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
