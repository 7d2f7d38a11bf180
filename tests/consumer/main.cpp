// Uses the installed headers and library through their public names only.
#include <quarn/quarn.hpp>

#include <cstdio>
#include <string>

int main() {
    const std::string got = quarn::sprint("@[<hov 2>hello@ %d@]", 42);
    if (got != "hello 42") {
        std::fprintf(stderr, "consumer: expected \"hello 42\", got \"%s\"\n", got.c_str());
        return 1;
    }
    std::puts("consumer: ok");
    return 0;
}
