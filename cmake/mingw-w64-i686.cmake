# Cross build for 32-bit Windows (relabel-<version>-win32.zip), which also
# runs on 64-bit Windows. Its tests need Wine's 32-bit side (Debian:
# wine32:i386) and a 32-bit Wine prefix (WINEARCH=win32).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(RELABEL_MINGW_TRIPLE i686-w64-mingw32)
set(RELABEL_WINE_NAMES wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
