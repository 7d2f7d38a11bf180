# SPDX-License-Identifier: MIT
# What the tests need when cross-building (for Windows with MinGW-w64), where
# no packaged library of the build machine can be linked:
#   GoogleTest  built here, with the cross compiler, from the sources that
#               Debian's googletest package installs; GTest::gtest and
#               GTest::gtest_main as find_package(GTest) would give them;
#   fmt::fmt    {fmt} header-only (FMT_HEADER_ONLY), from the headers that
#               scripts/mingw-deps.sh copies into the cross prefix.

set(QUARN_GTEST_SOURCE_DIR "/usr/src/googletest"
  CACHE PATH "GoogleTest's sources, built with the tests when cross-compiling")

function(quarn_cross_build_gtest)
  if(NOT EXISTS "${QUARN_GTEST_SOURCE_DIR}/CMakeLists.txt")
    message(FATAL_ERROR "GoogleTest's sources were not found in ${QUARN_GTEST_SOURCE_DIR} "
                        "(install googletest, or set QUARN_GTEST_SOURCE_DIR)")
  endif()
  # Static, without gmock and without install rules: only the test programs
  # link it.
  set(BUILD_SHARED_LIBS OFF)
  set(BUILD_GMOCK OFF CACHE BOOL "Build gmock with the cross-built GoogleTest")
  set(INSTALL_GTEST OFF CACHE BOOL "Install the cross-built GoogleTest")
  add_subdirectory("${QUARN_GTEST_SOURCE_DIR}" "${CMAKE_CURRENT_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
endfunction()

quarn_cross_build_gtest()
if(NOT TARGET GTest::gtest)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()

find_path(QUARN_FMT_INCLUDE_DIR fmt/format.h)
if(NOT QUARN_FMT_INCLUDE_DIR)
  message(FATAL_ERROR "{fmt}'s headers were not found in the cross prefix (run scripts/mingw-deps.sh)")
endif()
add_library(fmt::fmt INTERFACE IMPORTED)
set_target_properties(fmt::fmt PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${QUARN_FMT_INCLUDE_DIR}"
  INTERFACE_COMPILE_DEFINITIONS FMT_HEADER_ONLY=1)
