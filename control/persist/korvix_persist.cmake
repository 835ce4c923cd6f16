# The portable settings model; included from every build that needs it
# (the control object on Windows, the native tests, the fuzz build, which
# is a project of its own) and defined once.
if(NOT TARGET korvix_persist)
  get_filename_component(korvix_persist_root "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
  include(${korvix_persist_root}/codecs/checks/korvix_image_checks.cmake)
  add_library(korvix_persist STATIC
    ${korvix_persist_root}/control/persist/property_value.cpp
    ${korvix_persist_root}/control/persist/settings_procedures.cpp
    ${korvix_persist_root}/control/persist/settings_stream.cpp
    ${korvix_persist_root}/control/persist/stored_icon.cpp)
  target_include_directories(korvix_persist PUBLIC ${korvix_persist_root})
  target_link_libraries(korvix_persist PUBLIC korvix_image_checks)
endif()
