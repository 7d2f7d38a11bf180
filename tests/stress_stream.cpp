// SPDX-License-Identifier: MIT
// Streams a document of several hundred megabytes to /dev/null and checks
// that the peak resident size stays flat: the engine must hold only its
// look-ahead, never the document.
//
//   stress_stream [MEGABYTES]
#include <quarn/quarn.hpp>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

long peak_kb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::atol(argv[1]) : 300;
  std::FILE* null = std::fopen("/dev/null", "w");
  if (null == nullptr) {
    std::perror("/dev/null");
    return 2;
  }
  long before = 0;
  std::size_t bytes = 0;
  {
    std::size_t total = 0;
    quarn::formatter f(quarn::output_functions{[&](std::string_view s) {
                                                 total += s.size();
                                                 std::fwrite(s.data(), 1, s.size(), null);
                                               },
                                               {}});
    const auto record = quarn::dump::list(quarn::int_);
    const std::vector<int> row{1, 22, 333, 4444, 55555, 666666};
    f.open_box(quarn::box_kind::hov, 1);
    const std::size_t limit = static_cast<std::size_t>(megabytes) << 20;
    // `total` grows through the write function, out of the compiler's sight.
    for (long i = 0;; ++i) {
      if (total >= limit) break;
      quarn::fprint(f, "@[<2>{ id =@ %d;@ row =@ %a }@];@ ", i, record, row);
      if (before == 0 && total >= limit / 4) before = peak_kb();  // the steady state is reached
    }
    f.close_box();
    f.print_flush();
    bytes = total;
  }
  std::fclose(null);
  long after = peak_kb();
  std::printf("%zu bytes streamed; peak resident size %ld KB after a quarter, %ld KB at the end\n", bytes, before,
              after);
  if (after > before + 4096) {
    std::printf("FAIL: the peak resident size grew with the document\n");
    return 1;
  }
  return 0;
}
