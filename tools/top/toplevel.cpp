// SPDX-License-Identifier: MIT
#include "toplevel.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <sstream>
#include <system_error>
#include <typeinfo>

#include <cxxabi.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <clang/Basic/Diagnostic.h>
#include <clang/Frontend/CompilerInstance.h>
#include <clang/Interpreter/Interpreter.h>
#include <llvm/Support/Error.h>
#include <llvm/Support/TargetSelect.h>
#include <llvm/Support/raw_ostream.h>

#include <quarn/detail/demangle.hpp>
#include <quarn/format.hpp>
#include <quarn/tty.hpp>

#include "interrupt.hpp"
#include "layout_paths.hpp"
#include "phrases.hpp"

namespace fs = std::filesystem;

namespace quarn::top {

namespace {

toplevel* the_toplevel = nullptr;

std::vector<std::string> split(std::string_view s, char sep) {
  std::vector<std::string> out;
  while (true) {
    const auto at = s.find(sep);
    const std::string_view item = s.substr(0, at);
    if (!item.empty()) out.emplace_back(item);
    if (at == std::string_view::npos) break;
    s.remove_prefix(at + 1);
  }
  return out;
}

fs::path running_executable() {
  std::error_code ec;
  fs::path p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path{} : p;
}

bool same_file(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return !a.empty() && !b.empty() && fs::equivalent(a, b, ec) && !ec;
}

// clang's line about the file it starts from, which is no file of the user's.
constexpr std::string_view dummy_input_line = "In file included from <<< inputs >>>:1:";

// Writes text of several lines (a compiler report, or a message ending with
// a new line) to a formatter as it is, line by line, then flushes.
void write_report(quarn::formatter& f, std::string_view report) {
  while (!report.empty()) {
    const auto eol = report.find('\n');
    const std::string_view line = report.substr(0, eol);
    if (line != dummy_input_line) {
      f.print_string(line);
      // Text after the last new line (the end of a colour) stays on it.
      if (eol != std::string_view::npos) f.force_newline();
    }
    if (eol == std::string_view::npos) break;
    report.remove_prefix(eol + 1);
  }
  f.print_flush();
}

// What clang writes to standard error while parsing, kept aside so that the
// toplevel can write it on the diagnostics formatter of the phrase or script
// (see use_input), in order with its own messages. The compiler writes
// its diagnostics straight to file descriptor 2 (unbuffered), so that
// descriptor is pointed at an anonymous memory file for the time of a
// parse. Without a memory file the diagnostics go to standard error as usual.
class stderr_capture {
public:
  stderr_capture() {
    std::fflush(stderr);
    llvm::errs().flush();
    fd_ = ::memfd_create("quarn-top-diagnostics", MFD_CLOEXEC);
    if (fd_ < 0) return;
    saved_ = ::dup(STDERR_FILENO);
    if (saved_ < 0 || ::dup2(fd_, STDERR_FILENO) < 0) {
      if (saved_ >= 0) ::close(saved_);
      ::close(fd_);
      fd_ = saved_ = -1;
    }
  }
  ~stderr_capture() { (void)finish(); }
  stderr_capture(const stderr_capture&) = delete;
  stderr_capture& operator=(const stderr_capture&) = delete;

  // Restores standard error and returns what was written meanwhile.
  std::string finish() {
    std::string text;
    if (fd_ < 0) return text;
    llvm::errs().flush();
    std::fflush(stderr);
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
    ::lseek(fd_, 0, SEEK_SET);
    char buf[4096];
    ssize_t n = 0;
    while ((n = ::read(fd_, buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR)) {
      if (n > 0) text.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd_);
    fd_ = saved_ = -1;
    return text;
  }

private:
  int fd_ = -1;
  int saved_ = -1;
};

// After an interrupted phrase: what the phrase printed on Quarn's standard
// formatters is written out, and the boxes it left open are closed, so that
// the next phrase starts a new document.
void reset_std_formatters() {
  for (quarn::formatter* f : {&quarn::stdout_formatter(), &quarn::stderr_formatter()}) {
    try {
      f->print_flush();
    } catch (...) {
      // A write error is the phrase's; the formatter has dropped its document.
    }
  }
}

// The name of the type of the exception being handled, demangled.
std::string current_exception_type() {
  const std::type_info* t = abi::__cxa_current_exception_type();
  return t == nullptr ? "unknown type" : quarn::detail::demangle(t->name());
}

// Colours as quarn_tty would choose them for standard error.
bool colour_diagnostics() {
  return quarn::tty::detect_style_renderer(stderr) == quarn::style_renderer::Ansi_tty;
}

}  // namespace

layout layout::of_running_executable() {
  layout l;
  const fs::path exe = running_executable();
  const fs::path exe_dir = exe.parent_path();
  fs::path share_dir;
  if (same_file(exe, fs::path(paths::build_executable))) {
    for (auto lib : paths::build_libraries) l.preload.emplace_back(lib);
    l.include_dirs = split(paths::build_include_dirs, ';');
    l.plugin_dir = fs::path(paths::build_plugin_dir);
    share_dir = fs::path(paths::build_share_dir);
  } else {
    const fs::path lib_dir = exe_dir / paths::installed_lib_dir;
    for (auto lib : paths::installed_libraries) l.preload.push_back((lib_dir / lib).lexically_normal().string());
    l.include_dirs.push_back((exe_dir / paths::installed_include_dir).lexically_normal().string());
    l.plugin_dir = (exe_dir / paths::installed_plugin_dir).lexically_normal();
    share_dir = (exe_dir / paths::installed_share_dir).lexically_normal();
  }
  if (const char* path = std::getenv("QUARN_TOP_PATH")) {
    for (auto& dir : split(path, ':')) l.script_dirs.emplace_back(dir);
  } else {
    l.script_dirs.push_back(share_dir);
  }
  return l;
}

struct toplevel::impl {
  layout where;
  std::unique_ptr<clang::Interpreter> interpreter;
  unsigned serial = 0;  // names the wrappers of statements
  bool value_printer_included = false;  // quarn_top_value.hpp

  struct parsed {
    clang::PartialTranslationUnit* unit = nullptr;
    std::string report;
  };

  parsed parse(const std::string& code) {
    parsed a;
    // Stopping clang half-way would leave it broken: a Ctrl-C waits.
    const interrupt::shield shield;
    stderr_capture capture;
    auto unit = interpreter->Parse(code);
    a.report = capture.finish();
    if (unit) {
      a.unit = &*unit;
    } else {
      std::string message = llvm::toString(unit.takeError());
      if (a.report.empty()) a.report = "quarn-top: " + message + "\n";
      // After a failed phrase the interpreter resets its diagnostics engine,
      // and with it the settings made from the command line: warnings in
      // system headers would show again, hundreds for the next #include.
      // Make them again.
      const clang::CompilerInstance& ci = *interpreter->getCompilerInstance();
      clang::ProcessWarningOptions(ci.getDiagnostics(), ci.getDiagnosticOpts(), /*ReportDiags=*/false);
    }
    return a;
  }

  // Runs a parsed unit; reports what goes wrong (a link error, an escaping
  // exception) on `diagnostics`, after `name` ("" or "NAME: ").
  bool execute(clang::PartialTranslationUnit& unit, quarn::formatter& diagnostics, const std::string& name) {
    if (unit.TheModule == nullptr) return true;
    std::string failure;
    try {
      struct call {
        clang::Interpreter& interpreter;
        clang::PartialTranslationUnit& unit;
        std::string error;
      } c{*interpreter, unit, {}};
      const bool completed = interrupt::run_interruptible(
          [](void* p) {
            auto& c = *static_cast<call*>(p);
            if (auto err = c.interpreter.Execute(c.unit)) c.error = llvm::toString(std::move(err));
          },
          &c);
      if (!completed) {
        failure = "quarn-top: " + name + "interrupted";
        reset_std_formatters();
      } else if (!c.error.empty()) {
        failure = "quarn-top: " + c.error;
      }
    } catch (const std::exception& e) {
      failure = "quarn-top: " + name + "uncaught exception " + current_exception_type() + ": " + e.what();
    } catch (...) {
      failure = "quarn-top: " + name + "uncaught exception of type " + current_exception_type();
    }
    // Whatever the code printed with C stdio reaches its destination before
    // the toplevel goes on.
    std::fflush(stdout);
    if (failure.empty()) return true;
    write_report(diagnostics, failure + "\n");
    return false;
  }

  // Runs code as one phrase; with `statements`, a phrase that reads as
  // statements is wrapped first (see classify).
  bool run(std::string_view code, quarn::formatter& diagnostics, const std::string& name, bool statements) {
    if (is_blank(code)) return true;
    std::string text(code);
    if (statements && classify(code) == phrase_kind::statements) {
      if (const auto e = split_expression(code)) {
        // The printer of values comes in with the first expression.
        if (!value_printer_included) {
          value_printer_included = run("#include <quarn_top_value.hpp>\n", diagnostics, name, false);
          if (!value_printer_included) return false;
        }
        text = wrap_expression(*e, ++serial);
      } else {
        text = wrap_statements(code, ++serial);
      }
    }
    parsed a = parse(text);
    // Warnings, or the errors.
    if (!a.report.empty()) write_report(diagnostics, a.report);
    return a.unit != nullptr && execute(*a.unit, diagnostics, name);
  }
};

toplevel::toplevel(layout where, std::vector<std::string> compiler_args, quarn::formatter& diagnostics)
    : impl_(std::make_unique<impl>()) {
  if (the_toplevel != nullptr) throw std::runtime_error("a toplevel is already running");
  impl_->where = std::move(where);

  llvm::InitializeNativeTarget();
  llvm::InitializeNativeTargetAsmPrinter();

  std::vector<std::string> args = {"-std=c++20", "-resource-dir", std::string(paths::clang_resource_dir),
                                   // clang 14 misses some template instances when code comes in
                                   // piece by piece unless every declaration is emitted.
                                   "-femit-all-decls",
                                   colour_diagnostics() ? "-fcolor-diagnostics" : "-fno-color-diagnostics"};
  for (const auto& dir : impl_->where.include_dirs) args.push_back("-I" + dir);
  for (auto& a : compiler_args) args.push_back(std::move(a));
  std::vector<const char*> argv;
  argv.reserve(args.size());
  for (const auto& a : args) argv.push_back(a.c_str());

  auto compiler = clang::IncrementalCompilerBuilder::create(argv);
  if (!compiler) throw std::runtime_error("cannot start the compiler: " + llvm::toString(compiler.takeError()));
  auto interpreter = clang::Interpreter::create(std::move(*compiler));
  if (!interpreter) {
    throw std::runtime_error("cannot start the interpreter: " + llvm::toString(interpreter.takeError()));
  }
  impl_->interpreter = std::move(*interpreter);

  // The interpreter finds the symbols of typed code in the process, among
  // the libraries loaded with RTLD_GLOBAL.
  for (const auto& lib : impl_->where.preload) {
    if (::dlopen(lib.c_str(), RTLD_NOW | RTLD_GLOBAL) == nullptr) {
      const char* why = ::dlerror();
      write_report(diagnostics, "quarn-top: cannot preload " + lib + ": " + (why ? why : "unknown error") + "\n");
    }
  }
  the_toplevel = this;
}

toplevel::~toplevel() {
  if (the_toplevel == this) the_toplevel = nullptr;
}

toplevel* toplevel::running() noexcept { return the_toplevel; }

bool toplevel::run_phrase(std::string_view code, quarn::formatter& diagnostics) {
  return impl_->run(code, diagnostics, "", true);
}

std::optional<fs::path> toplevel::find_script(const fs::path& name) const {
  std::error_code ec;
  if (name.is_absolute()) {
    if (fs::is_regular_file(name, ec)) return name;
    return std::nullopt;
  }
  if (fs::is_regular_file(name, ec)) return name;
  for (const auto& dir : impl_->where.script_dirs) {
    fs::path p = dir / name;
    if (fs::is_regular_file(p, ec)) return p;
  }
  return std::nullopt;
}

bool toplevel::use(quarn::formatter& diagnostics, const std::optional<std::string>& name, const input& in) {
  if (const auto* s = std::get_if<input_string>(&in)) {
    return impl_->run(s->text, diagnostics, name.value_or("(string)") + ": ", true);
  }
  const auto& file = std::get<input_file>(in);
  const std::string shown = name.value_or(file.path);
  const auto found = find_script(file.path);
  if (!found) {
    std::string where = "the current directory";
    if (!fs::path(file.path).is_absolute()) {
      for (const auto& dir : impl_->where.script_dirs) where += ", " + dir.string();
    }
    fprint(diagnostics, "@[<hov 2>quarn-top: cannot find the script@ \"%s\"@ (looked in %s).@]@.", shown, where);
    return false;
  }
  std::ifstream stream(*found, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  if (!stream) {
    fprint(diagnostics, "@[<hov 2>quarn-top: cannot read the script@ %s.@]@.", found->string());
    return false;
  }
  // A whole file is one phrase, so that it may span lines freely; it is
  // read as declarations only.
  return impl_->run(text.str(), diagnostics, shown + ": ", false);
}

bool toplevel::load(std::string_view library, quarn::formatter& diagnostics) {
  std::string path(library);
  if (path.find('/') == std::string::npos) {
    std::error_code ec;
    for (const std::string& candidate : {path, path + ".so"}) {
      const fs::path p = impl_->where.plugin_dir / candidate;
      if (fs::is_regular_file(p, ec)) {
        path = p.string();
        break;
      }
    }
  }
  // Flush what earlier phrases printed: the plug-in may print while it loads.
  std::fflush(stdout);
  // Leaving the dynamic linker half-way would leave it locked: a Ctrl-C
  // waits.
  const interrupt::shield shield;
  if (::dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL) == nullptr) {
    const char* why = ::dlerror();
    write_report(diagnostics, "quarn-top: cannot load " + std::string(library) + ": " + (why ? why : "unknown error") + "\n");
    return false;
  }
  std::fflush(stdout);
  return true;
}

bool use_input(quarn::formatter& diagnostics, std::optional<std::string> name, const input& in) noexcept {
  try {
    toplevel* t = toplevel::running();
    if (t == nullptr) {
      write_report(diagnostics, "quarn-top: use_input called with no toplevel running\n");
      return false;
    }
    return t->use(diagnostics, name, in);
  } catch (...) {
    return false;
  }
}

}  // namespace quarn::top
