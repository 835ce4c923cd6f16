# Shared by the two cross toolchain files, which set KORVIX_MINGW_ARCH (the
# processor) first: mingw-w64 with posix threads (so that GoogleTest builds),
# everything linked statically so that only system DLLs load.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${KORVIX_MINGW_ARCH})
set(korvix_mingw_triple ${KORVIX_MINGW_ARCH}-w64-mingw32)

set(CMAKE_C_COMPILER ${korvix_mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${korvix_mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${korvix_mingw_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${korvix_mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
