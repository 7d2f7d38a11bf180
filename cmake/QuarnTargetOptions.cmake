# SPDX-License-Identifier: MIT
# Build settings shared by every target Quarn builds itself (library, tests,
# benchmarks, examples). They are PRIVATE, so nothing leaks into consumers of
# the installed package.

set(QUARN_WARNING_FLAGS -Wall -Wextra -Wpedantic)
if(QUARN_WERROR)
  list(APPEND QUARN_WARNING_FLAGS -Werror)
endif()

# The libraries and tools (not the tests, benchmarks or examples, whose
# tables and checks mix signs freely) are also kept free of shadowed names
# and of implicit conversions that may change a value: where a value does
# change type, a cast says so.
set(QUARN_STRICT_WARNING_FLAGS -Wshadow -Wconversion -Wsign-conversion)

set(QUARN_SANITIZER_FLAGS
  -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)

# quarn_target_options(<target> [STRICT]): STRICT adds QUARN_STRICT_WARNING_FLAGS.
function(quarn_target_options target)
  target_compile_options(${target} PRIVATE ${QUARN_WARNING_FLAGS})
  if("STRICT" IN_LIST ARGN)
    target_compile_options(${target} PRIVATE ${QUARN_STRICT_WARNING_FLAGS})
  endif()
  if(QUARN_SANITIZE)
    target_compile_options(${target} PRIVATE ${QUARN_SANITIZER_FLAGS})
    target_link_options(${target} PRIVATE ${QUARN_SANITIZER_FLAGS})
  endif()
endfunction()
