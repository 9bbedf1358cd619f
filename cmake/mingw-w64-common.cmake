# What the Windows cross builds with Debian's mingw-w64 (win32 threads
# variant) share; cmake/mingw-w64-x86_64.cmake and cmake/mingw-w64-i686.cmake
# set RELABEL_MINGW_TRIPLE (the tools' prefix) and the processor, then
# include this. The executables need only the DLLs Windows ships. Tests run
# under Wine: ctest starts them through the emulator below.
set(CMAKE_SYSTEM_NAME Windows)

# The win32 thread model: the posix one links its threads runtime, which
# imports functions that Windows XP lacks (GetTickCount64).
set(CMAKE_C_COMPILER ${RELABEL_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${RELABEL_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${RELABEL_MINGW_TRIPLE}-windres)
# The win32 thread model has no std::mutex, on which GoogleTest builds its
# Notification; GoogleTest takes the port's own from the folder below, which
# quoted includes search first. No source of relabel includes from there.
set(CMAKE_CXX_FLAGS_INIT
    "-iquote ${CMAKE_CURRENT_LIST_DIR}/../tests/windows/googletest")

set(CMAKE_FIND_ROOT_PATH /usr/${RELABEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime linked statically; the image loads at a fixed base below
# 4 GiB, with address randomisation off, so that code addresses in failure
# reports fit in eight digits and stay the same from run to run.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -Wl,--image-base,0x400000 -Wl,--disable-dynamicbase")

# The loader of the programs' own word size, found where Debian keeps it:
# its `wine` starts the 32-bit loader whenever wine32 is installed, which a
# kernel without 32-bit programs cannot run even for a 64-bit program.
find_program(RELABEL_WINE NAMES ${RELABEL_WINE_NAMES} HINTS /usr/lib/wine)
if(RELABEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RELABEL_WINE})
endif()
