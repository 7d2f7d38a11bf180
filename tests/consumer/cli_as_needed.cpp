// SPDX-License-Identifier: MIT
// Calls quarn_cli alone.  Linked with --as-needed, the program records no
// need of libquarn, so libquarn_cli must find it by itself when it is loaded.
#include <CLI/CLI.hpp>
#include <quarn/cli.hpp>

#include <cstdio>

int main(int argc, char** argv) {
  CLI::App app{"cli consumer linked with --as-needed"};
  auto color = quarn::cli::style_renderer(app);
  CLI11_PARSE(app, argc, argv);
  if (color.value() != quarn::style_renderer::None) {
    std::fputs("cli --as-needed consumer: --color=never was not read\n", stderr);
    return 1;
  }
  std::puts("cli --as-needed consumer: ok");
  return 0;
}
