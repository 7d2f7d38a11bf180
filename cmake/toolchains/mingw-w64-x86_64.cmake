# SPDX-License-Identifier: MIT
# Cross-builds for 64-bit Windows with Debian's MinGW-w64 compilers
# (g++-mingw-w64-x86-64-posix: the POSIX thread model, which std::thread and
# std::mutex need) and runs the built programs under Wine.
#
#   cmake -S . -B build/mingw \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
#     -DQUARN_MINGW_PREFIX=build/mingw-deps/prefix
#
# QUARN_MINGW_PREFIX is where scripts/mingw-deps.sh installs the libraries
# cross-built for this target (utf8proc, CLI11's headers); the `mingw`
# preset sets it.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUARN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUARN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUARN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUARN_MINGW_TRIPLET}-windres)

# The GCC runtime stays in its DLLs (libstdc++-6, libgcc_s_seh-1,
# libwinpthread-1; the emulator finds them, a Windows installation ships them
# beside the programs): with a copy linked into each of Quarn's DLLs and into
# the program, each would have its own std::system_category(), and error
# codes from the library would not compare equal to the program's.

# Libraries and headers come from the MinGW sysroot and the prefix of
# cross-built dependencies, never from the build machine; programs (awk, sh,
# pkg-config) from the build machine.
if(QUARN_MINGW_PREFIX)
  get_filename_component(QUARN_MINGW_PREFIX "${QUARN_MINGW_PREFIX}" ABSOLUTE)
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${QUARN_MINGW_TRIPLET} ${QUARN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config reads only the cross-built prefix's .pc files.
set(ENV{PKG_CONFIG_LIBDIR} "${QUARN_MINGW_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# Tests and other built programs run through Wine (scripts/wine-run.sh sets
# up its prefix on first use and finds the MinGW DLLs).
get_filename_component(QUARN_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../../scripts/wine-run.sh" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${QUARN_WINE_RUN}")
