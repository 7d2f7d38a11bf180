// SPDX-License-Identifier: MIT
// quarn-hexdump: a hex dump of a file or of standard input, laid out by
// Quarn's hexadecimal dump printers.
//
//   quarn-hexdump [--width N] [--skip OFFSET] [--length N] [--color WHEN] [FILE]
//
// Each line shows the address, the bytes in hexadecimal (grouped by two) and
// the bytes as ASCII; N bytes per line (16 by default).  Without FILE, or
// with "-", standard input is read.  --skip starts the dump OFFSET bytes into
// the input, and the addresses still count from its start; --length dumps at
// most N bytes.  Both take a decimal number or 0x and hexadecimal digits.
// Addresses and the ASCII column are coloured when standard output is a
// terminal (--color=auto, the default), always, or never.  Exit status: 0 on
// success, 1 when the input cannot be read, the output cannot be written or
// an input of unknown size finds no temporary file to wait in (see
// dump_plan), and CLI11's usage-error status (non-zero) for bad options.
// Lines wrap at the terminal's width only when standard output is a
// terminal.
//
// The input is read and dumped a block at a time, so that memory stays flat
// and the first lines of an endless input appear at once; see dump_plan for
// how the width of the address column is known before the end of the input.
#include <CLI/CLI.hpp>
#include <quarn/cli.hpp>
#include <quarn/quarn.hpp>
#include <quarn/tty.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <io.h>
#include <windows.h>
#endif

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace {

constexpr const char* program = "quarn-hexdump";
constexpr int max_width = 65536;
// Input is read ahead into a buffer of this size before the first line is
// printed (an input that fits is dumped exactly as a whole), and then read
// and dumped a buffer at a time.  It holds at least one line of the widest.
constexpr std::size_t buffer_size = std::size_t{1} << 20;
static_assert(buffer_size >= static_cast<std::size_t>(max_width));

// ---- options ----------------------------------------------------------------

// A byte count or offset: decimal digits, or 0x (0X) and hexadecimal
// digits, at most LLONG_MAX (addresses are long long).  Nothing else: no
// sign, no spaces, no suffix.
std::optional<unsigned long long> parse_count(const std::string& s) {
  int base = 10;
  std::string_view digits = s;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  }
  if (digits.empty()) return std::nullopt;
  unsigned long long n = 0;
  for (char c : digits) {
    int d = 0;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return std::nullopt;
    if (n > (static_cast<unsigned long long>(LLONG_MAX) - static_cast<unsigned>(d)) / static_cast<unsigned>(base))
      return std::nullopt;
    n = n * static_cast<unsigned>(base) + static_cast<unsigned>(d);
  }
  return n;
}

// The CLI11 check of --skip and --length: its message follows the option's
// name in CLI11's error ("--skip: ...").
const CLI::Validator count_check(
    [](std::string& s) -> std::string {
      if (parse_count(s)) return {};
      return "'" + s + "' is not a byte count: give decimal digits or 0x and hexadecimal digits, at most " +
             std::to_string(LLONG_MAX);
    },
    "", "count");

// ---- what differs on Windows -----------------------------------------------------
#ifdef _WIN32
// The C library reads and writes descriptors in text mode by default,
// turning CR LF into LF and stopping at ^Z; the dump needs every byte as it is.
void binary_std_streams() {
  ::_setmode(::_fileno(stdin), _O_BINARY);
  ::_setmode(::_fileno(stdout), _O_BINARY);
}

int open_input(const char* path) { return ::_open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT); }

// The byte count of a read() or write(), an unsigned int here; n never
// exceeds buffer_size, the bound only keeps the cast exact.
unsigned int io_count(std::size_t n) { return static_cast<unsigned int>(std::min<std::size_t>(n, INT_MAX)); }

// An unnamed temporary file in the system's temporary folder (GetTempPath:
// TMP, TEMP, USERPROFILE or the Windows folder), deleted when closed.
// tmpfile() would make it at the root of the current drive, which users
// cannot usually write.  -1 with errno when none can be made.
int windows_spool_file() {
  wchar_t dir[MAX_PATH + 1];
  wchar_t path[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, dir);
  if (n == 0 || n > MAX_PATH || GetTempFileNameW(dir, L"qhd", 0, path) == 0) {
    errno = EACCES;
    return -1;
  }
  HANDLE h = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DeleteFileW(path);
    errno = EACCES;
    return -1;
  }
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
  if (fd < 0) CloseHandle(h);
  return fd;
}
#else
void binary_std_streams() {}

int open_input(const char* path) { return ::open(path, O_RDONLY | O_CLOEXEC); }

std::size_t io_count(std::size_t n) { return n; }
#endif

// ---- input ------------------------------------------------------------------

// The input file descriptor, read with the errors reported as errno values.
struct input {
  int fd;
  const char* name;
  bool eof = false;

  // Reads up to n bytes (fewer only at the end or for a source that has no
  // more at the moment); 0 at the end.  -1 with errno on an error.
  ssize_t read_some(char* p, std::size_t n) {
    if (eof || n == 0) return 0;
    ssize_t k;
    do {
      k = ::read(fd, p, io_count(n));
    } while (k < 0 && errno == EINTR);
    if (k == 0) eof = true;
    return k;
  }

  // Reads until n bytes or the end; the count read, or -1 with errno.
  ssize_t read_full(char* p, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
      const ssize_t k = read_some(p + got, n - got);
      if (k < 0) return -1;
      if (k == 0) break;
      got += static_cast<std::size_t>(k);
    }
    return static_cast<ssize_t>(got);
  }
};

// ---- the spool's file -------------------------------------------------------

// Makes an unnamed temporary file, open for reading and writing, for the
// spool below: in TMPDIR when it is set, else or when no file can be made
// there, in the system's temporary directory.  Returns its descriptor, or -1
// with `why` naming each directory tried and its error.
//
// Where and how temporary files are made differs between systems: this
// function is the place for another system's variant.
int make_spool_file(std::string& why) {
#ifdef _WIN32
  const int fd = windows_spool_file();
  if (fd < 0) why = std::string("the system's temporary folder (") + std::strerror(errno) + ")";
  return fd;
#else
  std::vector<std::string> dirs;
  const auto add = [&dirs](std::string d) {
    if (std::find(dirs.begin(), dirs.end(), d) == dirs.end()) dirs.push_back(std::move(d));
  };
  if (const char* env = std::getenv("TMPDIR"); env != nullptr && *env != '\0') add(env);
#ifdef P_tmpdir
  add(P_tmpdir);
#endif
  add("/tmp");
  why.clear();
  for (const std::string& dir : dirs) {
    std::string path = dir + "/quarn-hexdump.XXXXXX";
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd >= 0) {
      ::unlink(path.c_str());
      return fd;
    }
    why += (why.empty() ? "" : ", ") + dir + " (" + std::strerror(errno) + ")";
  }
  return -1;
#endif
}

// Bytes held on the side until the end of an input of unknown size, in an
// unnamed temporary file (never in memory, which would grow with the input).
class spool {
public:
  spool() = default;
  spool(const spool&) = delete;
  spool& operator=(const spool&) = delete;
  ~spool() {
    if (fd_ >= 0) ::close(fd_);
  }

  [[nodiscard]] unsigned long long size() const { return size_; }

  // False with errno when the bytes cannot be written.  Exits with a message
  // when no temporary file can be made.
  bool append(const char* p, std::size_t n) {
    if (fd_ < 0) {
      std::string why;
      fd_ = make_spool_file(why);
      if (fd_ < 0) {
        std::fprintf(stderr, "%s: cannot hold the input until its end: no temporary file can be made in %s\n", program,
                     why.c_str());
        std::exit(1);
      }
    }
    for (std::size_t done = 0; done < n;) {
      const ssize_t k = ::write(fd_, p + done, io_count(n - done));
      if (k < 0 && errno == EINTR) continue;
      if (k < 0) return false;
      done += static_cast<std::size_t>(k);
    }
    size_ += n;
    return true;
  }

  // Then the bytes come back in order.  0 at the end, -1 with errno.
  ssize_t read_back(char* p, std::size_t n) {
    if (fd_ < 0) return 0;  // nothing was ever kept
    if (!rewound_) {
      if (::lseek(fd_, 0, SEEK_SET) < 0) return -1;
      rewound_ = true;
    }
    ssize_t k;
    do {
      k = ::read(fd_, p, io_count(n));
    } while (k < 0 && errno == EINTR);
    return k;
  }

private:
  int fd_ = -1;
  bool rewound_ = false;
  unsigned long long size_ = 0;
};

// ---- the address column -------------------------------------------------------

// The hexadecimal digits of `a`, at least 1 and at most 16: the column of
// the default address printer of quarn::addresses, whose largest address
// is `a`.
int digits_of(unsigned long long a) {
  int k = 1;
  while (k < 16 && (a >> (4 * k)) != 0) ++k;
  return k;
}

// The digits of the addresses of a dump of `n` bytes (n > 0) from address
// `skip`, `width` to a line: those of its last line's address.
int dump_digits(unsigned long long skip, unsigned long long n, int width) {
  const auto w = static_cast<unsigned long long>(width);
  return digits_of(skip + (n - 1) / w * w);
}

// ---- output -------------------------------------------------------------------

// The parts of a line and where they go: the address, then the octets and
// the ASCII column, each in a box as quarn::hex puts them, and around the
// address and the ASCII column the escape sequences of their colours (empty
// when styles are not rendered).
//
// The colours are those of quarn::styled(Fg(Cyan), ...) and
// quarn::styled(Fg(Green), ...) at the top level of the output, where no
// other style is in force, read once from the formatter's renderer rather
// than once per line.  A styled printer writes its sequence as three texts
// of width 0, written here as one: consecutive texts with nothing between
// them (no hint, box, tag or conditional text) are laid out as one text of
// their total width would be, since nothing can be decided between them.
struct line_printer {
  quarn::hex_address_printer address;
  quarn::octets_printer octets;
  quarn::ascii_printer ascii;
  std::string address_on, address_off, ascii_on, ascii_off;

  line_printer(int width, int digits)
      : address(quarn::hex_address(digits)),
        octets(quarn::octets({.width = width})),
        ascii(quarn::ascii({.width = width})) {}

  void operator()(quarn::formatter& f, long long a, const char* bytes, std::size_t n) const {
    const quarn::vec v{n, [bytes](std::size_t i) { return bytes[i]; }};
    if (!address_on.empty()) f.print_as(0, address_on);
    address(f, a);
    if (!address_off.empty()) f.print_as(0, address_off);
    f.print_string(": ");
    f.open_box(quarn::box_kind::b, 0);
    f.open_box(quarn::box_kind::b, 0);
    octets(f, v);
    f.close_box();
    f.print_break(2, 0);
    f.open_box(quarn::box_kind::b, 0);
    if (!ascii_on.empty()) f.print_as(0, ascii_on);
    ascii(f, v);
    if (!ascii_off.empty()) f.print_as(0, ascii_off);
    f.close_box();
    f.close_box();
  }
};

// The escape sequences that quarn::styled writes around its content at the
// top level of a formatter that renders styles.
std::pair<std::string, std::string> sgr_around(quarn::style s) {
  std::string out;
  {
    quarn::formatter f(out);
    quarn::set_style_renderer(f, quarn::style_renderer::Ansi_tty);
    quarn::styled(s, quarn::const_(quarn::char_, '|'))(f, quarn::unit{});
    f.print_flush();
  }
  const std::size_t bar = out.find('|');
  return {out.substr(0, bar), out.substr(bar + 1)};
}

// Writes the lines of a dump as quarn::addresses lays them out: a vertical
// box of lines, a break hint between two lines; a new line and a flush at
// the end.  The output can be flushed between two lines: the box then
// closes and a new one opens, after a forced new line.
class line_writer {
public:
  line_writer(quarn::formatter& out, line_printer line) : out_(out), line_(std::move(line)) {}

  void line(long long address, const char* bytes, std::size_t n) {
    if (!open_) {
      if (lines_ > 0) out_.force_newline();
      out_.open_box(quarn::box_kind::v, 0);
      open_ = true;
    } else {
      out_.print_cut();
    }
    line_(out_, address, bytes, n);
    ++lines_;
  }

  // Hands what is laid out to the output at once.
  void flush() {
    if (!open_) return;
    out_.close_box();
    out_.print_flush();
    open_ = false;
  }

  // After the last line.
  void finish() {
    if (lines_ == 0) return;
    if (open_) out_.close_box();
    out_.print_newline();
    open_ = false;
  }

private:
  quarn::formatter& out_;
  line_printer line_;
  bool open_ = false;
  unsigned long long lines_ = 0;
};

// ---- the plan of a dump -------------------------------------------------------

// What is known of the dump before its first line is printed.  The address
// column must be as wide as the largest address needs, and every line has
// the same width, so the width must be known before the first line:
//
// - An input that fits in the read-ahead buffer (and any input for which
//   --length does) is known whole: its exact size gives the width.
// - A regular file or block device whose size the system gives (and which
//   is not smaller than what was read) is dumped up to that size, or to
//   --length; a file that shrinks meanwhile ends early, with the width of
//   its size when the dump started.
// - A character device (a terminal, /dev/zero, /dev/urandom ...) may never
//   end: its dump streams, with the width of --length when given, else of
//   8 digits or more, as for any address up to 4 GiB.
// - Any other input of unknown size (a pipe, a socket, a file whose size
//   reads 0) is read to its end, or until --length bytes, into a spool (an
//   unnamed temporary file) behind the read-ahead buffer, and dumped after
//   that, with the width of its exact size: a pipe's dump is then the same
//   as the dump of a file of the same bytes, in flat memory.  With
//   --length, reading stops early once enough is read for the width to
//   reach that of --length: more input cannot change it.
struct dump_plan {
  // The bytes to dump, when known before the dump starts.
  std::optional<unsigned long long> total;
  int digits = 1;
};

// The size of what is left to read of a regular file or block device, if
// the system knows it.
std::optional<unsigned long long> size_left(int fd, const struct stat& st) {
  if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode)) return std::nullopt;
  const off_t here = ::lseek(fd, 0, SEEK_CUR);
  if (here < 0) return std::nullopt;
  off_t end = st.st_size;
  if (S_ISBLK(st.st_mode)) {
    end = ::lseek(fd, 0, SEEK_END);
    if (end < 0 || ::lseek(fd, here, SEEK_SET) < 0) return std::nullopt;
  }
  if (end <= 0) return std::nullopt;  // procfs and the like: no size given
  return end > here ? static_cast<unsigned long long>(end - here) : 0;
}

// Skips `n` bytes of the input: a seek where it can, else reading them.
// False with errno on an error.
bool skip_input(input& in, const struct stat& st, unsigned long long n, char* buffer) {
  if (n == 0) return true;
  if ((S_ISREG(st.st_mode) || S_ISBLK(st.st_mode)) && n <= static_cast<unsigned long long>(LLONG_MAX) &&
      ::lseek(in.fd, static_cast<off_t>(n), SEEK_CUR) >= 0)
    return true;
  while (n > 0) {
    const ssize_t k = in.read_some(buffer, static_cast<std::size_t>(std::min<unsigned long long>(n, buffer_size)));
    if (k < 0) return false;
    if (k == 0) return true;
    n -= static_cast<unsigned long long>(k);
  }
  return true;
}

[[noreturn]] void fail(const char* name, int err) {
  std::fflush(stdout);
  std::fprintf(stderr, "%s: %s: %s\n", program, name, std::strerror(err));
  std::exit(1);
}

// ---- parse, plan, run ------------------------------------------------------------

// The command line, checked.
struct options {
  int width = 16;
  std::string path = "-";
  unsigned long long skip = 0;
  bool limited = false;  // --length was given
  unsigned long long limit = ULLONG_MAX;
  // Without --skip or --length, an empty input still prints its one line.
  bool selected = false;
  std::optional<quarn::style_renderer> color;
};

// Reads the command line into `o`.  A status to exit with when the program
// is done already (--help, --version) or the command line is wrong.
std::optional<int> parse(int argc, char** argv, options& o) {
  CLI::App app{"Hex-dumps FILE, or standard input when FILE is absent or \"-\"."};
  app.name(program);
  // Options are -x and --xx everywhere: on Windows, CLI11 would take a path
  // such as /tmp/f for an option /tmp.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", std::string(program) + " " + quarn::version());
  std::string skip_text = "0";
  std::string length_text;
  app.add_option("-w,--width", o.width, "Bytes per line.")->default_val(16)->check(CLI::Range(1, max_width));
  app.add_option("-s,--skip", skip_text,
                 "Start OFFSET bytes into the input; addresses still count from its start.  Decimal, or 0x and "
                 "hexadecimal digits.")
      ->type_name("OFFSET")
      ->check(count_check);
  app.add_option("-n,--length", length_text, "Dump at most N bytes.  Decimal, or 0x and hexadecimal digits.")
      ->type_name("N")
      ->check(count_check);
  const auto color = quarn::cli::style_renderer(app);
  app.add_option("FILE", o.path, "The file to dump (\"-\": standard input).");
  app.footer(
      "A dump of no bytes prints one line with address 0, unless --skip or --length left nothing to dump: then "
      "nothing is printed.");
  CLI11_PARSE(app, argc, argv);
  o.skip = *parse_count(skip_text);
  o.limited = !length_text.empty();
  if (o.limited) o.limit = *parse_count(length_text);
  o.selected = app.count("--skip") > 0 || o.limited;
  o.color = color.value();
  return std::nullopt;
}

// The input being dumped: its first bytes, read ahead into `buffer`, and
// what follows them, in the spool and then still in the input.
struct source {
  input in{-1, ""};
  struct stat st{};
  std::unique_ptr<char[]> buffer;
  std::size_t have = 0;  // bytes in the buffer
  spool held;
};

// Opens the input, skips to where the dump starts, reads ahead, and decides
// the width of the addresses (see dump_plan).  Exits with a message when
// the input cannot be read.
dump_plan plan(const options& o, source& src) {
  const bool from_stdin = o.path == "-";
  input& in = src.in;
  in = input{from_stdin ? STDIN_FILENO : open_input(o.path.c_str()), from_stdin ? "standard input" : o.path.c_str()};
  if (in.fd < 0) fail(in.name, errno);
  if (::fstat(in.fd, &src.st) != 0) fail(in.name, errno);

  src.buffer.reset(new char[buffer_size]);
  if (!skip_input(in, src.st, o.skip, src.buffer.get())) fail(in.name, errno);

  dump_plan plan;
  const std::optional<unsigned long long> left = size_left(in.fd, src.st);
  {
    const auto want = static_cast<std::size_t>(std::min<unsigned long long>(o.limit, buffer_size));
    const ssize_t k = in.read_full(src.buffer.get(), want);
    if (k < 0) fail(in.name, errno);
    src.have = static_cast<std::size_t>(k);
  }
  const std::size_t have = src.have;
  if (in.eof || have == o.limit) {
    plan.total = have;
  } else if (left && *left >= have) {
    plan.total = std::min(*left, o.limit);
  } else if (S_ISCHR(src.st.st_mode)) {
    plan.digits = o.limited ? dump_digits(o.skip, o.limit, o.width) : std::max(8, digits_of(o.skip + have));
  } else {
    // Spool until the end, or until --length bytes, or until the width of
    // the addresses cannot grow any more.
    const int final_digits = o.limited ? dump_digits(o.skip, o.limit, o.width) : INT_MAX;
    unsigned long long got = have;
    std::unique_ptr<char[]> chunk(new char[1 << 16]);
    while (!in.eof && got < o.limit && dump_digits(o.skip, got, o.width) < final_digits) {
      const auto want = static_cast<std::size_t>(std::min<unsigned long long>(o.limit - got, 1 << 16));
      const ssize_t k = in.read_some(chunk.get(), want);
      if (k < 0) fail(in.name, errno);
      if (!src.held.append(chunk.get(), static_cast<std::size_t>(k))) fail("the temporary file", errno);
      got += static_cast<unsigned long long>(k);
    }
    if (in.eof || got == o.limit)
      plan.total = got;
    else
      plan.digits = final_digits;
  }
  if (plan.total) plan.digits = *plan.total == 0 ? 1 : dump_digits(o.skip, *plan.total, o.width);
  return plan;
}

// Dumps the input as planned, a buffer at a time, onto standard output.
// The exit status.
int run(const options& o, source& src, const dump_plan& plan, bool to_terminal) {
  using namespace quarn;
  formatter& out = stdout_formatter();
  line_printer line(o.width, plan.digits);
  if (get_style_renderer(out) == style_renderer::Ansi_tty) {
    std::tie(line.address_on, line.address_off) = sgr_around(Fg(Cyan));
    std::tie(line.ascii_on, line.ascii_off) = sgr_around(Fg(Green));
  }
  // The terminal's width when the output is a terminal whose width is known
  // (see the setup in main), else wide enough for a whole line, so that
  // lines never wrap: the address, ": ", the octets, two spaces and the
  // ASCII column.
  const int width = o.width;
  const int columns = plan.digits + 2 + (2 * width + (width - 1) / 2) + 2 + width;
  if (!to_terminal || !quarn::tty::terminal_columns(stdout)) out.set_margin(columns + 1);
  line_writer writer(out, std::move(line));
  const auto w = static_cast<std::size_t>(width);
  const unsigned long long skip = o.skip;
  const unsigned long long total = plan.total.value_or(o.limit);
  char* const buffer = src.buffer.get();
  std::size_t& have = src.have;
  unsigned long long done = 0;  // bytes dumped
  try {
    for (;;) {
      // The whole lines in the buffer, and the last one at the end.
      std::size_t at = 0;
      const bool last = done + have >= total;
      while (have - at >= w || (last && at < have)) {
        const std::size_t n = std::min(w, have - at);
        writer.line(static_cast<long long>(skip + done), buffer + at, n);
        at += n;
        done += n;
      }
      std::memmove(buffer, buffer + at, have - at);
      have -= at;
      if (last) break;
      // More: from the spool, then from the input.
      const auto room = static_cast<std::size_t>(std::min<unsigned long long>(buffer_size - have, total - done - have));
      ssize_t k = src.held.read_back(buffer + have, room);
      if (k == 0) k = src.in.read_some(buffer + have, room);
      if (k < 0) {
        writer.flush();
        fail(src.in.name, errno);
      }
      if (k == 0) {
        // The end (before `total` for a file that shrank): the last line,
        // shorter than the others.
        if (have > 0) writer.line(static_cast<long long>(skip + done), buffer, have);
        done += have;
        break;
      }
      // A source that had no more for now may be slow: what is laid out
      // goes out before waiting for it.
      if (static_cast<std::size_t>(k) < room && !S_ISREG(src.st.st_mode)) writer.flush();
      have += static_cast<std::size_t>(k);
    }
    if (done == 0 && !o.selected) writer.line(static_cast<long long>(skip), buffer, 0);
    writer.finish();
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

}  // namespace

int main(int argc, char** argv) {
  options o;
  if (const std::optional<int> status = parse(argc, argv, o)) return *status;
  binary_std_streams();
  // The width of the lines comes from the terminal only when the output is
  // one: into files and pipes the dump never depends on the environment
  // (COLUMNS included), since scripts read its lines.
  const bool to_terminal = ::isatty(STDOUT_FILENO) == 1;
  quarn::tty::setup_std_outputs({.style_renderer = o.color, .margin_from_terminal = to_terminal});
  source src;
  const dump_plan p = plan(o, src);
  // Nothing left to dump after --skip or --length: nothing is printed.
  if (p.total == 0ULL && o.selected) return 0;
  return run(o, src, p, to_terminal);
}
