// quarn-hexdump: a hex dump of a file or of standard input, laid out by
// Quarn's hex() printer.
//
//   quarn-hexdump [--width N] [FILE]
//
// Each line shows the address, the bytes in hexadecimal (grouped by two) and
// the bytes as ASCII; N bytes per line (16 by default).  Without FILE, or
// with "-", standard input is read.  Exit status: 0 on success, 1 when the
// input cannot be read or the output cannot be written, 2 on a usage error.
#include <quarn/quarn.hpp>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr const char* program = "quarn-hexdump";
constexpr int max_width = 65536;

void usage(std::FILE* out) {
  std::fprintf(out,
               "usage: %s [--width N] [FILE]\n"
               "Hex-dumps FILE, or standard input when FILE is absent or \"-\".\n"
               "  -w, --width N   bytes per line, from 1 to %d (default 16)\n"
               "  -h, --help      show this help\n",
               program, max_width);
}

int usage_error(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", program, message.c_str());
  usage(stderr);
  return 2;
}

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
int line_columns(std::size_t length, int width) {
  const auto w = static_cast<std::size_t>(width);
  const std::size_t largest = length == 0 ? 0 : (length - 1) / w * w;
  int digits = 1;
  while (digits < 16 && (largest >> (4 * digits)) != 0) ++digits;
  return digits + 2 + (2 * width + (width - 1) / 2) + 2 + width;
}

}  // namespace

int main(int argc, char** argv) {
  int width = 16;
  const char* path = nullptr;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    std::string_view value;
    bool is_width = false;
    if (!options_done && (arg == "-h" || arg == "--help")) {
      usage(stdout);
      return 0;
    } else if (!options_done && arg == "--") {
      options_done = true;
      continue;
    } else if (!options_done && (arg == "--width" || arg == "-w")) {
      if (i + 1 >= argc) return usage_error(std::string(arg) + " needs a value");
      value = argv[++i];
      is_width = true;
    } else if (!options_done && arg.starts_with("--width=")) {
      value = arg.substr(8);
      is_width = true;
    } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
      return usage_error("unknown option " + std::string(arg));
    } else if (path != nullptr) {
      return usage_error("more than one file given");
    } else {
      path = argv[i];
      continue;
    }
    if (is_width) {
      int n = 0;
      auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
      if (ec != std::errc() || end != value.data() + value.size() || n < 1 || n > max_width)
        return usage_error("invalid width \"" + std::string(value) + "\" (expected a whole number from 1 to " +
                           std::to_string(max_width) + ")");
      width = n;
    }
  }

  std::string data;
  const bool from_stdin = path == nullptr || std::string_view(path) == "-";
  std::FILE* in = from_stdin ? stdin : std::fopen(path, "rb");
  const char* name = from_stdin ? "standard input" : path;
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

  {
    quarn::formatter out(stdout);
    // Wide enough for a whole line, so that lines never wrap.
    out.set_margin(line_columns(data.size(), width) + 1);
    quarn::fprint(out, "%a@.", quarn::for_string(quarn::hex({.width = width})), data);
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fprintf(stderr, "%s: error writing standard output: %s\n", program, std::strerror(errno));
    return 1;
  }
  return 0;
}
