# SPDX-License-Identifier: MIT
# The CMake package: find_package(quarn) gives quarn::quarn, and quarn::tty
# and quarn::cli (components tty and cli) when they were built.  It works
# from an install prefix (with QUARN_INSTALL) and from the build tree, for
# a project configured with -Dquarn_DIR=<this build directory>.
#
# The libraries are declared with quarn_add_library(), which records each
# target of export set S in the global property QUARN_EXPORT_S.

include(CMakePackageConfigHelpers)

set(QUARN_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/quarn"
  CACHE STRING "Where the CMake package files are installed, relative to the prefix")

# The components the package config can offer.
set(QUARN_COMPONENTS quarn)
if(TARGET quarn_tty)
  list(APPEND QUARN_COMPONENTS tty)
endif()
if(TARGET quarn_cli)
  list(APPEND QUARN_COMPONENTS cli)
endif()

get_target_property(quarn_type quarn TYPE)
if(quarn_type STREQUAL "STATIC_LIBRARY")
  set(QUARN_STATIC TRUE)
else()
  set(QUARN_STATIC FALSE)
endif()
# The package config of a static build finds utf8proc with this module, in
# the build tree as in the install.
configure_file("${PROJECT_SOURCE_DIR}/cmake/FindUtf8proc.cmake"
  "${PROJECT_BINARY_DIR}/FindUtf8proc.cmake" COPYONLY)

configure_package_config_file(
  "${PROJECT_SOURCE_DIR}/cmake/quarnConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/quarnConfig.cmake"
  INSTALL_DESTINATION "${QUARN_INSTALL_CMAKEDIR}")
write_basic_package_version_file(
  "${PROJECT_BINARY_DIR}/quarnConfigVersion.cmake"
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMinorVersion)

# quarnTargets: quarn and quarn_tty; quarnCliTargets: quarn_cli.
foreach(set quarnTargets quarnCliTargets)
  get_property(targets GLOBAL PROPERTY QUARN_EXPORT_${set})
  if(NOT targets)
    continue()
  endif()
  # The build tree's copy, beside quarnConfig.cmake.
  export(TARGETS ${targets} NAMESPACE quarn:: FILE "${PROJECT_BINARY_DIR}/${set}.cmake")
  if(QUARN_INSTALL)
    install(EXPORT ${set} NAMESPACE quarn:: DESTINATION "${QUARN_INSTALL_CMAKEDIR}" COMPONENT dev)
  endif()
endforeach()

if(QUARN_INSTALL)
  install(FILES
    "${PROJECT_BINARY_DIR}/quarnConfig.cmake"
    "${PROJECT_BINARY_DIR}/quarnConfigVersion.cmake"
    "${PROJECT_BINARY_DIR}/FindUtf8proc.cmake"
    DESTINATION "${QUARN_INSTALL_CMAKEDIR}" COMPONENT dev)
endif()
