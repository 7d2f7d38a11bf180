// SPDX-License-Identifier: MIT
// Uses the installed headers and library through their public names only.
//
// The pkg-config build compiles it as C++23 and defines
// QUARN_CONSUMER_EXPECT_CXX23: the package's flags must leave the program's
// choice of standard alone.
#if defined(QUARN_CONSUMER_EXPECT_CXX23) && __cplusplus <= 202002L
#error "the pkg-config flags brought the C++ standard down from C++23"
#endif

#include <quarn/quarn.hpp>
#include <quarn/tty.hpp>

#include <cstdio>
#include <cstring>
#include <string>

static_assert(QUARN_VERSION == QUARN_VERSION_MAJOR * 10000 + QUARN_VERSION_MINOR * 100 + QUARN_VERSION_PATCH);

int main() {
    // A formatter allows UTF-8 until told otherwise.
  quarn::tty::setup_std_outputs({.utf_8 = false});
  if (quarn::utf_8(quarn::stdout_formatter())) {
    std::fputs("consumer: setup_std_outputs did not reach stdout_formatter()\n", stderr);
    return 1;
  }
  const std::string got = quarn::sprint("@[<hov 2>hello@ %d@]", 42);
  if (got != "hello 42") {
    std::fprintf(stderr, "consumer: expected \"hello 42\", got \"%s\"\n", got.c_str());
    return 1;
  }
    // The library found at run time is the one the headers came with.
  if (std::strcmp(quarn::version(), QUARN_VERSION_STRING) != 0) {
    std::fprintf(stderr, "consumer: library %s, headers %s\n", quarn::version(), QUARN_VERSION_STRING);
    return 1;
  }
  std::puts("consumer: ok");
  return 0;
}
