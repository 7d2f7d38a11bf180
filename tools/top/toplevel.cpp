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

#include <clang/AST/ASTConsumer.h>
#include <clang/AST/ASTContext.h>
#include <clang/AST/ASTMutationListener.h>
#include <clang/AST/Decl.h>
#include <clang/AST/DeclContextInternals.h>
#include <clang/Basic/Diagnostic.h>
#include <clang/Basic/SourceManager.h>
#include <clang/Frontend/CompilerInstance.h>
#include <clang/Interpreter/Interpreter.h>
#include <clang/Lex/PPCallbacks.h>
#include <clang/Lex/Preprocessor.h>
#include <llvm/ExecutionEngine/Orc/LLJIT.h>
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

// What is written to a file descriptor for a while, kept aside: the
// descriptor is pointed at an anonymous memory file meanwhile. Without a
// memory file the text goes to the descriptor as usual.
//
// The toplevel uses it for what clang writes to standard error while
// parsing, so that it can write it on the diagnostics formatter of the
// phrase or script (see use_input), in order with its own messages: the
// compiler writes its diagnostics straight to file descriptor 2
// (unbuffered).
class output_capture {
public:
  explicit output_capture(int fd = STDERR_FILENO, std::FILE* stream = stderr) : target_(fd), stream_(stream) {
    std::fflush(stream_);
    llvm::errs().flush();
    fd_ = ::memfd_create("quarn-top-capture", MFD_CLOEXEC);
    if (fd_ < 0) return;
    saved_ = ::dup(target_);
    if (saved_ < 0 || ::dup2(fd_, target_) < 0) {
      if (saved_ >= 0) ::close(saved_);
      ::close(fd_);
      fd_ = saved_ = -1;
    }
  }
  ~output_capture() { (void)finish(); }
  output_capture(const output_capture&) = delete;
  output_capture& operator=(const output_capture&) = delete;

  // Restores the descriptor and returns what was written meanwhile.
  std::string finish() {
    std::string text;
    if (fd_ < 0) return text;
    llvm::errs().flush();
    std::fflush(stream_);
    ::dup2(saved_, target_);
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
  int target_;
  std::FILE* stream_;
  int fd_ = -1;
  int saved_ = -1;
};

void write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the phrase's output channel is gone; nothing to tell
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

// Ends the document a failed phrase left on a standard formatter writing to
// `fd`: its open boxes are closed and what is pending written out, and its
// last line is ended, so that the next phrase starts a new document at
// column 0. The formatter cannot tell its column, so the pending text is
// caught on its way out to see whether it ends a line; blanks after its last
// new line are the indentation of a line that got no text, and are dropped.
void end_failed_document(quarn::formatter& f, int fd, std::FILE* stream) {
  output_capture capture(fd, stream);
  try {
    f.print_flush();
  } catch (...) {
    // A write error is the phrase's; the formatter has dropped its document.
  }
  std::string text = capture.finish();
  if (text.empty()) return;
  const auto last = text.find_last_not_of(" \t");
  if (last != std::string::npos && text[last] == '\n') text.resize(last + 1);
  if (text.back() != '\n') text += '\n';
  write_all(fd, text);
}

// After a phrase that threw or was interrupted: what it printed on Quarn's
// standard formatters is written out, its boxes closed and its last line
// ended, so that the next phrase (and the toplevel's message about this one)
// starts a new document.
void reset_std_formatters() {
  std::fflush(stdout);
  std::fflush(stderr);
  end_failed_document(quarn::stdout_formatter(), STDOUT_FILENO, stdout);
  end_failed_document(quarn::stderr_formatter(), STDERR_FILENO, stderr);
}

// ---- rolling a failed phrase back ----
//
// clang 19's interpreter drops a phrase that does not compile: it removes
// from the lookup table every top-level name whose newest declaration comes
// from the phrase. Its clean-up falls short in four ways, made good here:
//  - it crashes on a top-level declaration without a name (a lambda's class,
//    an unnamed namespace, struct or enum) or a using directive: those are
//    taken out of the phrase before that clean-up runs;
//  - it removes a name that earlier phrases declared when the phrase
//    declares it again (a namespace reopened, a function declared again):
//    the earlier declaration is put back;
//  - it removes what headers included by the phrase declared (`std` itself,
//    after a script with an #include fails), while their include guards keep
//    them from being read again: those declarations are kept, as the headers
//    compiled, and their code is generated when used;
//  - it leaves the names the phrase declared inside namespaces: those are
//    removed.

// Whether a declaration is written in a phrase's own text rather than in a
// header: each phrase is read as a file included from the interpreter's main
// file.
bool in_phrase_text(const clang::SourceManager& sm, const clang::Decl& d) {
  const clang::SourceLocation at = sm.getExpansionLoc(d.getLocation());
  if (at.isInvalid()) return true;
  const clang::SourceLocation included_at = sm.getIncludeLoc(sm.getFileID(at));
  return included_at.isValid() && sm.getFileID(included_at) == sm.getMainFileID();
}

// The newest declaration that `d` redeclares from outside the failed
// phrase's part `failed`, if any.
clang::NamedDecl* previous_outside(const clang::NamedDecl& d, const clang::TranslationUnitDecl* failed) {
  for (const clang::Decl* p = d.getPreviousDecl(); p != nullptr; p = p->getPreviousDecl()) {
    if (p->getTranslationUnitDecl() != failed)
      return const_cast<clang::NamedDecl*>(llvm::dyn_cast<clang::NamedDecl>(p));
  }
  return nullptr;
}

// Removes `d` from the lookup table of its context (and of the enclosing
// ones it is visible in), putting back the declaration it redeclared from
// outside `failed`, if any.
void drop_from_lookup(clang::NamedDecl* d, const clang::TranslationUnitDecl* failed) {
  clang::NamedDecl* previous = previous_outside(*d, failed);
  for (clang::DeclContext* dc = d->getDeclContext(); dc != nullptr; dc = dc->getParent()) {
    if (clang::StoredDeclsMap* map = dc->getPrimaryContext()->getLookupPtr()) {
      const auto entry = map->find(d->getDeclName());
      if (entry != map->end()) {
        clang::StoredDeclsList& list = entry->second;
        bool found = false;
        for (clang::NamedDecl* in : list.getLookupResult()) found = found || in == d;
        if (found) {
          list.remove(d);
          if (previous != nullptr) {
            list.addOrReplaceDecl(previous);
          } else if (list.isNull()) {
            map->erase(entry);
          }
        }
      }
    }
    if (!dc->isTransparentContext()) break;
  }
}

// Whether clang's clean-up crashes on a top-level declaration of this name.
bool unnamed(const clang::NamedDecl& d) {
  const clang::DeclarationName name = d.getDeclName();
  return name.isEmpty() || name.getNameKind() == clang::DeclarationName::CXXUsingDirective;
}

// Takes the declarations clang's clean-up crashes on out of the failed
// phrase's part `tu`.
void take_out_unnamed(clang::TranslationUnitDecl& tu) {
  const std::vector<clang::Decl*> decls(tu.decls_begin(), tu.decls_end());
  for (clang::Decl* d : decls) {
    auto* named = llvm::dyn_cast<clang::NamedDecl>(d);
    if (named == nullptr || !unnamed(*named)) continue;
    if (!named->getDeclName().isEmpty()) {
      // removeDecl also removes a using directive from the lookup table, and
      // needs it there.
      const clang::StoredDeclsMap* map = tu.getPrimaryContext()->getLookupPtr();
      if (map != nullptr && map->find(named->getDeclName()) == map->end()) continue;
    }
    tu.removeDecl(named);
  }
}

// A failed phrase's definition of a function declared before stays in the
// function's chain of declarations, where it would make the next definition
// a redefinition, and its code the function's: it becomes a declaration.
void forget_body(clang::NamedDecl& d) {
  if (auto* f = llvm::dyn_cast<clang::FunctionDecl>(&d)) f->setBody(nullptr);
}

// Removes the names that the failed phrase `failed` declared in its text
// inside the namespace (or linkage block) `dc`.
void forget_members(clang::DeclContext& dc, const clang::TranslationUnitDecl* failed, const clang::SourceManager& sm) {
  for (clang::Decl* d : dc.decls()) {
    if (llvm::isa<clang::NamespaceDecl, clang::LinkageSpecDecl>(d)) {
      forget_members(*llvm::cast<clang::DeclContext>(d), failed, sm);
    }
    auto* named = llvm::dyn_cast<clang::NamedDecl>(d);
    if (named != nullptr && !named->getDeclName().isEmpty() && in_phrase_text(sm, *named)) {
      drop_from_lookup(named, failed);
      if (previous_outside(*named, failed) != nullptr) forget_body(*named);
    }
  }
}

// After clang's clean-up of the failed phrase's part `failed`: see above.
// The header declarations kept are added to `kept`, for the code generator.
void repair_after_failure(clang::DeclContext& dc, const clang::TranslationUnitDecl* failed,
                          const clang::SourceManager& sm, std::vector<const clang::Decl*>& kept) {
  for (clang::Decl* d : dc.decls()) {
    if (llvm::isa<clang::LinkageSpecDecl>(d)) {
      repair_after_failure(*llvm::cast<clang::DeclContext>(d), failed, sm, kept);
      continue;
    }
    auto* named = llvm::dyn_cast<clang::NamedDecl>(d);
    if (named == nullptr || named->getDeclName().isEmpty()) continue;
    if (!in_phrase_text(sm, *named)) {
      named->getDeclContext()->makeDeclVisibleInContext(named);
      kept.push_back(named);
      continue;
    }
    if (clang::NamedDecl* previous = previous_outside(*named, failed)) {
      previous->getDeclContext()->makeDeclVisibleInContext(previous);
      forget_body(*named);
    }
    if (auto* ns = llvm::dyn_cast<clang::NamespaceDecl>(named)) forget_members(*ns, failed, sm);
  }
}

// Template instances of a failed phrase. clang hands the code generator each
// function it instantiates; while a phrase has errors the code generator
// ignores what it is handed, and the function is never handed again, so a
// later phrase using the same instance would miss its code; an instance
// still waiting to be instantiated is dropped, yet marked as instantiated.
// So, for the functions a failed phrase used: those instantiated are handed
// to the code generator again before the next phrase (it emits them when they
// are used), the others are marked as never instantiated (the next use
// instantiates them).
class instantiation_log : public clang::ASTMutationListener {
public:
  void DeclarationMarkedUsed(const clang::Decl* d) override {
    if (const auto* f = llvm::dyn_cast<clang::FunctionDecl>(d)) used_.push_back(f);
  }
  void VariableDefinitionInstantiated(const clang::VarDecl* d) override {
    if (d->isFileVarDecl() || d->isStaticDataMember()) made_.push_back(d);
  }

  // Called as a phrase starts: hands the definitions of the last failed
  // phrases to the code generator, which has forgotten their errors by then.
  void start(clang::ASTConsumer& code_generator) {
    std::vector<const clang::Decl*> again;
    again.swap(failed_);
    for (const clang::Decl* d : again) {
      if (d->isInvalidDecl()) continue;
      code_generator.HandleTopLevelDecl(clang::DeclGroupRef(const_cast<clang::Decl*>(d)));
    }
    made_.clear();
    used_.clear();
  }

  // Declarations of a failed phrase to hand to the code generator again.
  void hand_again(const std::vector<const clang::Decl*>& decls) {
    failed_.insert(failed_.end(), decls.begin(), decls.end());
  }

  // Called when the phrase failed.
  void failed() {
    for (const clang::FunctionDecl* f : used_) {
      auto* g = const_cast<clang::FunctionDecl*>(f);
      auto* info = g->getTemplateSpecializationInfo();
      auto* member = g->getMemberSpecializationInfo();
      if (info == nullptr && member == nullptr) continue;
      if (const clang::FunctionDecl* definition = nullptr; g->isDefined(definition)) {
        made_.push_back(definition);
      } else if (info != nullptr) {
        info->setPointOfInstantiation(clang::SourceLocation());
        g->setInstantiationIsPending(false);
      } else {
        member->setPointOfInstantiation(clang::SourceLocation());
        g->setInstantiationIsPending(false);
      }
    }
    failed_.insert(failed_.end(), made_.begin(), made_.end());
    made_.clear();
    used_.clear();
  }

private:
  std::vector<const clang::FunctionDecl*> used_;
  std::vector<const clang::Decl*> made_;
  std::vector<const clang::Decl*> failed_;
};

// Sits between clang and its diagnostics printer, and in its preprocessor,
// to see a failed phrase before clang cleans it up: when its text ends with
// errors, or when an error comes after that (from a template instantiated
// at the end of the phrase).
class failure_watch : public clang::DiagnosticConsumer {
public:
  failure_watch(clang::CompilerInstance& ci, clang::DiagnosticConsumer* printer,
                std::unique_ptr<clang::DiagnosticConsumer> owned)
      : ci_(ci), printer_(printer), owned_(std::move(owned)) {}

  // Called as a phrase starts.
  void start() noexcept {
    input_ended_ = false;
    part_ = nullptr;
  }
  // The phrase's translation unit part, once its text has been read.
  [[nodiscard]] clang::TranslationUnitDecl* part() const noexcept { return part_; }

  void BeginSourceFile(const clang::LangOptions& lang, const clang::Preprocessor* pp) override {
    printer_->BeginSourceFile(lang, pp);
  }
  void EndSourceFile() override { printer_->EndSourceFile(); }
  void finish() override { printer_->finish(); }
  void clear() override {
    printer_->clear();
    clang::DiagnosticConsumer::clear();
  }
  bool IncludeInDiagnosticCounts() const override { return printer_->IncludeInDiagnosticCounts(); }
  void HandleDiagnostic(clang::DiagnosticsEngine::Level level, const clang::Diagnostic& info) override {
    clang::DiagnosticConsumer::HandleDiagnostic(level, info);
    printer_->HandleDiagnostic(level, info);
    if (level >= clang::DiagnosticsEngine::Error && input_ended_) forget();
  }

  // Told by the preprocessor when the phrase's text has been read.
  void input_ended() {
    input_ended_ = true;
    part_ = ci_.getASTContext().getTranslationUnitDecl();
    if (ci_.getDiagnostics().hasErrorOccurred()) forget();
  }

private:
  void forget() { take_out_unnamed(*ci_.getASTContext().getTranslationUnitDecl()); }

  clang::CompilerInstance& ci_;
  clang::DiagnosticConsumer* printer_;
  std::unique_ptr<clang::DiagnosticConsumer> owned_;
  bool input_ended_ = false;
  clang::TranslationUnitDecl* part_ = nullptr;
};

// Each phrase is read as a file included from the interpreter's main file:
// leaving it back to the main file is the end of the phrase's text.
class input_end_callback : public clang::PPCallbacks {
public:
  input_end_callback(const clang::SourceManager& sm, failure_watch& watch) : sm_(sm), watch_(watch) {}
  void FileChanged(clang::SourceLocation loc, FileChangeReason reason, clang::SrcMgr::CharacteristicKind,
                   clang::FileID) override {
    if (reason == ExitFile && sm_.getFileID(loc) == sm_.getMainFileID()) watch_.input_ended();
  }

private:
  const clang::SourceManager& sm_;
  failure_watch& watch_;
};

// "Symbols not found: [ a, b ]" (the JIT's message) as the names of the
// missing functions and variables, demangled, one a line.
std::string missing_symbols(std::string_view jit_errors) {
  std::string out;
  constexpr std::string_view head = "Symbols not found: [";
  for (auto at = jit_errors.find(head); at != std::string_view::npos; at = jit_errors.find(head, at)) {
    at += head.size();
    const auto end = jit_errors.find(']', at);
    std::string_view list = jit_errors.substr(at, end == std::string_view::npos ? end : end - at);
    while (!list.empty()) {
      const auto skip = list.find_first_not_of(" ,");
      if (skip == std::string_view::npos) break;
      list.remove_prefix(skip);
      const auto stop = list.find_first_of(" ,");
      const std::string symbol(list.substr(0, stop));
      out += "  " + quarn::detail::demangle(symbol.c_str()) + "\n";
      list.remove_prefix(stop == std::string_view::npos ? list.size() : stop);
    }
  }
  return out;
}

// The name of the type of the exception being handled, demangled.
std::string current_exception_type() {
  const std::type_info* t = abi::__cxa_current_exception_type();
  return t == nullptr ? "unknown type" : quarn::detail::demangle(t->name());
}

// Colours as quarn_tty would choose them for standard error.
bool colour_diagnostics() { return quarn::tty::detect_style_renderer(stderr) == quarn::style_renderer::Ansi_tty; }

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
  failure_watch* watch = nullptr;  // owned by the compiler's diagnostics engine
  instantiation_log instances;
  std::string jit_errors;  // what the JIT reported while a phrase ran

  struct parsed {
    clang::PartialTranslationUnit* unit = nullptr;
    std::string report;
  };

  parsed parse(const std::string& code) {
    parsed a;
    // Stopping clang half-way would leave it broken: a Ctrl-C waits.
    const interrupt::shield shield;
    output_capture capture;
    watch->start();
    clang::CompilerInstance& ci = *interpreter->getCompilerInstance();
    instances.start(ci.getASTConsumer());
    auto unit = interpreter->Parse(code);
    a.report = capture.finish();
    if (unit) {
      a.unit = &*unit;
    } else {
      instances.failed();
      if (clang::TranslationUnitDecl* part = watch->part()) {
        std::vector<const clang::Decl*> kept;
        repair_after_failure(*part, part, ci.getSourceManager(), kept);
        instances.hand_again(kept);
      }
      std::string message = llvm::toString(unit.takeError());
      if (a.report.empty()) a.report = "quarn-top: " + message + "\n";
      // After a failed phrase the interpreter resets its diagnostics engine,
      // and with it the settings made from the command line: warnings in
      // system headers would show again, hundreds for the next #include.
      // Make them again.
      clang::ProcessWarningOptions(ci.getDiagnostics(), ci.getDiagnosticOpts(), /*ReportDiags=*/false);
    }
    return a;
  }

  // Runs a parsed unit; reports what goes wrong (a link error, an escaping
  // exception) on `diagnostics`, after `name` ("" or "NAME: ").
  bool execute(clang::PartialTranslationUnit& unit, quarn::formatter& diagnostics, const std::string& name) {
    if (unit.TheModule == nullptr) return true;
    std::string failure;
    bool threw = false;
    jit_errors.clear();
    try {
      struct call {
        clang::Interpreter& interpreter;
        clang::PartialTranslationUnit& unit;
        std::string error;
      } c{*interpreter, unit, {}};
      const bool completed = interrupt::run_interruptible(
          [](void* p) {
            auto& args = *static_cast<call*>(p);
            if (auto err = args.interpreter.Execute(args.unit)) args.error = llvm::toString(std::move(err));
          },
          &c);
      if (!completed) {
        failure = "quarn-top: " + name + "interrupted";
        threw = true;
      } else if (!c.error.empty()) {
        failure = link_failure(name, c.error);
      }
    } catch (const std::exception& e) {
      failure = "quarn-top: " + name + "uncaught exception " + current_exception_type() + ": " + e.what();
      threw = true;
    } catch (...) {
      failure = "quarn-top: " + name + "uncaught exception of type " + current_exception_type();
      threw = true;
    }
    // Whatever the code printed with C stdio reaches its destination before
    // the toplevel goes on.
    std::fflush(stdout);
    if (threw) reset_std_formatters();
    if (failure.empty()) return true;
    write_report(diagnostics, failure + "\n");
    return false;
  }

  // A phrase whose code could not be linked (a function declared and never
  // defined). The JIT's own messages list every symbol of the phrase; the
  // message names only the missing ones.
  std::string link_failure(const std::string& name, const std::string& error) {
    std::string message = "quarn-top: " + name;
    const std::string missing = missing_symbols(jit_errors);
    if (missing.empty()) {
      // Some other failure: its first line.
      message += error.substr(0, error.find('\n'));
    } else {
      message += "undefined:\n" + missing;
      message.pop_back();
    }
    // The JIT keeps the phrase's initializers waiting, and would fail on
    // them again with the next phrase: let it fail now.
    if (auto jit = interpreter->getExecutionEngine()) {
      llvm::consumeError(jit->initialize(jit->getMainJITDylib()));
    } else {
      llvm::consumeError(jit.takeError());
    }
    jit_errors.clear();
    return message;
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
                                   colour_diagnostics() ? "-fcolor-diagnostics" : "-fno-color-diagnostics"};
  for (const auto& dir : impl_->where.include_dirs) args.push_back("-I" + dir);
  for (auto& a : compiler_args) args.push_back(std::move(a));
  std::vector<const char*> argv;
  argv.reserve(args.size());
  for (const auto& a : args) argv.push_back(a.c_str());

  clang::IncrementalCompilerBuilder builder;
  builder.SetCompilerArgs(argv);
  auto compiler = builder.CreateCpp();
  if (!compiler) throw std::runtime_error("cannot start the compiler: " + llvm::toString(compiler.takeError()));
  auto interpreter = clang::Interpreter::create(std::move(*compiler));
  if (!interpreter) {
    throw std::runtime_error("cannot start the interpreter: " + llvm::toString(interpreter.takeError()));
  }
  impl_->interpreter = std::move(*interpreter);

  // See failure_watch.
  clang::CompilerInstance& ci = *impl_->interpreter->getCompilerInstance();
  clang::DiagnosticsEngine& diags = ci.getDiagnostics();
  std::unique_ptr<clang::DiagnosticConsumer> printer = diags.takeClient();
  auto watch = std::make_unique<failure_watch>(ci, diags.getClient(), std::move(printer));
  impl_->watch = watch.get();
  diags.setClient(watch.release(), /*ShouldOwnClient=*/true);
  ci.getPreprocessor().addPPCallbacks(std::make_unique<input_end_callback>(ci.getSourceManager(), *impl_->watch));
  // See instantiation_log. Nothing else listens to this compiler's changes.
  if (ci.getASTContext().getASTMutationListener() == nullptr) {
    ci.getASTContext().setASTMutationListener(&impl_->instances);
  }

  // The JIT reports the symbols it misses on its own; they are kept for the
  // message about the phrase (see link_failure).
  if (auto jit = impl_->interpreter->getExecutionEngine()) {
    jit->getExecutionSession().setErrorReporter(
        [this](llvm::Error e) { impl_->jit_errors += llvm::toString(std::move(e)) + "\n"; });
  } else {
    throw std::runtime_error("cannot start the JIT: " + llvm::toString(jit.takeError()));
  }

  // The interpreter finds the symbols of typed code in the process, among
  // the libraries loaded with RTLD_GLOBAL.
  for (const auto& lib : impl_->where.preload) {
    if (::dlopen(lib.c_str(), RTLD_NOW | RTLD_GLOBAL) == nullptr) {
      const char* why = ::dlerror();
      write_report(diagnostics, "quarn-top: cannot preload " + lib + ": " + (why ? why : "unknown error") + "\n");
    }
  }
  the_toplevel = this;
  // Quarn is there from the first phrase on.
  (void)impl_->run("#include <quarn/quarn.hpp>\n", diagnostics, "", false);
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
    write_report(diagnostics,
                 "quarn-top: cannot load " + std::string(library) + ": " + (why ? why : "unknown error") + "\n");
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
