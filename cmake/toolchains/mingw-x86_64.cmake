# SPDX-License-Identifier: MIT
# 64-bit Windows with MinGW-w64 (POSIX thread model); tests run under wine64.
set(TESSEL_MINGW_TRIPLE x86_64-w64-mingw32)
set(TESSEL_WINE_LOADER /usr/lib/wine/wine64)
set(TESSEL_MINGW_RUNTIME libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
