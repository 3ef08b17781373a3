# What `cmake --install` lays out, and the packages CPack makes of it.
set(REPORTWORD_DEBIAN_REVISION 1)
set(REPORTWORD_PACKAGE_MAINTAINER "reportword maintainers <maintainers@reportword.invalid>"
    CACHE STRING "The package's maintainer, name and address")
if(WIN32)
  # One folder: the program, which carries its catalogs, with the README, the
  # licence and the examples beside it.
  set(bindir .)
  set(docdir .)
  install(FILES LICENSE DESTINATION ${docdir} RENAME LICENSE.txt COMPONENT Documentation)
else()
  set(bindir ${CMAKE_INSTALL_BINDIR})
  set(docdir ${CMAKE_INSTALL_DOCDIR})
  foreach(language ${REPORTWORD_LANGUAGES})
    install(FILES ${PROJECT_BINARY_DIR}/locale/${language}/LC_MESSAGES/reportword.mo
            DESTINATION ${CMAKE_INSTALL_LOCALEDIR}/${language}/LC_MESSAGES COMPONENT Runtime)
  endforeach()

  # The manual pages, English and German, compressed as Debian and man-db keep them.
  find_program(REPORTWORD_GZIP gzip REQUIRED)
  mark_as_advanced(REPORTWORD_GZIP)
  set(manual_pages "")
  foreach(page reportword.1 reportword.de.1)
    configure_file(docs/${page}.in ${PROJECT_BINARY_DIR}/man/${page} @ONLY)
    # -n: no name or time in the header, so the same page compresses to the same bytes.
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/${page}.gz
      COMMAND ${REPORTWORD_GZIP} -9nf -k ${PROJECT_BINARY_DIR}/man/${page}
      DEPENDS ${PROJECT_BINARY_DIR}/man/${page} VERBATIM)
    list(APPEND manual_pages ${PROJECT_BINARY_DIR}/man/${page}.gz)
  endforeach()
  add_custom_target(reportword_manual_pages ALL DEPENDS ${manual_pages})
  install(FILES ${PROJECT_BINARY_DIR}/man/reportword.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT Documentation)
  install(FILES ${PROJECT_BINARY_DIR}/man/reportword.de.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/de/man1 RENAME reportword.1.gz COMPONENT Documentation)

  install(FILES packaging/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
          RENAME reportword COMPONENT Debian EXCLUDE_FROM_ALL)
  install(FILES packaging/bash-completion/reportword
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT Runtime)

  # The licence as a machine-readable copyright file, where Debian looks for it.
  file(READ LICENSE licence)
  string(REGEX REPLACE "\n+$" "" licence "${licence}")
  string(REGEX REPLACE "\n\n" "\n.\n" licence "${licence}")
  string(REPLACE "\n" "\n " licence "${licence}")
  set(REPORTWORD_LICENSE_TEXT " ${licence}")
  configure_file(packaging/debian/copyright.in ${PROJECT_BINARY_DIR}/debian/copyright @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/debian/copyright DESTINATION ${docdir}
          COMPONENT Documentation)

  # The Debian changelog, for the package only: one entry for this version,
  # dated by its commit where the build knows it (so that a rebuild gives the
  # same package), else by the time of configuring.
  set(REPORTWORD_DEBIAN_VERSION ${PROJECT_VERSION}-${REPORTWORD_DEBIAN_REVISION})
  if(REPORTWORD_COMMIT_TIME)
    set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
    set(ENV{SOURCE_DATE_EPOCH} ${REPORTWORD_COMMIT_TIME})
  endif()
  string(TIMESTAMP REPORTWORD_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  if(REPORTWORD_COMMIT_TIME)
    set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")
  endif()
  if(REPORTWORD_COMMIT)
    set(REPORTWORD_CHANGELOG_ENTRY "Release ${PROJECT_VERSION}, built from commit ${REPORTWORD_COMMIT}.")
  else()
    set(REPORTWORD_CHANGELOG_ENTRY "Release ${PROJECT_VERSION}.")
  endif()
  configure_file(packaging/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog.Debian @ONLY)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
    COMMAND ${REPORTWORD_GZIP} -9nf -k ${PROJECT_BINARY_DIR}/debian/changelog.Debian
    DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.Debian VERBATIM)
  add_custom_target(reportword_debian_changelog ALL
                    DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz)
  install(FILES ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz DESTINATION ${docdir}
          COMPONENT Debian EXCLUDE_FROM_ALL)
endif()
install(TARGETS reportword RUNTIME DESTINATION ${bindir} COMPONENT Runtime)
if(WIN32)
  install(TARGETS reportwordw RUNTIME DESTINATION ${bindir} COMPONENT Runtime)
endif()
install(FILES README.md DESTINATION ${docdir} COMPONENT Documentation)
install(FILES docs/example-page1.png DESTINATION ${docdir}/docs COMPONENT Documentation)
install(FILES examples/netzanalyse-1.dotx examples/netzanalyse-2.dotx
              examples/netzbericht-9520e000.txt examples/strassensanierung.txt
        DESTINATION ${docdir}/examples COMPONENT Documentation)

set(CPACK_PACKAGE_NAME reportword)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "turns a tab-separated analysis report into two Word documents from templates")
set(CPACK_PACKAGE_DESCRIPTION
    "reportword fills the page header of two .dotx templates with a report's\n\
designation, network name, date and build number, puts the report's rows into a\n\
table in the body, and saves both as .docx documents. With LibreOffice it also\n\
takes legacy Word, RTF and OpenDocument templates and writes PDF and ODT.")
set(CPACK_PACKAGE_CONTACT ${REPORTWORD_PACKAGE_MAINTAINER})
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
# Debian: the run-time dependencies are read from the shared libraries the
# program links (dpkg-shlibdeps); LibreOffice is only needed for conversions.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${REPORTWORD_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libreoffice-writer-nogui | libreoffice-writer")
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_GENERATOR DEB)
  # Everything a plain installation has, and the package's own changelog.
  set(CPACK_REPORTWORD_STRIP ${CMAKE_STRIP})
  set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/strip_package.cmake)
  set(CPACK_INSTALL_CMAKE_PROJECTS
      "${PROJECT_BINARY_DIR};reportword;ALL;/;${PROJECT_BINARY_DIR};reportword;Debian;/")
endif()
include(CPack)
