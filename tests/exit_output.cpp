// SPDX-License-Identifier: MIT
// Prints from the destructor of a static object, after main has used the
// library (so its per-thread and exit-time state has already been torn down):
//
//   exit_output sprint   the destructor writes the text of sprint() with fputs;
//   exit_output print    the destructor prints on stdout_formatter() and does
//                        not flush.
//
// exit_output.sh runs it and checks the text it writes.
#include <quarn/quarn.hpp>

#include <cstdio>
#include <string_view>

namespace {

std::string_view mode;

// Constructed before main, so destroyed after everything main sets up.
struct print_at_exit {
  print_at_exit() = default;
  print_at_exit(const print_at_exit&) = delete;
  print_at_exit& operator=(const print_at_exit&) = delete;
  ~print_at_exit() {
    if (mode == "sprint") std::fputs(quarn::sprint("@[<hov 2>sprint at@ exit %d@]@\n", 2).c_str(), stdout);
    if (mode == "print") quarn::print("@[<hov 2>print at@ exit %d@]@\n", 2);
  }
} last;

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) mode = argv[1];
  quarn::print("%s@.", quarn::sprint("main %d", 1));
  return 0;
}
