# The version text that --version prints: the project's version, and the commit
# the program was built from when the source folder is a git checkout of its
# own (not an unpacked source tree that happens to lie inside another one).
set(REPORTWORD_VERSION_TEXT ${PROJECT_VERSION})
set(REPORTWORD_COMMIT "")
set(REPORTWORD_COMMIT_TIME "")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --show-toplevel --absolute-git-dir
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} RESULT_VARIABLE status
                  OUTPUT_VARIABLE lines OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(status EQUAL 0)
    string(REPLACE "\n" ";" lines "${lines}")
    list(GET lines 0 top)
    list(GET lines 1 git_dir)
    file(REAL_PATH "${top}" top)
    file(REAL_PATH "${PROJECT_SOURCE_DIR}" own)
    if(top STREQUAL own)
      execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --short=12 HEAD
                      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} RESULT_VARIABLE status
                      OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      execute_process(COMMAND ${GIT_EXECUTABLE} status --porcelain --untracked-files=no
                      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                      OUTPUT_VARIABLE changes OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                      OUTPUT_VARIABLE REPORTWORD_COMMIT_TIME OUTPUT_STRIP_TRAILING_WHITESPACE
                      ERROR_QUIET)
      if(status EQUAL 0 AND commit)
        set(REPORTWORD_COMMIT ${commit})
        if(changes)
          set(REPORTWORD_VERSION_TEXT "${PROJECT_VERSION} (commit ${commit}, modified)")
        else()
          set(REPORTWORD_VERSION_TEXT "${PROJECT_VERSION} (commit ${commit})")
        endif()
      endif()
      # A new commit or another branch configures again.
      if(EXISTS "${git_dir}/logs/HEAD")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${git_dir}/logs/HEAD")
      endif()
    endif()
  endif()
endif()
message(STATUS "Version: ${REPORTWORD_VERSION_TEXT}")
