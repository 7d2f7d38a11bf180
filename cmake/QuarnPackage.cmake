# SPDX-License-Identifier: MIT
# Debian packages through CPack: `cpack -G DEB` in a build directory.
#
#   libquarn<soversion>  the shared libraries (component runtime)
#   libquarn-dev         headers, CMake package, pkg-config files, static
#                        libraries when built (component dev)
#   quarn-tools          quarn-hexdump (component tools)
#   quarn-top            the toplevel and its plug-in (component top)
#
# Dependencies on other packages come from dpkg-shlibdeps; those between
# these packages from the components' DEPENDS.

set(CPACK_PACKAGE_NAME quarn)
set(CPACK_PACKAGE_VENDOR "The Quarn authors")
set(CPACK_PACKAGE_CONTACT "The Quarn authors <quarn@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev tools)
if(TARGET quarn-top)
  list(APPEND CPACK_COMPONENTS_ALL top)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/quarn/quarn")
# dpkg-shlibdeps finds the tools' own libraries in the build tree.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
  "${PROJECT_BINARY_DIR}/src" "${PROJECT_BINARY_DIR}/src/tty" "${PROJECT_BINARY_DIR}/src/cli")

# The first line of each description is the package's synopsis.
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(quarn_long_description
  "Quarn lays text out in boxes within a right margin, with printers for\nscalars and containers, combinators and format strings checked at compile\ntime.")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME "libquarn${QUARN_SOVERSION}")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "${PROJECT_DESCRIPTION} (libraries)\n${quarn_long_description}\n\nThis package holds the shared libraries.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libquarn-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libutf8proc-dev, libcli11-dev")
set(CPACK_COMPONENT_DEV_DESCRIPTION
  "${PROJECT_DESCRIPTION} (development files)\n${quarn_long_description}\n\nThis package holds the headers, the CMake package and the pkg-config files.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME quarn-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
  "${PROJECT_DESCRIPTION} (tools)\n${quarn_long_description}\n\nThis package holds quarn-hexdump, a hex dump for the terminal.")

set(CPACK_DEBIAN_TOP_PACKAGE_NAME quarn-top)
set(CPACK_DEBIAN_TOP_PACKAGE_SECTION devel)
set(CPACK_COMPONENT_TOP_DESCRIPTION
  "${PROJECT_DESCRIPTION} (toplevel)\n${quarn_long_description}\n\nThis package holds quarn-top, an interactive C++ toplevel that prints values.")

set(CPACK_STRIP_FILES ON)
# The shared libraries' package runs ldconfig through the trigger.
file(WRITE "${PROJECT_BINARY_DIR}/debian/triggers" "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA "${PROJECT_BINARY_DIR}/debian/triggers")

# Each package carries the licence and the changelog in /usr/share/doc.
# EXCLUDE_FROM_ALL: only the packages' component installs take them, not a
# plain `cmake --install`.
execute_process(COMMAND gzip -9nc "${PROJECT_SOURCE_DIR}/CHANGELOG.md"
  OUTPUT_FILE "${PROJECT_BINARY_DIR}/debian/changelog.gz")
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER "${component}" upper)
  set(doc "${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME}")
  install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION "${doc}" RENAME copyright
    COMPONENT ${component} EXCLUDE_FROM_ALL)
  install(FILES "${PROJECT_BINARY_DIR}/debian/changelog.gz" DESTINATION "${doc}"
    COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

if(BUILD_SHARED_LIBS)
  set(CPACK_COMPONENT_DEV_DEPENDS runtime)
  set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
  set(CPACK_COMPONENT_TOP_DEPENDS runtime dev)
else()
  set(CPACK_COMPONENTS_ALL dev tools)
endif()

include(CPack)
