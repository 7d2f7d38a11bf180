// Interpretation of format strings against erased arguments.
#include <limits>
#include <stdexcept>
#include <string>

#include "quarn/detail/conversions.hpp"
#include "quarn/detail/format_args.hpp"
#include "quarn/detail/format_check.hpp"
#include "quarn/detail/format_parse.hpp"
#include "quarn/failure.hpp"
#include "quarn/formatter.hpp"
#include "number_text.hpp"

namespace quarn::detail {

void format_error(const char* message) {
  throw invalid_argument(std::string("quarn: bad format string: ") + message);
}

namespace {

// Appends `s` as %S writes it: in double quotes, escaped.  With `quote` set
// to '\'' it writes a character literal instead.
void append_escaped(std::string& out, std::string_view s, char quote) {
  out += quote;
  for (unsigned char c : s) {
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
  out += quote;
}

// The printf conversion of `cv`, written with printf's letter `conv`.
printf_spec printf_spec_of(const conversion& cv, char conv) {
  return {cv.minus, cv.zero, cv.plus, cv.space, cv.hash, cv.width, cv.precision, conv};
}

class interpreter {
public:
  interpreter(formatter& f, const format_arg* args, std::size_t n) : f_(f), args_(args), n_(n) {}

  void error(const char* message) { format_error(message); }
  void text(std::string_view s) { emit(s); }
  void open_box(box_kind kind, int indent) { f_.open_box(kind, indent); }
  void close_box() { f_.close_box(); }
  void brk(int spaces, int offset) { f_.print_break(spaces, offset); }
  void force_newline() { f_.force_newline(); }
  void print_newline() { f_.print_newline(); }
  void flush() { f_.print_flush(); }
  void open_tag(std::string_view name) {
    // With tags off the engine ignores the tag: do not build it.
    if (f_.mark_tags() || f_.print_tags()) f_.open_tag(std::string(name));
  }
  void close_tag() { f_.close_stag(); }
  void width(int w) { width_ = w; }

  void conv(const conversion& cv) {
    const conversion_rule& rule = cv.rule;
    const format_arg& a = take(rule);
    switch (rule.out) {
      case writes::signed_integer: return integer(a, cv, true);
      case writes::unsigned_integer: return integer(a, cv, false);
      case writes::floating: {
        number_text text;
        write_floating(text, a.v.d, printf_spec_of(cv, rule.printf_letter));
        return emit(text.view());
      }
      case writes::string: {
        std::string_view s(a.v.s.p, a.v.s.n);
        if (cv.precision >= 0 && static_cast<std::size_t>(cv.precision) < s.size())
          s = s.substr(0, static_cast<std::size_t>(cv.precision));
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
        width_ = -1;
        a.print_next(f_, a, value);
        return;
      }
      case writes::callable:
        width_ = -1;
        a.print_unit(f_, a);
        return;
      case writes::letter:
      case writes::nothing:
      case writes::flush: break;  // the parser writes these itself
    }
  }

  void finish() {
    if (next_ != n_) error("more arguments were given than the format string uses");
  }

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

  const format_arg& take_value() {
    if (next_ >= n_) error("%a needs two arguments: a printer and its value");
    return args_[next_++];
  }

  void emit(std::string_view s) {
    if (width_ >= 0) {
      f_.print_as(width_, s);
      width_ = -1;
    } else {
      f_.print_string(s);
    }
  }

  // `s` padded with spaces to the conversion's width, on the left or, with
  // the "-" flag, on the right.
  void padded(std::string_view s, const conversion& cv) {
    if (cv.width < 0 || static_cast<std::size_t>(cv.width) <= s.size()) return emit(s);
    std::string out;
    std::size_t fill = static_cast<std::size_t>(cv.width) - s.size();
    if (!cv.minus) out.append(fill, ' ');
    out += s;
    if (cv.minus) out.append(fill, ' ');
    emit(out);
  }

  void integer(const format_arg& a, const conversion& cv, bool as_signed) {
    unsigned long long bits = a.v.u;
    if (!as_signed && a.bits < 64) bits &= (1ULL << a.bits) - 1;
    const bool negative = as_signed && a.is_signed && static_cast<long long>(bits) < 0;
    char conv = cv.rule.printf_letter;
    if (conv == 'd' && !negative && static_cast<long long>(bits) < 0) conv = 'u';  // above LLONG_MAX
    number_text text;
    write_integer(text, negative ? 0 - bits : bits, negative, printf_spec_of(cv, conv));
    emit(text.view());
  }

  formatter& f_;
  const format_arg* args_;
  std::size_t n_;
  std::size_t next_ = 0;
  int width_ = -1;
};

}  // namespace

void vfprint(formatter& f, std::string_view fmt, const format_arg* args, std::size_t n) {
  const std_guard guard(f);
  interpreter in(f, args, n);
  parse_format(fmt, in);
  in.finish();
}

}  // namespace quarn::detail
