// SPDX-License-Identifier: MIT
// quarn-top: an interactive C++ toplevel with the Quarn libraries preloaded.
//
//   quarn-top [-load LIB]... [-- CLANG_ARG...]
//
// Reads phrases from standard input, a line at a time (with line editing on
// a terminal), and runs each as soon as it is complete: declarations as they
// are, other statements once, inside a function made for them. A phrase
// spans lines while a bracket, a comment or a literal is open, or while its
// lines end with a backslash. Errors go to standard error and the toplevel
// goes on. Directives, alone on their line:
//   #load LIB    load a plug-in (a shared library) into the toplevel
//   #use FILE    run a script file, as one phrase
//   #quit        leave (as does the end of the input)
// A phrase that is an expression, without a final ';', prints its type and
// value ("- : int = 3"). On a terminal, Ctrl-C abandons the phrase being
// typed, or interrupts the one running; the toplevel goes on.
// The exit status is 1 when the interpreter cannot be started, and also,
// when standard input is not a terminal, when a phrase or directive failed
// (did not compile, threw, named a missing script or plug-in); 0 otherwise.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <quarn/format.hpp>

#include "interrupt.hpp"
#include "line_reader.hpp"
#include "phrases.hpp"
#include "toplevel.hpp"

namespace {

void usage(std::FILE* to) {
  std::fputs(
      "usage: quarn-top [-load LIB]... [-- CLANG_ARG...]\n"
      "Runs C++ phrases typed on standard input, with the Quarn libraries loaded.\n"
      "  -load LIB   load the plug-in LIB at start-up (a path, or a name looked up\n"
      "              among the installed plug-ins, e.g. quarn_top)\n"
      "  -- ARGS     pass the remaining arguments to the compiler (-I, -D, -O ...)\n"
      "Directives at the prompt: #load LIB, #use FILE, #quit.\n"
      "An expression without a final ';' prints its type and value.\n"
      "Ctrl-C abandons the phrase being typed or interrupts the one running.\n"
      "The exit status is non-zero when a phrase read from a file or pipe failed.\n"
      "Scripts named by a relative path are looked up in the current directory,\n"
      "then in $QUARN_TOP_PATH (':'-separated) if set, else in <prefix>/share/quarn\n"
      "(or <build>/share/quarn for the quarn-top of a build tree).\n",
      to);
}

// The command line.
struct options {
  std::vector<std::string> plugins;        // -load, in order
  std::vector<std::string> compiler_args;  // after "--", as they are
};

// Reads the command line into `o`.  A status to exit with when the program
// is done already (--help) or the command line is wrong.
//
// The options keep the spellings of the compiler's own driver, one dash
// (-load, -help), as well as two; CLI11 knows only the second, so the first
// is rewritten before it parses.  What follows "--" goes to the compiler
// untouched, never through CLI11.
std::optional<int> parse(int argc, char** argv, options& o) {
  std::vector<std::string> args;  // reversed, as CLI::App::parse takes them
  int end = 1;
  while (end < argc && std::string_view(argv[end]) != "--") ++end;
  if (end < argc) o.compiler_args.assign(argv + end + 1, argv + argc);
  for (int i = end - 1; i >= 1; --i) {
    const std::string_view a = argv[i];
    args.emplace_back(a == "-load" || a == "-help" ? "-" + std::string(a) : std::string(a));
  }

  CLI::App app{"quarn-top"};
  app.set_help_flag();  // usage() is the help
  app.allow_extras();   // reported below, in this program's words
  app.allow_windows_style_options(false);
  const CLI::Option* help = app.add_flag("-h,--help");
  // One plug-in per -load: "-load A B" leaves B unexpected.
  app.add_option("--load", o.plugins)->allow_extra_args(false);
  try {
    app.parse(args);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "quarn-top: %s\n", e.what());
    usage(stderr);
    return 2;
  }
  if (help->count() > 0) {
    usage(stdout);
    return 0;
  }
  if (const std::vector<std::string> extra = app.remaining(); !extra.empty()) {
    std::fprintf(stderr, "quarn-top: unexpected argument %s\n", extra.front().c_str());
    usage(stderr);
    return 2;
  }
  return std::nullopt;
}

// Runs a directive other than #quit; false when it failed.
bool run_directive(quarn::top::toplevel& top, const quarn::top::directive& d, quarn::formatter& err) {
  using kind = quarn::top::directive::kind;
  if (d.argument.empty()) {
    quarn::eprint("quarn-top: #%s needs an argument.@.", d.what == kind::load ? "load" : "use");
    return false;
  }
  if (d.what == kind::load) return top.load(d.argument, err);
  return top.use(err, std::nullopt, quarn::top::input_file{d.argument});
}

// Reads phrases and directives and runs each once complete, until the end
// of the input or #quit (then `quit` is set).  False when one failed.
bool read_and_run(quarn::top::toplevel& top, quarn::top::line_reader& reader, quarn::formatter& err, bool& quit) {
  quarn::top::phrase_scanner scanner;
  std::string phrase;
  bool failed = false;
  while (true) {
    auto line = reader.read(phrase.empty() ? "quarn> " : "   ... ");
    if (!line && reader.interrupted()) {
      // Ctrl-C while typing: the phrase is dropped, its lines included.
      phrase.clear();
      scanner.reset();
      std::fputc('\n', stdout);
      std::fflush(stdout);
      continue;
    }
    if (!line) break;
    if (phrase.empty()) {
      if (auto d = quarn::top::parse_directive(*line)) {
        reader.remember(*line);
        if (d->what == quarn::top::directive::kind::quit) {
          quit = true;
          break;
        }
        failed = !run_directive(top, *d, err) || failed;
        continue;
      }
    }
    scanner.feed(*line);
    phrase += *line;
    phrase += '\n';
    if (!scanner.complete()) continue;
    reader.remember(phrase.substr(0, phrase.size() - 1));
    failed = !top.run_phrase(phrase, err) || failed;
    phrase.clear();
    scanner.reset();
  }
  // An unfinished phrase at the end of the input still runs (and most
  // likely reports what is missing).
  if (!phrase.empty()) failed = !top.run_phrase(phrase, err) || failed;
  return !failed;
}

// Starts the interpreter, loads the plug-ins and runs what is read.  The
// exit status.
int run(options o) {
  quarn::formatter& err = quarn::stderr_formatter();
  quarn::top::line_reader reader;
  bool failed = false;
  try {
    if (reader.interactive()) quarn::top::interrupt::install();
    quarn::top::toplevel top(quarn::top::layout::of_running_executable(), std::move(o.compiler_args), err);
    for (const auto& p : o.plugins) failed = !top.load(p, err) || failed;
    if (reader.interactive()) quarn::eprint("quarn-top: C++20 with Quarn; end phrases with ';'; #quit to leave.@.");
    bool quit = false;
    failed = !read_and_run(top, reader, err, quit) || failed;
    // Leave the prompt's line after an end of input typed at a terminal.
    if (!quit && reader.interactive()) std::fputc('\n', stdout);
  } catch (const std::exception& e) {
    quarn::eprint("quarn-top: %s@.", e.what());
    return 1;
  }
  std::fflush(stdout);
  // At a terminal the user has seen each error as it came; a script piped
  // in tells its caller through the status.
  return failed && !reader.interactive() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  options o;
  if (const std::optional<int> status = parse(argc, argv, o)) return *status;
  return run(std::move(o));
}
