# A program of GoogleTest suites that drive the registered control:
#   korvix_control_suites(<program> <ctest prefix> SUITES <names...> SOURCES <files...>
#                         [FILTER_EXTRA <pattern with @>])
# Compiles the shared main() (which registers the module) and the sources,
# and adds one CTest entry per suite, <prefix>_<suite>, running that suite
# (and FILTER_EXTRA with @ replaced by the suite's name). Without the module
# the program only compiles.
function(korvix_control_suites program prefix)
  cmake_parse_arguments(arg "" "FILTER_EXTRA" "SUITES;SOURCES" ${ARGN})
  add_executable(${program} "${CMAKE_SOURCE_DIR}/tests/wine/hostkit/registered_module_main.cpp" ${arg_SOURCES})
  target_link_libraries(${program} PRIVATE korvix_hostkit gtest)
  if(NOT TARGET korvixlite)
    return()
  endif()
  target_compile_definitions(${program} PRIVATE KORVIX_OCX_PATH="$<TARGET_FILE:korvixlite>")
  add_dependencies(${program} korvixlite)
  foreach(suite ${arg_SUITES})
    set(filter "${suite}.*")
    if(arg_FILTER_EXTRA)
      string(REPLACE "@" "${suite}" extra "${arg_FILTER_EXTRA}")
      string(APPEND filter ":${extra}")
    endif()
    add_test(NAME ${prefix}_${suite} COMMAND ${program} --gtest_filter=${filter})
    set_tests_properties(${prefix}_${suite} PROPERTIES TIMEOUT 300 LABELS wine
                         FIXTURES_REQUIRED korvix_wine_started)
  endforeach()
endfunction()
