// SPDX-License-Identifier: MIT
// quarn::formatter: the public face of the layout engine, and the standard
// semantic-tag functions.
#include "quarn/engine.hpp"

#include <charconv>
#include <memory>
#include <stdexcept>
#include <utility>

#include "engine/layout_engine.hpp"

namespace quarn {

stag::~stag() = default;

std::string_view string_tag::kind_name() const noexcept { return "String_tag"; }

namespace {

std::string default_mark_open(const stag& t) {
  if (const auto* s = dynamic_cast<const string_tag*>(&t)) return "<" + s->name() + ">";
  return {};
}

std::string default_mark_close(const stag& t) {
  if (const auto* s = dynamic_cast<const string_tag*>(&t)) return "</" + s->name() + ">";
  return {};
}

void default_print(const stag&) {}

}  // namespace

stag_functions default_stag_functions() {
  return {default_mark_open, default_mark_close, default_print, default_print};
}

namespace {
[[noreturn, gnu::noinline]] void negative_spaces() {
  throw std::invalid_argument("quarn::formatter::print_break: negative number of spaces");
}
[[noreturn, gnu::noinline]] void moved_from() {
  throw std::logic_error("quarn::formatter: used after being moved from");
}
[[noreturn, gnu::noinline]] void reentered() {
  throw std::logic_error("quarn::formatter: printed to from its own write, flush or tag function");
}
}  // namespace

// Every operation goes through one of these two: a moved-from formatter has
// no engine, and an engine whose write or tag function is running is in the
// middle of a change that a nested operation would corrupt.  An operation
// that may print marks where its own staged text starts, which a failing
// write drops.
detail::layout_engine& formatter::engine_for_change() {
  if (e_ == nullptr || e_->busy()) [[unlikely]] {
    if (e_ == nullptr) moved_from();
    reentered();
  }
  e_->begin_operation();
  return *e_;
}

const detail::layout_engine& formatter::engine_for_reading() const {
  if (e_ == nullptr) [[unlikely]]
    moved_from();
  return *e_;
}

formatter::formatter(std::string& buffer) : e_(new detail::layout_engine(buffer)) {}
formatter::formatter(std::FILE* channel) : e_(new detail::layout_engine(channel)) {}
formatter::formatter(std::ostream& stream) : e_(new detail::layout_engine(stream)) {}
formatter::formatter(output_functions out) : e_(new detail::layout_engine(std::move(out))) {}
formatter::formatter(formatter&& other) noexcept : e_(std::exchange(other.e_, nullptr)) {}
// The engine this formatter held is destroyed (and so flushed) after it has
// taken the other's, as a std::unique_ptr would do it; self-assignment keeps it.
formatter& formatter::operator=(formatter&& other) noexcept {
  delete std::exchange(e_, std::exchange(other.e_, nullptr));
  return *this;
}
formatter::~formatter() { delete e_; }

void formatter::open_box(box_kind kind, int indent) { engine_for_change().open_box(indent, kind); }
void formatter::close_box() { engine_for_change().close_box(); }

// A text taken from the formatter's own target string is copied first:
// laying out what is pending may drain into that string and move it.  The
// result is that of s.append(s) with the text as it was at the call.
void formatter::print_string(std::string_view s) {
  detail::layout_engine& e = engine_for_change();
  if (e.target_holds(s)) return print_string(std::string(s));
  e.print_as(static_cast<long long>(detail::measure_text(e.settings().measure, s)), s);
}

void formatter::print_as(int width, std::string_view s) {
  if (width < 0) throw std::invalid_argument("quarn::formatter::print_as: negative width");
  detail::layout_engine& e = engine_for_change();
  if (e.target_holds(s)) return print_as(width, std::string(s));
  e.print_as(width, s);
}

void formatter::print_char(char c) { engine_for_change().print_char(c); }

void formatter::print_pieces(std::string_view s, std::size_t piece, int spaces, int offset) {
  if (piece == 0) throw std::invalid_argument("quarn::formatter::print_pieces: pieces of 0 bytes");
  if (spaces < 0) throw std::invalid_argument("quarn::formatter::print_pieces: negative number of spaces");
  detail::layout_engine& e = engine_for_change();
  // Printing may move the target string, and `s` with it if it lies there.
  if (e.target_holds(s)) [[unlikely]]
    return print_pieces(std::string(s), piece, spaces, offset);
  if (e.settings().measure == text_measure::columns && !detail::is_ascii(s)) {
    // Pieces cut by bytes need not be whole characters: each is measured on
    // its own, as print_string() would.
    for (std::size_t i = 0; i < s.size(); i += piece) {
      if (i > 0) e.print_break(spaces, offset);
      print_string(s.substr(i, piece));
    }
    return;
  }
  e.print_pieces(s, piece, spaces, offset);
}

void formatter::print_int(long long n) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, n);
  print_string(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

void formatter::print_bool(bool b) { print_string(b ? "true" : "false"); }

void formatter::print_break(int spaces, int offset) {
  if (spaces < 0) [[unlikely]]
    negative_spaces();
  engine_for_change().print_break(spaces, offset);
}

void formatter::force_newline() { engine_for_change().force_newline(); }
void formatter::print_if_newline() { engine_for_change().print_if_newline(); }
void formatter::print_flush() { engine_for_change().flush(false); }
void formatter::print_newline() { engine_for_change().flush(true); }

bool detail::formatter_access::next_text_conditional(const formatter& f) {
  return f.e_ != nullptr && f.e_->next_text_conditional();
}

void detail::formatter_access::open_stag(formatter& f, std::shared_ptr<const stag> tag) {
  f.engine_for_change().open_stag(std::move(tag));
}
bool detail::formatter_access::in_target(const formatter& f, std::string_view s) {
  return f.engine_for_reading().target_holds(s);
}
void formatter::close_stag() { engine_for_change().close_stag(); }
void formatter::open_tag(std::string name) { engine_for_change().open_stag(std::make_shared<const string_tag>(std::move(name))); }
void formatter::set_mark_tags(bool on) { engine_for_change().set_mark_tags(on); }
void formatter::set_print_tags(bool on) { engine_for_change().set_print_tags(on); }
void formatter::set_tags(bool on) {
  detail::layout_engine& e = engine_for_change();
  e.set_mark_tags(on);
  e.set_print_tags(on);
}
bool formatter::mark_tags() const { return engine_for_reading().settings().mark_tags; }
bool formatter::print_tags() const { return engine_for_reading().settings().print_tags; }
const stag_functions& formatter::get_stag_functions() const { return engine_for_reading().settings().tag_functions; }
void formatter::set_stag_functions(stag_functions fns) { engine_for_change().set_tag_functions(std::move(fns)); }

void formatter::set_margin(int n) { engine_for_change().set_margin(n); }
int formatter::margin() const { return static_cast<int>(engine_for_reading().settings().margin); }
void formatter::set_max_indent(int n) { engine_for_change().set_max_indent(n); }
int formatter::max_indent() const { return static_cast<int>(engine_for_reading().settings().max_indent); }
void formatter::set_max_boxes(int n) { engine_for_change().set_max_boxes(n); }
int formatter::max_boxes() const { return engine_for_reading().settings().max_boxes; }
bool formatter::over_max_boxes() const {
  const detail::layout_engine& e = engine_for_reading();
  return e.depth() >= e.settings().max_boxes;
}
void formatter::set_measure(text_measure m) { engine_for_change().set_measure(m); }
text_measure formatter::measure() const { return engine_for_reading().settings().measure; }
void formatter::set_ellipsis_text(std::string s) { engine_for_change().set_ellipsis(std::move(s)); }
const std::string& formatter::ellipsis_text() const { return engine_for_reading().settings().ellipsis; }
int formatter::depth() const { return engine_for_reading().depth(); }

void formatter::reset() { engine_for_change().reset(); }
void formatter::retarget(std::string& buffer) { engine_for_change().retarget(buffer); }

}  // namespace quarn
