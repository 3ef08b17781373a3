# Run by CPack on the staged files before it packs them (CPACK_PRE_BUILD_SCRIPTS):
# takes out of the program the sections that only say which compiler built it
# (.comment, .note), as Debian's own packages have them removed.
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
foreach(program ${programs})
  execute_process(COMMAND ${CPACK_REPORTWORD_STRIP} --remove-section=.comment
                          --remove-section=.note ${program} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
