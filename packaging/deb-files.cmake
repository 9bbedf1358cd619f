# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) for the .deb, after the install
# rules have filled its staging folder and before the package is packed.
# Makes that folder what Debian asks of a package:
#   - the manual page compressed: share/man/man1/relabel.1.gz;
#   - share/doc/relabel/changelog.gz: the release notes of NEWS.md written
#     as a Debian changelog (the package is native, its releases are the
#     project's own), in place of NEWS.md itself.
# gzip runs with -n, so that the files carry no name or time stamp and the
# same tree gives the same package.
set(prefix "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(page "${prefix}/${CPACK_RELABEL_MANDIR}/man1/relabel.1")
set(doc "${prefix}/${CPACK_RELABEL_DOCDIR}")

function(gzip_file file)
  execute_process(COMMAND gzip -9nf "${file}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "deb-files.cmake: gzip ${file} failed (${rc})")
  endif()
endfunction()

if(NOT EXISTS "${page}" OR NOT EXISTS "${doc}/NEWS.md")
  message(FATAL_ERROR "deb-files.cmake: ${page} or ${doc}/NEWS.md not staged")
endif()
gzip_file("${page}")

execute_process(
  COMMAND sh "${CPACK_RELABEL_CHANGELOG_SCRIPT}" "${CPACK_RELABEL_NEWS}"
          "${CPACK_PACKAGE_NAME}" "${CPACK_PACKAGE_VERSION}"
          "${CPACK_DEBIAN_PACKAGE_MAINTAINER}"
  OUTPUT_FILE "${doc}/changelog"
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "deb-files.cmake: no changelog from ${CPACK_RELABEL_NEWS}")
endif()
gzip_file("${doc}/changelog")
file(REMOVE "${doc}/NEWS.md")
