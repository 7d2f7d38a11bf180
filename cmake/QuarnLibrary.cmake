# SPDX-License-Identifier: MIT
# How Quarn declares its libraries (quarn, quarn_tty, quarn_cli) and their
# pkg-config files.

include(GNUInstallDirs)

# 0.x releases may break the ABI at every minor version.
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(QUARN_SOVERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
else()
  set(QUARN_SOVERSION "${PROJECT_VERSION_MAJOR}")
endif()

# quarn_add_library(<target> EXPORT_NAME <name> EXPORT_SET <set>
#                   HEADERS <header>... SOURCES <file>...
#                   [LINK_PUBLIC <item>...] [LINK_PRIVATE <item>...])
#
# Declares the library <target> (shared or static as BUILD_SHARED_LIBS
# says), built from SOURCES, and its alias quarn::<name>.  HEADERS are its
# public headers, given by their path under include/ ("quarn/tty.hpp"), used
# as <quarn/...> and installed as such: a header is public only when it is
# listed.  Users need C++20 for them.  The sources include the private
# headers of the library's folder by their path from that folder.  The library gets the project's VERSION and SOVERSION and
# the shared build settings (QuarnTargetOptions.cmake).
#
# With QUARN_INSTALL, the library and its headers are installed and the
# target joins the export set <set>.  Either way it is recorded in the global
# property QUARN_EXPORT_<set>, from which QuarnInstall.cmake writes the
# build tree's export files.
#
# The installed library looks for the libraries it needs in its own
# directory first (run path $ORIGIN): a program linked with --as-needed to
# quarn_cli alone records no need of libquarn, which libquarn_cli must then
# find by itself.
function(quarn_add_library target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "EXPORT_NAME;EXPORT_SET" "HEADERS;SOURCES;LINK_PUBLIC;LINK_PRIVATE")
  if(arg_UNPARSED_ARGUMENTS OR NOT arg_EXPORT_NAME OR NOT arg_EXPORT_SET OR NOT arg_SOURCES OR NOT arg_HEADERS)
    message(FATAL_ERROR "quarn_add_library(${target}): bad arguments ${ARGN}")
  endif()

  add_library(${target} ${arg_SOURCES})
  add_library(quarn::${arg_EXPORT_NAME} ALIAS ${target})

  list(TRANSFORM arg_HEADERS PREPEND "${PROJECT_SOURCE_DIR}/include/")
  target_sources(${target} PUBLIC
    FILE_SET HEADERS BASE_DIRS "${PROJECT_SOURCE_DIR}/include" FILES ${arg_HEADERS})
  target_include_directories(${target} PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}")
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_link_libraries(${target} PUBLIC ${arg_LINK_PUBLIC} PRIVATE ${arg_LINK_PRIVATE})

  set_target_properties(${target} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${QUARN_SOVERSION}
    EXPORT_NAME ${arg_EXPORT_NAME}
    INSTALL_RPATH "$ORIGIN")
  quarn_target_options(${target} STRICT)

  set_property(GLOBAL APPEND PROPERTY QUARN_EXPORT_${arg_EXPORT_SET} ${target})
  if(QUARN_INSTALL)
    install(TARGETS ${target}
      EXPORT ${arg_EXPORT_SET}
      LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
      ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
      RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
      FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
  endif()
endfunction()

# quarn_add_pkgconfig(<target> <module>
#                     DESCRIPTION <text>
#                     [REQUIRES <module>...] [LIBS_PRIVATE <library>...])
#
# Installs <libdir>/pkgconfig/<module>.pc for the library <target>: -I of
# the include directory and -L/-l of the library, and nothing else (no -std:
# a program built for a later standard keeps it).  REQUIRES lists other
# modules ("quarn = 0.1.0", "CLI11"), LIBS_PRIVATE the names of libraries
# that static linking would need (-l<library>).
#
# pkg-config has no notion of relocation, so the file is written when the
# install runs: `cmake --install build --prefix P` then gets prefix=P rather
# than the prefix chosen at configure time.
function(quarn_add_pkgconfig target module)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "DESCRIPTION" "REQUIRES;LIBS_PRIVATE")
  if(arg_UNPARSED_ARGUMENTS OR NOT arg_DESCRIPTION)
    message(FATAL_ERROR "quarn_add_pkgconfig(${target} ${module}): bad arguments ${ARGN}")
  endif()
  if(NOT QUARN_INSTALL)
    return()
  endif()

  foreach(dir LIBDIR INCLUDEDIR)
    if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
      set(pc_${dir} "${CMAKE_INSTALL_${dir}}")
    else()
      set(pc_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
    endif()
  endforeach()
  list(JOIN arg_REQUIRES ", " pc_requires)
  list(TRANSFORM arg_LIBS_PRIVATE PREPEND "-l")
  list(JOIN arg_LIBS_PRIVATE " " pc_libs_private)

  set(template "${PROJECT_SOURCE_DIR}/cmake/quarn.pc.in")
  set(output "${PROJECT_BINARY_DIR}/pkgconfig/${module}.pc")
  install(CODE "
    set(QUARN_PC_NAME [==[${module}]==])
    set(QUARN_PC_DESCRIPTION [==[${arg_DESCRIPTION}]==])
    set(QUARN_PC_VERSION [==[${PROJECT_VERSION}]==])
    set(QUARN_PC_LIBDIR [==[${pc_LIBDIR}]==])
    set(QUARN_PC_INCLUDEDIR [==[${pc_INCLUDEDIR}]==])
    set(QUARN_PC_REQUIRES [==[${pc_requires}]==])
    set(QUARN_PC_LIB [==[$<TARGET_LINKER_FILE_BASE_NAME:${target}>]==])
    set(QUARN_PC_LIBS_PRIVATE [==[${pc_libs_private}]==])
    configure_file([==[${template}]==] [==[${output}]==] @ONLY)
  " COMPONENT dev)
  install(FILES "${output}" DESTINATION "${CMAKE_INSTALL_LIBDIR}/pkgconfig" COMPONENT dev)
endfunction()
