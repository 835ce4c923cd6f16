# cmake -DFROM=<korvix_twain32.exe> -DTO=<folder> -P copy_helper.cmake
if(NOT EXISTS "${FROM}")
  message(FATAL_ERROR "${FROM} is missing: the 32-bit tree builds the helper (cmake --build build/win32 "
                      "--target korvix_twain32, as tools/test.sh and tools/main.sh do first).")
endif()
file(COPY "${FROM}" DESTINATION "${TO}")
