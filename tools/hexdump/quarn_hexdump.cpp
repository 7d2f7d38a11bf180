// quarn-hexdump: a hex dump of a file or of standard input, laid out by
// Quarn's hexadecimal dump printers.
//
//   quarn-hexdump [--width N] [--color WHEN] [FILE]
//
// Each line shows the address, the bytes in hexadecimal (grouped by two) and
// the bytes as ASCII; N bytes per line (16 by default).  Without FILE, or
// with "-", standard input is read.  Addresses and the ASCII column are
// coloured when standard output is a terminal (--color=auto, the default),
// always, or never.  Exit status: 0 on success, 1 when the input cannot be
// read or the output cannot be written, and CLI11's usage-error status
// (non-zero) for bad options.
#include <CLI/CLI.hpp>
#include <quarn/cli.hpp>
#include <quarn/quarn.hpp>
#include <quarn/tty.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>

namespace {

constexpr const char* program = "quarn-hexdump";
constexpr int max_width = 65536;

// Reads the whole stream; false on a read error (errno tells which).
bool read_all(std::FILE* in, std::string& data) {
  char chunk[1 << 16];
  for (;;) {
    std::size_t n = std::fread(chunk, 1, sizeof chunk, in);
    data.append(chunk, n);
    if (n < sizeof chunk) return std::ferror(in) == 0;
  }
}

// The columns of a line of the dump, so that the margin can hold it whole.
int line_columns(int digits, int width) { return digits + 2 + (2 * width + (width - 1) / 2) + 2 + width; }

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Hex-dumps FILE, or standard input when FILE is absent or \"-\"."};
  app.name(program);
  int width = 16;
  std::string path = "-";
  app.add_option("-w,--width", width, "Bytes per line.")
      ->default_val(16)
      ->check(CLI::Range(1, max_width));
  const auto color = quarn::cli::style_renderer(app);
  app.add_option("FILE", path, "The file to dump (\"-\": standard input).");
  CLI11_PARSE(app, argc, argv);
  quarn::tty::setup_std_outputs({.style_renderer = color.value(), .margin_from_terminal = true});

  std::string data;
  const bool from_stdin = path == "-";
  std::FILE* in = from_stdin ? stdin : std::fopen(path.c_str(), "rb");
  const char* name = from_stdin ? "standard input" : path.c_str();
  if (in == nullptr) {
    std::fprintf(stderr, "%s: %s: %s\n", program, name, std::strerror(errno));
    return 1;
  }
  const bool ok = read_all(in, data);
  const int read_errno = errno;
  if (!from_stdin) std::fclose(in);
  if (!ok) {
    std::fprintf(stderr, "%s: %s: %s\n", program, name, std::strerror(read_errno));
    return 1;
  }

  // The classic dump (the layout of quarn::hex) with the addresses and the
  // ASCII column styled; the styles print nothing when not rendered.
  using namespace quarn;
  const int digits = address_digits(data.size(), width);
  const auto line = box(octets({.width = width})) + sps(2) + box(styled(Fg(Green), ascii({.width = width})));
  const auto address = styled(Fg(Cyan), hex_address(digits)) + const_(string, ": ");
  formatter& out = stdout_formatter();
  // The terminal's width when known, else wide enough for a whole line.
  if (!quarn::tty::terminal_columns(stdout)) out.set_margin(line_columns(digits, width) + 1);
  try {
    fprint(out, "%a@.", for_string(addresses(line, {.address = address, .width = width})), data);
    flush_std_outputs();
  } catch (const std::system_error& e) {
    std::fprintf(stderr, "%s: standard output: %s\n", program, e.code().message().c_str());
    return 1;
  }
  if (std::ferror(stdout) != 0) {
    std::fprintf(stderr, "%s: standard output: %s\n", program, std::strerror(errno));
    return 1;
  }
  return 0;
}
