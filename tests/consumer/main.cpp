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
#include <string>

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
    std::puts("consumer: ok");
    return 0;
}
