# What `cmake --install` lays out, and the packages CPack makes of it.
if(WIN32)
  # One folder: the program, which carries its catalogs, with the README and
  # the examples beside it.
  set(bindir .)
  set(docdir .)
else()
  set(bindir ${CMAKE_INSTALL_BINDIR})
  set(docdir ${CMAKE_INSTALL_DOCDIR})
  foreach(language ${REPORTWORD_LANGUAGES})
    install(FILES ${PROJECT_BINARY_DIR}/locale/${language}/LC_MESSAGES/reportword.mo
            DESTINATION ${CMAKE_INSTALL_LOCALEDIR}/${language}/LC_MESSAGES COMPONENT Runtime)
  endforeach()
  configure_file(docs/reportword.1.in ${PROJECT_BINARY_DIR}/reportword.1 @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/reportword.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT Documentation)
endif()
install(TARGETS reportword RUNTIME DESTINATION ${bindir} COMPONENT Runtime)
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
set(REPORTWORD_PACKAGE_MAINTAINER "reportword maintainers <maintainers@reportword.invalid>"
    CACHE STRING "The package's maintainer, name and address")
set(CPACK_PACKAGE_CONTACT ${REPORTWORD_PACKAGE_MAINTAINER})
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
# Debian: the run-time dependencies are read from the shared libraries the
# program links (dpkg-shlibdeps); LibreOffice is only needed for conversions.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libreoffice-writer-nogui | libreoffice-writer")
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_GENERATOR DEB)
endif()
include(CPack)
