// SPDX-License-Identifier: MIT
// Several threads print lines through print() at once, each line in one
// call, with a printer that prints to the same formatter again inside the
// call.  Standard output goes to a temporary file, which is read back: every
// line must come out whole, once.
#include <quarn/quarn.hpp>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

int main() {
  std::FILE* out = std::tmpfile();
  if (out == nullptr || ::dup2(fileno(out), STDOUT_FILENO) < 0) {
    std::perror("threads_print: redirecting standard output");
    return 2;
  }
  constexpr int threads = 4;
  constexpr int lines = 500;
  const auto words = [](quarn::formatter& f, const int& n) {
    for (int w = 0; w < 4; ++w) quarn::fprint(f, "@ w%d", n + w);
  };
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t)
    pool.emplace_back([t, &words] {
      for (int i = 0; i < lines; ++i) quarn::print("@[<hov 2>thread %d line %d:%a@]@.", t, i, words, i);
    });
  for (auto& th : pool) th.join();
  std::fflush(stdout);

  std::set<std::string> expected;
  for (int t = 0; t < threads; ++t)
    for (int i = 0; i < lines; ++i)
      expected.insert(quarn::sprint("thread %d line %d: w%d w%d w%d w%d", t, i, i, i + 1, i + 2, i + 3));
  std::set<std::string> seen;
  std::vector<std::string> bad;
  std::rewind(out);
  std::string line;
  for (int c; (c = std::fgetc(out)) != EOF;) {
    if (c != '\n') {
      line += static_cast<char>(c);
      continue;
    }
    if (expected.count(line) == 0 || !seen.insert(line).second) bad.push_back(line);
    line.clear();
  }
  if (!line.empty()) bad.push_back(line);
  for (const auto& b : bad) std::fprintf(stderr, "threads_print: unexpected line: %s\n", b.c_str());
  if (!bad.empty() || seen.size() != expected.size()) {
    std::fprintf(stderr, "threads_print: %zu of %zu lines whole\n", seen.size(), expected.size());
    return 1;
  }
  return 0;
}
