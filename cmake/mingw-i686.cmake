# Cross toolchain: 32-bit Windows.
set(KORVIX_MINGW_ARCH i686)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake")
