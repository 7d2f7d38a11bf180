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
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
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

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> plugins;
  std::vector<std::string> compiler_args;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if ((a == "-load" || a == "--load") && i + 1 < argc) {
      plugins.emplace_back(argv[++i]);
    } else if (a == "-h" || a == "-help" || a == "--help") {
      usage(stdout);
      return 0;
    } else if (a == "--") {
      compiler_args.assign(argv + i + 1, argv + argc);
      break;
    } else {
      std::fprintf(stderr, "quarn-top: unexpected argument %s\n", argv[i]);
      usage(stderr);
      return 2;
    }
  }

  quarn::formatter& err = quarn::stderr_formatter();
  quarn::top::line_reader reader;
  bool failed = false;
  try {
    if (reader.interactive()) quarn::top::interrupt::install();
    quarn::top::toplevel top(quarn::top::layout::of_running_executable(), std::move(compiler_args), err);
    for (const auto& p : plugins) failed = !top.load(p, err) || failed;

    if (reader.interactive()) {
      quarn::eprint("quarn-top: C++20 with Quarn; end phrases with ';'; #quit to leave.@.");
    }
    quarn::top::phrase_scanner scanner;
    std::string phrase;
    bool quit = false;
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
          using kind = quarn::top::directive::kind;
          if (d->what == kind::quit) {
            quit = true;
            break;
          }
          bool ok = false;
          if (d->argument.empty()) {
            quarn::eprint("quarn-top: #%s needs an argument.@.", d->what == kind::load ? "load" : "use");
          } else if (d->what == kind::load) {
            ok = top.load(d->argument, err);
          } else {
            ok = top.use(err, std::nullopt, quarn::top::input_file{d->argument});
          }
          failed = !ok || failed;
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
