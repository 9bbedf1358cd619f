# Install rules and CPack settings for relabel.
#
# Linux: `cmake --install` puts the program into bin/, the manual page into
# share/man/man1/ and the README, the release notes (NEWS.md), the copyright
# notice and the example into share/doc/relabel/; CPack makes a .deb from
# that, or, configured with RELABEL_STATIC, a .tar.gz of the statically
# linked program. The .deb gets what Debian asks of a package when CPack
# packs it (packaging/deb-files.cmake): the manual page compressed and the
# release notes as a Debian changelog.
# Windows (the mingw-w64 cross builds, 32- and 64-bit): CPack makes a .zip
# that holds relabel.exe at its top with the documentation and the example
# beside it, since a Windows user unpacks it into one folder and has no man.
# Every text file in it has CR LF line ends, for Notepad, and the license is
# there as LICENSE.txt.

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
  # The example's files are installed as they are: they have CR LF line
  # ends already, and relabel reads LF and CR LF alike.
  install(FILES ${RELABEL_EXAMPLES} DESTINATION examples)

  # The text files, made CR LF at build time (packaging/crlf.cmake), under
  # names that Windows opens with Notepad. The README is the one written for
  # the Windows command prompt, not the tree's; the release notes are
  # NEWS.md without its Markdown markup (packaging/news-text.sh).
  set(windows_text ${PROJECT_BINARY_DIR}/windows-text)
  set(windows_text_files)
  set(news_plain ${PROJECT_BINARY_DIR}/news-plain.txt)
  add_custom_command(
    OUTPUT ${news_plain}
    COMMAND sh ${PROJECT_SOURCE_DIR}/packaging/news-text.sh
            ${PROJECT_SOURCE_DIR}/NEWS.md > ${news_plain}
    DEPENDS ${PROJECT_SOURCE_DIR}/NEWS.md ${PROJECT_SOURCE_DIR}/packaging/news-text.sh
    VERBATIM)
  foreach(pair packaging/README-windows.txt:README.txt ${news_plain}:NEWS.txt
               LICENSE:LICENSE.txt)
    string(REPLACE ":" ";" pair ${pair})
    list(GET pair 0 source)
    list(GET pair 1 target)
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${PROJECT_SOURCE_DIR})
    add_custom_command(
      OUTPUT ${windows_text}/${target}
      COMMAND ${CMAKE_COMMAND} -DIN=${source}
              -DOUT=${windows_text}/${target}
              -P ${PROJECT_SOURCE_DIR}/packaging/crlf.cmake
      DEPENDS ${source}
              ${PROJECT_SOURCE_DIR}/packaging/crlf.cmake
      VERBATIM)
    list(APPEND windows_text_files ${windows_text}/${target})
  endforeach()

  # The manual as plain text: no Windows user can read its roff source.
  # Rendered with the register windows set, it says what holds on Windows
  # and leaves out what holds on Linux only.
  # `cmake --install` puts the roff page beside the program as well, but
  # the zip leaves it out (packaging/zip-files.cmake). groff runs on the
  # build machine; without it the zip has no manual, and
  # packaging/build-packages.sh refuses such a zip.
  install(FILES ${RELABEL_MANUAL} DESTINATION .)
  find_program(RELABEL_GROFF groff)
  if(RELABEL_GROFF)
    set(manual_lf ${PROJECT_BINARY_DIR}/relabel-lf.txt)
    add_custom_command(
      OUTPUT ${windows_text}/relabel.txt
      COMMAND ${RELABEL_GROFF} -man -Tascii -P-cbou -rwindows=1 ${RELABEL_MANUAL}
              > ${manual_lf}
      COMMAND ${CMAKE_COMMAND} -DIN=${manual_lf}
              -DOUT=${windows_text}/relabel.txt
              -P ${PROJECT_SOURCE_DIR}/packaging/crlf.cmake
      DEPENDS ${RELABEL_MANUAL} ${PROJECT_SOURCE_DIR}/packaging/crlf.cmake
      COMMENT "Rendering the manual as plain text"
      VERBATIM)
    list(APPEND windows_text_files ${windows_text}/relabel.txt)
  else()
    message(STATUS "relabel: groff not found, the zip will lack the manual")
  endif()
  add_custom_target(relabel_windows_text ALL DEPENDS ${windows_text_files})
  install(FILES ${windows_text_files} DESTINATION .)
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
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/NEWS.md
                ${PROJECT_SOURCE_DIR}/packaging/copyright
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${RELABEL_EXAMPLES} DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
endif()

set(CPACK_PACKAGE_NAME relabel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "relabel developers")
# The project has no mailing address. Debian requires "Name <address>" in a
# package's Maintainer field, so the address is one under .invalid, a
# domain reserved never to exist (RFC 2606): it says that there is no
# address rather than pointing at somebody else's.
set(RELABEL_CONTACT "relabel developers <relabel@packages.invalid>")
set(CPACK_PACKAGE_CONTACT ${RELABEL_CONTACT})
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
  set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/zip-files.cmake)
elseif(RELABEL_STATIC)
  set(CPACK_GENERATOR TGZ)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${RELABEL_CONTACT})
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  # The dependencies are read off the program's shared libraries when
  # dpkg-shlibdeps is there; otherwise the libraries any C++ program of
  # this compiler needs are named by hand.
  # Compresses the manual page and writes the changelog when CPack packs.
  set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/deb-files.cmake)
  set(CPACK_RELABEL_NEWS ${PROJECT_SOURCE_DIR}/NEWS.md)
  set(CPACK_RELABEL_CHANGELOG_SCRIPT
      ${PROJECT_SOURCE_DIR}/packaging/debian-changelog.sh)
  set(CPACK_RELABEL_MANDIR ${CMAKE_INSTALL_MANDIR})
  set(CPACK_RELABEL_DOCDIR ${CMAKE_INSTALL_DOCDIR})
  find_program(RELABEL_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(RELABEL_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
  endif()
endif()

include(CPack)
