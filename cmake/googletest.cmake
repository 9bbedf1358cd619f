# Finds GoogleTest for the tests and sets RELABEL_GTEST_FOUND. A cross build
# for Windows has no prebuilt GoogleTest for its target and builds Debian's
# sources with the cross compiler; a native build uses the installed package.
# Without GoogleTest, RELABEL_TESTS=ON stops the configure step with one
# line saying how to get it; AUTO builds the program and adds a single test,
# googletest_missing, that fails with that line, so that `ctest` cannot
# succeed having run nothing (with no test at all it says "No tests were
# found!!!" and exits 0, and configure's hint has long scrolled away).
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
  set(how "install GoogleTest (Debian: apt-get install libgtest-dev) and configure again, or configure with -DRELABEL_TESTS=OFF to build without the tests")
  if(RELABEL_TESTS STREQUAL "AUTO")
    message(STATUS "relabel: GoogleTest not found, so no test is built and ctest fails: ${how}")
    # Not a build error: the program, and every script that builds the whole
    # tree, still build without GoogleTest; only running the tests fails.
    enable_testing()
    add_test(NAME googletest_missing
             COMMAND sh -c "echo \"$0\"; exit 1"
                     "relabel: GoogleTest was not found, no test was built: ${how}")
  else()
    message(FATAL_ERROR "relabel: RELABEL_TESTS=ON but GoogleTest was not found: ${how}")
  endif()
endif()
