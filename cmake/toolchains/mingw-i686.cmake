# SPDX-License-Identifier: MIT
# 32-bit Windows with MinGW-w64 (POSIX thread model): the shipping build.
# Tests run under 32-bit Wine.
set(TESSEL_MINGW_TRIPLE i686-w64-mingw32)
set(TESSEL_WINE_LOADER /usr/lib/wine/wine)
set(TESSEL_MINGW_RUNTIME libgcc_s_dw2-1.dll libstdc++-6.dll libwinpthread-1.dll)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
