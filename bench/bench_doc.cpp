// SPDX-License-Identifier: MIT
// Lays out one large document and nothing else, to be timed from outside:
//
//   bench_doc N buffer   lays it out into a string and prints "<bytes> bytes"
//   bench_doc N null     lays it out to /dev/null and prints nothing
//
// The document is a hov list of N records, each a small box holding a nested
// hov list:
//
//   [{ a = 0; b = "xy"; c = [1; 2; 3] }; { a = 1; b = "xy"; c = [1; 2; 3] };
//    ...]
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>

#include "quarn/quarn.hpp"

namespace {

void layout(quarn::formatter& f, long n) {
  quarn::fprint(f, "@[<hov 1>[");
  for (long i = 0; i < n; ++i) {
    if (i > 0) quarn::fprint(f, ";@ ");
    quarn::fprint(f, "@[<2>{ a =@ %d;@ b =@ %S;@ c =@ [@[<hov 1>%d;@ %d;@ %d@]] }@]", i, "xy", 1, 2, 3);
  }
  quarn::fprint(f, "]@]@.");
}

int usage(const char* argv0) {
  std::fprintf(stderr, "usage: %s N buffer|null\n  N: number of records (0 or more)\n", argv0);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return usage(argv[0]);
  std::string_view count(argv[1]);
  long n = 0;
  auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), n);
  if (ec != std::errc() || end != count.data() + count.size() || n < 0) return usage(argv[0]);
  std::string_view mode(argv[2]);

  if (mode == "buffer") {
    std::string out;
    {
      quarn::formatter f(out);
      layout(f, n);
    }
    std::printf("%zu bytes\n", out.size());
    return 0;
  }
  if (mode == "null") {
    std::FILE* sink = std::fopen("/dev/null", "w");
    if (sink == nullptr) {
      std::perror("bench_doc: /dev/null");
      return 1;
    }
    {
      quarn::formatter f(sink);
      layout(f, n);
    }
    std::fclose(sink);
    return 0;
  }
  return usage(argv[0]);
}
