// SPDX-License-Identifier: MIT
// Interpretation of format strings against erased arguments.
#include <limits>
#include <stdexcept>
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include "quarn/detail/conversions.hpp"
#include "quarn/detail/format_args.hpp"
#include "quarn/detail/format_check.hpp"
#include "quarn/detail/format_ops.hpp"
#include "quarn/detail/format_parse.hpp"
#include "quarn/engine.hpp"
#include "quarn/failure.hpp"
#include "quarn/formatter.hpp"
#include "engine/display_columns.hpp"
#include "format/escaped.hpp"
#include "format/number_text.hpp"

namespace quarn::detail {

void format_error(const char* message) { throw invalid_argument(std::string("quarn: bad format string: ") + message); }

void append_escaped_bytes(std::string& out, std::string_view s, char quote) {
  for (const char byte : s) {
    const auto c = static_cast<unsigned char>(byte);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\b': out += "\\b"; break;
      default:
        if (c == static_cast<unsigned char>(quote)) {
          out += '\\';
          out += quote;
        } else if (c < 32 || c > 126) {
          out += '\\';
          out += static_cast<char>('0' + c / 100);
          out += static_cast<char>('0' + c / 10 % 10);
          out += static_cast<char>('0' + c % 10);
        } else {
          out += static_cast<char>(c);
        }
    }
  }
}

namespace {

// Appends `s` as %S writes it: in double quotes, escaped.  With `quote` set
// to '\'' it writes a character literal instead.
void append_escaped(std::string& out, std::string_view s, char quote) {
  out += quote;
  append_escaped_bytes(out, s, quote);
  out += quote;
}

// No flag and no width.
bool unpadded(const conversion& cv) {
  return !cv.minus && !cv.zero && !cv.plus && !cv.space && !cv.hash && cv.width < 0;
}

// No flag, width or precision.
bool plain(const conversion& cv) { return unpadded(cv) && cv.precision < 0; }

// The printf conversion of `cv`, written with printf's letter `conv`.
printf_field printf_field_of(const conversion& cv, char conv) {
  return {cv.minus, cv.zero, cv.plus, cv.space, cv.hash, cv.width, cv.precision, conv, {}};
}

// Runs a format string against its arguments.  Texts and the text of
// conversions that follow one another with no box, hint or tag between them
// are gathered and handed to the formatter as one text: the engine lays out
// a run of texts exactly as their concatenation, and one call costs less
// than several.
//
// A flat string (see compiled_format::flat) can be run into a plain string
// instead of a formatter: its output is its text.
class interpreter {
public:
  interpreter(formatter& f, const format_arg* args, std::size_t n) : f_(&f), args_(args), n_(n), first_text_(true) {}
  interpreter(std::string& text, text_measure measure, const format_arg* args, std::size_t n)
      : text_(&text), text_measure_(measure), args_(args), n_(n) {}

  void error(const char* message) {
    // What the string printed before the error reaches the formatter, as it
    // would have without the gathering.
    emit_pending();
    format_error(message);
  }
  void text(std::string_view s) {
    // A text of the format string lives as long as the call: hold it rather
    // than copy it, in case nothing joins it.
    if (width_ < 0 && !after_printer_ && !has_pending_ && !has_held_) {
      held_ = s;
      has_held_ = true;
      return;
    }
    append(s);
  }
  void open_box(box_kind kind, int indent) {
    emit_pending();
    f_->open_box(kind, indent);
  }
  void close_box() {
    emit_pending();
    f_->close_box();
  }
  void brk(int spaces, int offset) {
    emit_pending();
    f_->print_break(spaces, offset);
  }
  void force_newline() {
    emit_pending();
    f_->force_newline();
  }
  void print_newline() {
    emit_pending();
    f_->print_newline();
  }
  void flush() {
    emit_pending();
    f_->print_flush();
  }
  void open_tag(std::string_view name) {
    emit_pending();
    // With tags off the engine ignores the tag: do not build it.
    if (f_->mark_tags() || f_->print_tags()) f_->open_tag(std::string(name));
  }
  void close_tag() {
    emit_pending();
    f_->close_stag();
  }
  void width(int w) {
    emit_pending();
    width_ = w;
  }

  void conv(const conversion& written) {
    if (written.star_width || written.star_precision) return conv(with_stars(written));
    const conversion& cv = written;
    const conversion_rule& rule = cv.rule;
    const format_arg& a = take(rule);
    switch (rule.out) {
      case writes::signed_integer: return integer(a, cv, true);
      case writes::unsigned_integer: return integer(a, cv, false);
      case writes::grouped_integer: return grouped_integer(a, cv, rule.printf_letter == 'd');
      case writes::floating: {
        if (a.long_double) {
          number_text text;
          write_floating(text, *static_cast<const long double*>(a.obj), printf_field_of(cv, rule.printf_letter));
          return append(text.view());
        }
        // "%g" with no flag or width: digits straight into the gathered text
        // when the short way applies.
        if (rule.printf_letter == 'g' && unpadded(cv) && room_for_short_text()) {
          char* const end = write_short_general(pending_ + pending_size_, a.v.d, cv.precision < 0 ? 6 : cv.precision);
          if (end != nullptr) return gathered(end);
        }
        number_text text;
        write_floating(text, a.v.d, printf_field_of(cv, rule.printf_letter));
        return append(text.view());
      }
      case writes::string: {
        std::string_view s(a.v.s.p, a.v.s.n);
        // The precision is the most the text may take, in the formatter's
        // measure: whole characters only when that is columns.
        if (cv.precision >= 0 && static_cast<std::size_t>(cv.precision) < s.size())
          s = s.substr(0, measured_prefix(measure(), s, static_cast<std::size_t>(cv.precision)));
        return padded(s, cv);
      }
      case writes::quoted_string: {
        std::string out;
        out.reserve(a.v.s.n + 2);
        append_escaped(out, std::string_view(a.v.s.p, a.v.s.n), '"');
        return padded(out, cv);
      }
      case writes::character: return padded(std::string_view(&a.v.c, 1), cv);
      case writes::quoted_character: {
        std::string out;
        append_escaped(out, std::string_view(&a.v.c, 1), '\'');
        return padded(out, cv);
      }
      case writes::boolean: return padded(a.v.b ? "true" : "false", cv);
      case writes::printer: {
        const format_arg& value = take_value();
        emit_pending();
        width_ = -1;
        a.print_next(*f_, a, value);
        after_printer_ = true;
        return;
      }
      case writes::callable:
        emit_pending();
        width_ = -1;
        a.print_unit(*f_, a);
        after_printer_ = true;
        return;
      case writes::letter:
      case writes::nothing:
      case writes::flush: break;  // the parser writes these itself
    }
  }

  // A positional conversion: its arguments are named (counted from 1)
  // rather than taken in turn.  It takes them as conv() would, from where
  // they are named.
  void conv_at(const conversion& written, const arg_positions& at) {
    conversion cv = written;
    if (cv.star_width) {
      // with_stars() reads the width alone, then the precision alone.
      seek(at.width);
      cv.star_precision = false;
      cv = with_stars(cv);
      cv.star_precision = written.star_precision;
    }
    if (cv.star_precision) {
      seek(at.precision);
      cv = with_stars(cv);
    }
    seek(at.value);
    conv(cv);
    // A positional string uses its arguments in any order: what finish()
    // counts is for sequential ones.
    next_ = n_;
  }

  void finish() {
    emit_pending();
    if (next_ != n_) error("more arguments were given than the format string uses");
  }

  [[nodiscard]] std::size_t arg_count() const { return n_; }

private:
  // The next argument, checked against what the conversion takes (checked
  // formats were matched at compile time; runtime ones are matched here).
  const format_arg& take(const conversion_rule& rule) {
    if (next_ >= n_) error("the format string needs more arguments than were given");
    const format_arg& a = args_[next_++];
    bool ok = false;
    switch (rule.arg) {
      case takes::integer: ok = a.kind == arg_kind::integer; break;
      case takes::floating: ok = a.kind == arg_kind::floating; break;
      case takes::string: ok = a.kind == arg_kind::string; break;
      case takes::character: ok = a.kind == arg_kind::character; break;
      case takes::boolean: ok = a.kind == arg_kind::boolean; break;
      case takes::printer_and_value: ok = a.print_next != nullptr; break;
      case takes::callable: ok = a.print_unit != nullptr; break;
      case takes::nothing: break;
    }
    if (!ok) {
      if (a.null_string && rule.arg == takes::string) error("%s or %S was given a null C string");
      error("an argument does not match its conversion");
    }
    return a;
  }

  // `cv` with its "*" width and precision read from the arguments, as C's
  // printf reads them: a negative width is the "-" flag and its magnitude, a
  // negative precision is none.
  conversion with_stars(conversion cv) {
    if (cv.star_width) {
      const int w = take_int();
      if (w < -max_format_number || w > max_format_number) error("width too large (above 4096)");
      if (w < 0) cv.minus = true;
      cv.width = w < 0 ? -w : w;
      cv.star_width = false;
    }
    if (cv.star_precision) {
      const int p = take_int();
      if (p > max_format_number) error("precision too large (above 4096)");
      cv.precision = p < 0 ? -1 : p;
      cv.star_precision = false;
    }
    return cv;
  }

  // Makes argument `position` (counted from 1) the next one taken.
  void seek(int position) {
    if (static_cast<std::size_t>(position) > n_)
      error("an argument position (\"%N$\" or \"*M$\") is past the last argument");
    next_ = static_cast<std::size_t>(position) - 1;
  }

  // The next argument, which must be an int (a "*" width or precision).
  int take_int() {
    if (next_ >= n_) error("the format string needs more arguments than were given");
    const format_arg& a = args_[next_++];
    if (a.kind != arg_kind::integer || !a.is_signed || a.bits != sizeof(int) * 8)
      error("a \"*\" width or precision was given a value that is not an int");
    return static_cast<int>(static_cast<long long>(a.v.u));
  }

  const format_arg& take_value() {
    if (next_ >= n_) error("%a needs two arguments: a printer and its value");
    return args_[next_++];
  }

  // Adds `s` to the text being gathered.  A text after a width hint goes out
  // alone, with that width.  So does the first text after a printer: the
  // printer may have asked (print_if_newline) to drop the next text only.
  void append(std::string_view s) {
    if (width_ >= 0) {
      emit_as(width_, s);
      width_ = -1;
      return;
    }
    if (after_printer_) {
      after_printer_ = false;
      emit(s);
      return;
    }
    if (first_text_ && (has_held_ || has_pending_)) keep_first_alone();
    if (has_held_) copy_held();
    if (s.size() > sizeof pending_ - pending_size_) {
      emit_pending();
      if (s.size() > sizeof pending_) return emit(s);
    }
    std::memcpy(pending_ + pending_size_, s.data(), s.size());
    pending_size_ += s.size();
    has_pending_ = true;
  }

  // Before anything joins the call's first text: a print_if_newline before
  // the call drops that text only, which then goes out alone, as after a
  // printer.  Checked here rather than at the start, so that calls that
  // join no texts pay almost nothing for it.
  void keep_first_alone() {
    first_text_ = false;
    if (formatter_access::next_text_conditional(*f_)) emit_pending();
  }

  // Moves the held text into the buffer, so that more can follow it.
  void copy_held() {
    has_held_ = false;
    if (held_.size() > sizeof pending_) return emit(held_);
    std::memcpy(pending_, held_.data(), held_.size());
    pending_size_ = held_.size();
    has_pending_ = true;
  }

  // Whether a short number (up to 40 bytes) can be written straight into the
  // gathered text, as append() would add it: no width hint or printer
  // before it.  Makes the room if needed.
  bool room_for_short_text() {
    if (width_ >= 0 || after_printer_) return false;
    if (first_text_ && (has_held_ || has_pending_)) keep_first_alone();
    if (has_held_) copy_held();
    if (sizeof pending_ - pending_size_ < 40) emit_pending();
    return true;
  }

  // Takes the text written at the end of the gathered text, up to `end`.
  void gathered(const char* end) {
    pending_size_ = static_cast<std::size_t>(end - pending_);
    has_pending_ = true;
  }

  // How the formatter measures texts (a flat string has no formatter: it
  // was given the measure).  Read only where a width or precision needs it.
  [[nodiscard]] text_measure measure() const { return f_ != nullptr ? f_->measure() : text_measure_; }

  // Hands the gathered text, if any, to the formatter (even an empty one: an
  // empty text still counts as text for the engine).
  void emit_pending() {
    if (has_held_) {
      has_held_ = false;
      return emit(held_);
    }
    if (!has_pending_) return;
    has_pending_ = false;
    const std::size_t n = pending_size_;
    pending_size_ = 0;
    emit(std::string_view(pending_, n));
  }

  void emit(std::string_view s) {
    first_text_ = false;
    if (text_ != nullptr)
      text_->append(s);
    else
      f_->print_string(s);
  }

  void emit_as(int width, std::string_view s) {
    if (text_ != nullptr)
      text_->append(s);
    else
      f_->print_as(width, s);
  }

  // `s` padded with spaces to the conversion's width, on the left or, with
  // the "-" flag, on the right.  The width is in the formatter's measure.
  void padded(std::string_view s, const conversion& cv) {
    if (cv.width < 0) return append(s);
    const std::size_t wide = measure_text(measure(), s);
    if (static_cast<std::size_t>(cv.width) <= wide) return append(s);
    std::string out;
    std::size_t fill = static_cast<std::size_t>(cv.width) - wide;
    if (!cv.minus) out.append(fill, ' ');
    out += s;
    if (cv.minus) out.append(fill, ' ');
    append(out);
  }

  void integer(const format_arg& a, const conversion& cv, bool as_signed) {
    unsigned long long bits = a.v.u;
    if (!as_signed && a.bits < 64) bits &= (1ULL << a.bits) - 1;
    const bool negative = as_signed && a.is_signed && static_cast<long long>(bits) < 0;
    char conv = cv.rule.printf_letter;
    if (conv == 'd' && !negative && static_cast<long long>(bits) < 0) conv = 'u';  // above LLONG_MAX
    if ((conv == 'd' || conv == 'u') && plain(cv) && room_for_short_text()) {
      // The common "%d": digits straight into the gathered text.
      char* const p = pending_ + pending_size_;
      return gathered(negative ? std::to_chars(p, p + 24, static_cast<long long>(bits)).ptr
                               : std::to_chars(p, p + 24, bits).ptr);
    }
    number_text text;
    write_integer(text, negative ? 0 - bits : bits, negative, printf_field_of(cv, conv));
    append(text.view());
  }

  // "%'d", "%'i" and "%'u": as integer() writes them, the digits in groups
  // of three separated by ",".  Not inlined: conv() keeps the code it has
  // without it.
  [[gnu::noinline]] void grouped_integer(const format_arg& a, const conversion& cv, bool as_signed) {
    unsigned long long bits = a.v.u;
    if (!as_signed && a.bits < 64) bits &= (1ULL << a.bits) - 1;
    const bool negative = as_signed && a.is_signed && static_cast<long long>(bits) < 0;
    printf_field field = printf_field_of(cv, cv.rule.printf_letter);
    field.group = ",";
    number_text text;
    write_integer(text, negative ? 0 - bits : bits, negative, field);
    append(text.view());
  }

  formatter* f_ = nullptr;       // where the output goes, or
  std::string* text_ = nullptr;  // where a flat string's text goes,
  text_measure text_measure_ = text_measure::bytes;  // measured so
  const format_arg* args_;
  std::size_t n_;
  std::size_t next_ = 0;
  int width_ = -1;
  bool after_printer_ = false;
  bool first_text_ = false;  // nothing has gone to the formatter yet
  bool has_pending_ = false;  // pending_ holds text (never both: a held text
  bool has_held_ = false;     // is copied to pending_ before any other)
  std::string_view held_;
  std::size_t pending_size_ = 0;
  char pending_[256];
};

// The interpreter of a string parsed as it runs, which nothing checked at
// compile time: it also checks that a positional string uses every
// argument.
class parsed_interpreter : public interpreter {
public:
  using interpreter::interpreter;

  void conv_at(const conversion& cv, const arg_positions& at) {
    interpreter::conv_at(cv, at);
    // The positions are valid: the conversion would have failed otherwise.
    if (used_.empty()) used_.resize(arg_count());
    used_[static_cast<std::size_t>(at.value - 1)] = true;
    if (cv.rule.arg == takes::printer_and_value) used_[static_cast<std::size_t>(at.value)] = true;
    if (at.width != 0) used_[static_cast<std::size_t>(at.width - 1)] = true;
    if (at.precision != 0) used_[static_cast<std::size_t>(at.precision - 1)] = true;
  }

  void finish() {
    for (const bool u : used_)
      if (!u) error("an argument is named by no \"%N$\" (a positional format string uses every argument)");
    interpreter::finish();
  }

private:
  std::vector<bool> used_;  // by a positional conversion; empty until one
};

void run_parsed(formatter& f, std::string_view fmt, const format_arg* args, std::size_t n) {
  parsed_interpreter in(f, args, n);
  parse_format(fmt, in);
  in.finish();
}

}  // namespace

std::string vsprint_flat(std::string_view fmt, const compiled_format& ops, const format_arg* args, std::size_t n,
                         text_measure measure) {
  std::string text;
  interpreter in(text, measure, args, n);
  run_format(fmt, ops, in);
  in.finish();
  return text;
}

void vfprint(formatter& f, std::string_view fmt, const compiled_format& ops, const format_arg* args, std::size_t n) {
  const std_guard guard(f);
  if (!ops.compiled()) return run_parsed(f, fmt, args, n);
  interpreter in(f, args, n);
  run_format(fmt, ops, in);
  in.finish();
}

}  // namespace quarn::detail
