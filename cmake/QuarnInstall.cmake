# Installation: headers, the shared library, a CMake package (find_package(quarn)
# giving quarn::quarn) and a pkg-config file.

include(CMakePackageConfigHelpers)

set(QUARN_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/quarn"
  CACHE STRING "Where the CMake package files are installed, relative to the prefix")

install(TARGETS quarn
  EXPORT quarnTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(DIRECTORY "${PROJECT_SOURCE_DIR}/src/quarn/"
  DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/quarn"
  FILES_MATCHING PATTERN "*.hpp")

install(EXPORT quarnTargets
  NAMESPACE quarn::
  DESTINATION "${QUARN_INSTALL_CMAKEDIR}")

configure_package_config_file(
  "${PROJECT_SOURCE_DIR}/cmake/quarnConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/quarnConfig.cmake"
  INSTALL_DESTINATION "${QUARN_INSTALL_CMAKEDIR}")

write_basic_package_version_file(
  "${PROJECT_BINARY_DIR}/quarnConfigVersion.cmake"
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMinorVersion)

install(FILES
  "${PROJECT_BINARY_DIR}/quarnConfig.cmake"
  "${PROJECT_BINARY_DIR}/quarnConfigVersion.cmake"
  DESTINATION "${QUARN_INSTALL_CMAKEDIR}")

# pkg-config has no notion of relocation, so quarn.pc is written when the
# install runs: `cmake --install build --prefix P` then gets prefix=P rather
# than the prefix chosen at configure time.
foreach(dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(QUARN_PC_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(QUARN_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
set(QUARN_PC_LIBS_PRIVATE "")
foreach(lib IN LISTS CMAKE_DL_LIBS)
  string(APPEND QUARN_PC_LIBS_PRIVATE " -l${lib}")
endforeach()

install(CODE "
  set(QUARN_PC_LIBDIR [==[${QUARN_PC_LIBDIR}]==])
  set(QUARN_PC_INCLUDEDIR [==[${QUARN_PC_INCLUDEDIR}]==])
  set(QUARN_PC_LIBS_PRIVATE [==[${QUARN_PC_LIBS_PRIVATE}]==])
  set(PROJECT_VERSION [==[${PROJECT_VERSION}]==])
  set(PROJECT_DESCRIPTION [==[${PROJECT_DESCRIPTION}]==])
  configure_file([==[${PROJECT_SOURCE_DIR}/cmake/quarn.pc.in]==]
                 [==[${PROJECT_BINARY_DIR}/pkgconfig/quarn.pc]==] @ONLY)
")
install(FILES "${PROJECT_BINARY_DIR}/pkgconfig/quarn.pc"
  DESTINATION "${CMAKE_INSTALL_LIBDIR}/pkgconfig")

# quarn_tty and quarn_cli.  quarn::tty joins quarn's export set; quarn::cli
# gets its own, loaded by the package config only when CLI11 is found, so
# that users of the other two do not need CLI11.
install(TARGETS quarn_tty
  EXPORT quarnTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS quarn_cli
  EXPORT quarnCliTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES
  "${PROJECT_SOURCE_DIR}/src/tty/quarn/tty.hpp"
  "${PROJECT_SOURCE_DIR}/src/cli/quarn/cli.hpp"
  DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/quarn")
install(EXPORT quarnCliTargets
  NAMESPACE quarn::
  DESTINATION "${QUARN_INSTALL_CMAKEDIR}")

install(CODE "
  set(QUARN_PC_LIBDIR [==[${QUARN_PC_LIBDIR}]==])
  set(QUARN_PC_INCLUDEDIR [==[${QUARN_PC_INCLUDEDIR}]==])
  set(PROJECT_VERSION [==[${PROJECT_VERSION}]==])
  foreach(part tty cli)
    configure_file(\"${PROJECT_SOURCE_DIR}/cmake/quarn-\${part}.pc.in\"
                   \"${PROJECT_BINARY_DIR}/pkgconfig/quarn-\${part}.pc\" @ONLY)
  endforeach()
")
install(FILES
  "${PROJECT_BINARY_DIR}/pkgconfig/quarn-tty.pc"
  "${PROJECT_BINARY_DIR}/pkgconfig/quarn-cli.pc"
  DESTINATION "${CMAKE_INSTALL_LIBDIR}/pkgconfig")
