# libtiff, cross-built by tools/setup into $PLATTOR_DEPS/libtiff, else <root>/.deps/libtiff.
if(DEFINED ENV{PLATTOR_DEPS} AND NOT "$ENV{PLATTOR_DEPS}" STREQUAL "")
  set(PLATTOR_DEPS_DIR $ENV{PLATTOR_DEPS})
else()
  set(PLATTOR_DEPS_DIR ${PROJECT_SOURCE_DIR}/.deps)
endif()
set(PLATTOR_TIFF_DIR ${PLATTOR_DEPS_DIR}/libtiff CACHE PATH "Prefix of the cross-built libtiff")
if(NOT EXISTS ${PLATTOR_TIFF_DIR}/lib/libtiff.a OR NOT EXISTS ${PLATTOR_TIFF_DIR}/include/tiffio.h)
  message(FATAL_ERROR "libtiff is not in ${PLATTOR_TIFF_DIR}: run tools/setup (PLATTOR_DEPS chooses "
                      "where it is built)")
endif()
add_library(plattor_tiff STATIC IMPORTED GLOBAL)
set_target_properties(plattor_tiff PROPERTIES
  IMPORTED_LOCATION ${PLATTOR_TIFF_DIR}/lib/libtiff.a
  INTERFACE_INCLUDE_DIRECTORIES ${PLATTOR_TIFF_DIR}/include)
