// SPDX-License-Identifier: MIT
// Valid calls: every one of these must compile.
#include <quarn/quarn.hpp>

#include <string>
#include <utility>

namespace {

void print_pair(quarn::formatter& f, const std::pair<int, int>& p) { quarn::fprint(f, "(%d,@ %d)", p.first, p.second); }

struct point {
  int x;
  int y;
};

}  // namespace

void compile_ok(quarn::formatter& f) {
  const std::string name = "n";
  auto lambda = [](quarn::formatter& g, int v) { g.print_int(v); };
  quarn::fprint(f, "@[<hov 2>%d@ %i@ %u@ %x@ %X@ %o@]", 1, -2, 3U, 4L, 5LL, short{6});
  quarn::fprint(f, "%s %S %c %C %b %g %f %e", name, "lit", 'c', 'd', true, 1.0, 2.0f, 3.0);
  quarn::fprint(f, "%a %a %t", lambda, 7, print_pair, std::pair{1, 2}, [](quarn::formatter&) {});
  quarn::fprint(f, "@[<v 2>@{<tag>@<1>x@}@;<1 -2>%%@@@%%!@?@.");
  (void)quarn::sprint("%02Ld %nu %lx", 1LL, 2U, 3L);
  (void)quarn::sprint(quarn::runtime("%d"), name);  // checked only at run time
  // A braced list of printers of one type deduces that type.
  quarn::fprint(f, "%a", quarn::concat({quarn::int_, quarn::int_}), 1);
  quarn::fprint(f, "%a",
                quarn::record({quarn::field("x", &point::x, quarn::int_), quarn::field("y", &point::y, quarn::int_)}),
                point{1, 2});
}
