# SPDX-License-Identifier: MIT
# Finds utf8proc and gives the imported target utf8proc::utf8proc.
#
# utf8proc's own CMake package is used when it is installed; otherwise the
# header and library are looked for directly, with pkg-config's answer (if
# pkg-config is there) as hints.  Sets Utf8proc_FOUND, Utf8proc_VERSION (when
# known), Utf8proc_INCLUDE_DIR and Utf8proc_LIBRARY.

find_package(utf8proc CONFIG QUIET)
if(utf8proc_FOUND AND TARGET utf8proc::utf8proc)
  set(Utf8proc_FOUND TRUE)
  set(Utf8proc_VERSION "${utf8proc_VERSION}")
  return()
endif()

find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(PC_UTF8PROC QUIET libutf8proc)
endif()

find_path(Utf8proc_INCLUDE_DIR utf8proc.h HINTS ${PC_UTF8PROC_INCLUDE_DIRS})
find_library(Utf8proc_LIBRARY NAMES utf8proc libutf8proc HINTS ${PC_UTF8PROC_LIBRARY_DIRS})
set(Utf8proc_VERSION "${PC_UTF8PROC_VERSION}")

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Utf8proc
  REQUIRED_VARS Utf8proc_LIBRARY Utf8proc_INCLUDE_DIR
  VERSION_VAR Utf8proc_VERSION)
mark_as_advanced(Utf8proc_INCLUDE_DIR Utf8proc_LIBRARY)

# GLOBAL: a project that adds Quarn with add_subdirectory or FetchContent
# links the same target from its own folders.
if(Utf8proc_FOUND AND NOT TARGET utf8proc::utf8proc)
  add_library(utf8proc::utf8proc UNKNOWN IMPORTED GLOBAL)
  set_target_properties(utf8proc::utf8proc PROPERTIES
    IMPORTED_LOCATION "${Utf8proc_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${Utf8proc_INCLUDE_DIR}")
  # On Windows utf8proc.h declares its functions imported from a DLL unless
  # told that the library is static (libutf8proc.a, not the import library
  # libutf8proc.dll.a).
  if(WIN32 AND Utf8proc_LIBRARY MATCHES "\\.a$" AND NOT Utf8proc_LIBRARY MATCHES "\\.dll\\.a$")
    set_property(TARGET utf8proc::utf8proc PROPERTY INTERFACE_COMPILE_DEFINITIONS UTF8PROC_STATIC)
  endif()
endif()
