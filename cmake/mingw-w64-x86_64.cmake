# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads
# variant), producing executables that need only the DLLs Windows ships.
# Tests run under Wine: ctest starts them through the emulator below.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static C++ and thread runtimes; the image loads at a fixed base below
# 4 GiB so that code addresses in failure reports fit in eight digits.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-static -Wl,--image-base,0x400000 -Wl,--disable-dynamicbase")

find_program(RELABEL_WINE NAMES wine wine64)
if(RELABEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RELABEL_WINE})
endif()
