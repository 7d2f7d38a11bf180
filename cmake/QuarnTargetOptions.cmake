# SPDX-License-Identifier: MIT
# Build settings shared by every target Quarn builds itself (library, tests,
# benchmarks, examples). They are PRIVATE, so nothing leaks into consumers of
# the installed package.

set(QUARN_WARNING_FLAGS -Wall -Wextra -Wpedantic)
if(QUARN_WERROR)
  list(APPEND QUARN_WARNING_FLAGS -Werror)
endif()

set(QUARN_SANITIZER_FLAGS
  -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)

function(quarn_target_options target)
  target_compile_options(${target} PRIVATE ${QUARN_WARNING_FLAGS})
  if(QUARN_SANITIZE)
    target_compile_options(${target} PRIVATE ${QUARN_SANITIZER_FLAGS})
    target_link_options(${target} PRIVATE ${QUARN_SANITIZER_FLAGS})
  endif()
endfunction()
