# Cross build for 64-bit Windows (relabel-<version>-win64.zip).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(RELABEL_MINGW_TRIPLE x86_64-w64-mingw32)
set(RELABEL_WINE_NAMES wine64 wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
