// Uses the installed headers and library through their public names only.
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
