# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) for the Windows zips, after the
# install rules have filled the staging folder and before the zip is
# packed: drops the roff source of the manual, which `cmake --install`
# puts beside relabel.exe but which no Windows program shows; the zip has
# the manual as plain text (relabel.txt) instead. A zip without the
# license (LICENSE.txt) is not packed: it would give no right to use it.
file(GLOB_RECURSE roff "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*relabel.1")
if(NOT roff)
  message(FATAL_ERROR "zip-files.cmake: no relabel.1 in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
file(REMOVE ${roff})
file(GLOB_RECURSE license "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*LICENSE.txt")
if(NOT license)
  message(FATAL_ERROR "zip-files.cmake: no LICENSE.txt in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
