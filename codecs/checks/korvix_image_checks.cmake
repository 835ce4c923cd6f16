# The portable checks of image files (and of the icons a settings record
# stores); included from every build that needs them (the codecs, the
# settings model, the native tests, the fuzz build) and defined once.
if(NOT TARGET korvix_image_checks)
  get_filename_component(korvix_image_checks_root "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
  set(korvix_image_checks_dir ${korvix_image_checks_root}/codecs/checks)
  add_library(korvix_image_checks STATIC
    ${korvix_image_checks_dir}/bmp_check.cpp
    ${korvix_image_checks_dir}/gif_check.cpp
    ${korvix_image_checks_dir}/icon_check.cpp
    ${korvix_image_checks_dir}/image_check.cpp
    ${korvix_image_checks_dir}/jpeg_check.cpp
    ${korvix_image_checks_dir}/png_check.cpp
    ${korvix_image_checks_dir}/tiff_check.cpp)
  target_include_directories(korvix_image_checks PUBLIC ${korvix_image_checks_root})
endif()
