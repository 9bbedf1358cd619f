# Install rules and CPack settings for relabel.
#
# Linux: `cmake --install` puts the program into bin/ and the manual page
# into share/man/man1/; CPack makes a .deb from that, or, configured with
# RELABEL_STATIC, a .tar.gz of the statically linked program.
# Windows (the mingw-w64 cross builds, 32- and 64-bit): CPack makes a .zip
# that holds relabel.exe at its top with the documentation and the example
# beside it, since a Windows user unpacks it into one folder and has no man.

include(GNUInstallDirs)

set(RELABEL_MANUAL ${PROJECT_SOURCE_DIR}/man/relabel.1)
set(RELABEL_EXAMPLES ${PROJECT_SOURCE_DIR}/examples/demo.pnl
                     ${PROJECT_SOURCE_DIR}/examples/demo.pcb)

if(WIN32)
  # The zip must run on its own: no libstdc++/libgcc/winpthread DLLs beside
  # the program.
  if(MINGW)
    target_link_options(relabel PRIVATE -static)
  endif()
  install(TARGETS relabel RUNTIME DESTINATION .)
  install(FILES ${RELABEL_MANUAL} ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  install(FILES ${RELABEL_EXAMPLES} DESTINATION examples)

  # The manual as plain text, for reading without man. groff runs on the
  # build machine; without it the zip carries the roff source only.
  find_program(RELABEL_GROFF groff)
  if(RELABEL_GROFF)
    set(manual_text ${PROJECT_BINARY_DIR}/relabel.txt)
    add_custom_command(
      OUTPUT ${manual_text}
      COMMAND ${RELABEL_GROFF} -man -Tascii -P-cbou ${RELABEL_MANUAL}
              > ${manual_text}
      DEPENDS ${RELABEL_MANUAL}
      COMMENT "Rendering the manual as plain text"
      VERBATIM)
    add_custom_target(relabel_manual_text ALL DEPENDS ${manual_text})
    install(FILES ${manual_text} DESTINATION .)
  endif()
else()
  # The .tar.gz is for any x86-64 Linux, whatever its C library: its program
  # is linked statically (no shared library at all). The .deb keeps the
  # system's shared libraries, as Debian expects.
  option(RELABEL_STATIC "Link relabel statically and package it as .tar.gz" OFF)
  if(RELABEL_STATIC)
    target_link_options(relabel PRIVATE -static)
  endif()
  install(TARGETS relabel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${RELABEL_MANUAL} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${RELABEL_EXAMPLES} DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
endif()

set(CPACK_PACKAGE_NAME relabel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "relabel developers")
set(CPACK_PACKAGE_CONTACT "relabel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Rewrites the component labels of a QUORANT 4.2 board file from a parts list")
set(CPACK_PACKAGE_DESCRIPTION
    "relabel reads a parts list (.pnl) and a board file (.pcb) of the\n\
QUORANT 4.2 board-design program and writes a new board file in which\n\
the value and second labels of every listed component carry the texts\n\
of the parts list.")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_SYSTEM_NAME win32)
  else()
    set(CPACK_SYSTEM_NAME win64)
  endif()
  # The zip unpacks into relabel-<version>-win32/ or relabel-<version>-win64/.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
elseif(RELABEL_STATIC)
  set(CPACK_GENERATOR TGZ)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "relabel developers")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  # The dependencies are read off the program's shared libraries when
  # dpkg-shlibdeps is there; otherwise the libraries any C++ program of
  # this compiler needs are named by hand.
  find_program(RELABEL_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(RELABEL_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
  endif()
endif()

include(CPack)
