# SPDX-License-Identifier: MIT
# The compile_fail test: configures the project of the cases (this folder's
# CMakeLists.txt) in BINARY_DIR with the settings file SETTINGS, builds every
# case at once, keeping going past the failures, and checks each: a case that
# must fail fails and prints its message, a control compiles.
#
# usage: cmake -DSOURCE_DIR=... -DBINARY_DIR=... -DSETTINGS=... -DGENERATOR=...
#              -P run.cmake

execute_process(
  COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${BINARY_DIR}" -G "${GENERATOR}" -C "${SETTINGS}"
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "configuring the compile-failure project failed:\n${output}")
endif()

if(GENERATOR MATCHES "Ninja")
  set(keep_going -k 0)
else()
  set(keep_going -k)
endif()
cmake_host_system_information(RESULT jobs QUERY NUMBER_OF_LOGICAL_CORES)
# The build fails, since most cases do: each case's outcome is read from
# what capture.sh kept.
execute_process(
  COMMAND "${CMAKE_COMMAND}" --build "${BINARY_DIR}" --parallel ${jobs} -- ${keep_going}
  RESULT_VARIABLE build_status OUTPUT_VARIABLE build_output ERROR_VARIABLE build_output)

include("${BINARY_DIR}/cases.cmake")
set(failed "")
set(missing "")
foreach(case IN LISTS cases)
  file(GLOB rc_file "${BINARY_DIR}/CMakeFiles/${case}.dir/*.rc")
  file(GLOB log_file "${BINARY_DIR}/CMakeFiles/${case}.dir/*.log")
  if(NOT rc_file OR NOT log_file)
    list(APPEND missing ${case})
    continue()
  endif()
  file(STRINGS "${rc_file}" rc LIMIT_COUNT 1)
  file(READ "${log_file}" log)
  set(problem "")
  if(case_${case}_must_fail)
    if(rc EQUAL 0)
      set(problem "compiled, but must not")
    elseif(NOT case_${case}_regex STREQUAL "" AND NOT log MATCHES "${case_${case}_regex}")
      set(problem "failed, but without the message \"${case_${case}_regex}\"")
    endif()
  elseif(NOT rc EQUAL 0)
    set(problem "did not compile")
  endif()
  if(problem)
    message("${case}: ${problem}\n${log}")
    list(APPEND failed ${case})
  else()
    message("${case}: ok")
  endif()
endforeach()

if(NOT cases OR missing)
  message(FATAL_ERROR "cases not compiled: ${missing}; the build said:\n${build_output}")
endif()
if(failed)
  message(FATAL_ERROR "compile-failure cases that went wrong: ${failed}")
endif()
