# What the Windows cross builds with Debian's mingw-w64 (posix threads
# variant) share; cmake/mingw-w64-x86_64.cmake and cmake/mingw-w64-i686.cmake
# set RELABEL_MINGW_TRIPLE (the tools' prefix) and the processor, then
# include this. The executables need only the DLLs Windows ships. Tests run
# under Wine: ctest starts them through the emulator below.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${RELABEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RELABEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${RELABEL_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RELABEL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static C++ and thread runtimes; the image loads at a fixed base below
# 4 GiB, with address randomisation off, so that code addresses in failure
# reports fit in eight digits and stay the same from run to run.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -Wl,--image-base,0x400000 -Wl,--disable-dynamicbase")

find_program(RELABEL_WINE NAMES ${RELABEL_WINE_NAMES})
if(RELABEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RELABEL_WINE})
endif()
