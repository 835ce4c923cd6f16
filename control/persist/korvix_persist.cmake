# The portable settings model; included from every build that needs it
# (the control object on Windows, the native tests) and defined once.
if(NOT TARGET korvix_persist)
  add_library(korvix_persist STATIC
    ${CMAKE_SOURCE_DIR}/control/persist/property_value.cpp
    ${CMAKE_SOURCE_DIR}/control/persist/settings_procedures.cpp
    ${CMAKE_SOURCE_DIR}/control/persist/settings_stream.cpp)
  target_include_directories(korvix_persist PUBLIC ${CMAKE_SOURCE_DIR})
endif()
