# Finds GoogleTest for the tests and sets RELABEL_GTEST_FOUND. A cross build
# for Windows has no prebuilt GoogleTest for its target and builds Debian's
# sources with the cross compiler; a native build uses the installed package.
# Without GoogleTest the tests are skipped with one line saying how to get
# them, unless RELABEL_TESTS=ON asks for them.
set(RELABEL_GTEST_FOUND FALSE)
if(NOT RELABEL_TESTS)  # OFF; AUTO and ON go on
  return()
endif()

if(CMAKE_CROSSCOMPILING AND WIN32)
  set(RELABEL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
  if(EXISTS ${RELABEL_GTEST_SOURCE}/CMakeLists.txt)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(${RELABEL_GTEST_SOURCE} googletest EXCLUDE_FROM_ALL)
    set(RELABEL_GTEST_FOUND TRUE)
  endif()
else()
  find_package(GTest QUIET)
  set(RELABEL_GTEST_FOUND ${GTest_FOUND})
endif()

if(NOT RELABEL_GTEST_FOUND)
  set(how "Debian: apt-get install libgtest-dev, then configure again")
  if(RELABEL_TESTS STREQUAL "AUTO")
    message(STATUS "relabel: GoogleTest not found, the tests are skipped (${how})")
  else()
    message(FATAL_ERROR "relabel: RELABEL_TESTS=ON but GoogleTest was not found (${how})")
  endif()
endif()
