# The program opens files from anywhere, hostile ones included, so every release
# build (Release, RelWithDebInfo, MinSizeRel) gets the distribution's hardening:
# fortified C library calls, a stack protector, full RELRO with immediate
# binding, and a position-independent executable. On Debian the flags come from
# dpkg-buildflags, so that the package builds as the distribution builds its
# own; elsewhere (and when cross-compiling) they are stated here.
#
# Fortification is left out of sanitizer builds: AddressSanitizer intercepts the
# same calls and the two do not mix.
option(REPORTWORD_HARDENING "Harden release builds (fortify, stack protector, RELRO, PIE)" ON)
if(NOT REPORTWORD_HARDENING)
  return()
endif()

include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)
include(CheckPIESupported)

set(release_configs Release,RelWithDebInfo,MinSizeRel)
set(hardening_compile "")
set(hardening_link "")
set(hardening_fortify "")

find_program(REPORTWORD_DPKG_BUILDFLAGS dpkg-buildflags)
mark_as_advanced(REPORTWORD_DPKG_BUILDFLAGS)
if(REPORTWORD_DPKG_BUILDFLAGS AND NOT CMAKE_CROSSCOMPILING)
  set(source "dpkg-buildflags")
  foreach(variable CPPFLAGS CXXFLAGS LDFLAGS)
    # From the source folder, so that its file-prefix map makes the paths in
    # the debug information relative to it.
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
              ${REPORTWORD_DPKG_BUILDFLAGS} --get ${variable}
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    foreach(flag ${flags})
      # The build type chooses optimisation and debug information.
      if(flag MATCHES "^-(O.*|g.*)$")
        continue()
      elseif(flag MATCHES "^-D_FORTIFY_SOURCE")
        list(APPEND hardening_fortify ${flag})
      elseif(variable STREQUAL "LDFLAGS")
        list(APPEND hardening_link ${flag})
      else()
        list(APPEND hardening_compile ${flag})
      endif()
    endforeach()
  endforeach()
else()
  set(source "stated flags")
  # Fortification needs optimisation, which every release configuration has.
  list(APPEND hardening_fortify -D_FORTIFY_SOURCE=2)
  list(APPEND hardening_compile -fstack-protector-strong -Wformat -Werror=format-security)
  if(WIN32)
    # MinGW-w64 takes the checked functions and the stack guard from libssp.
    list(APPEND hardening_link -Wl,--dynamicbase -Wl,--nxcompat -Wl,--high-entropy-va)
    # After the objects on the link line, where an archive must stand.
    link_libraries($<$<CONFIG:${release_configs}>:ssp>)
  else()
    list(APPEND hardening_link -Wl,-z,relro -Wl,-z,now)
  endif()
endif()

# What newer distribution flag sets add, where this compiler has it.
foreach(flag -fstack-clash-protection -fcf-protection)
  string(MAKE_C_IDENTIFIER "REPORTWORD_HAS${flag}" have)
  check_cxx_compiler_flag(${flag} ${have})
  if(${have} AND NOT flag IN_LIST hardening_compile)
    list(APPEND hardening_compile ${flag})
  endif()
endforeach()

if(NOT WIN32)
  check_pie_supported(LANGUAGES CXX)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
endif()

if(NOT REPORTWORD_SANITIZE)
  list(PREPEND hardening_compile ${hardening_fortify})
endif()
list(JOIN hardening_compile " " shown_compile)
list(JOIN hardening_link " " shown_link)
message(STATUS "Hardening of release builds (${source}): ${shown_compile} ${shown_link}")
foreach(flag ${hardening_compile})
  add_compile_options($<$<CONFIG:${release_configs}>:${flag}>)
endforeach()
foreach(flag ${hardening_link})
  add_link_options($<$<CONFIG:${release_configs}>:${flag}>)
endforeach()
