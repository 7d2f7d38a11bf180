// Format strings checked at compile time, and the formatting entry points.
//
//   quarn::fprint(f, "@[<2>Some@ @[%a@]@]", quarn::int_, 42);
//   std::string s = quarn::sprint("%d items in %S", n, name);
//
// A format string is checked against its arguments when the program is
// compiled: an unknown directive, a missing or extra argument, an argument of
// the wrong kind, or a number above 4096 (a width, a precision, an
// indentation, ...) is a compile error.  The directives are listed in
// quarn/format_parse.hpp.  Strings known only at run time go through
// quarn::runtime(); they are checked as they are interpreted and a mismatch
// throws std::invalid_argument.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "quarn/engine.hpp"
#include "quarn/failure.hpp"
#include "quarn/format_parse.hpp"
#include "quarn/result.hpp"

namespace quarn {

namespace detail {

enum class arg_kind : unsigned char { integer, floating, string, character, boolean, other };

template <class A>
constexpr arg_kind kind_of() {
  using T = std::remove_cvref_t<A>;
  if constexpr (std::is_same_v<T, bool>)
    return arg_kind::boolean;
  else if constexpr (std::is_same_v<T, char>)
    return arg_kind::character;
  else if constexpr (std::is_same_v<T, wchar_t> || std::is_same_v<T, char8_t> || std::is_same_v<T, char16_t> ||
                     std::is_same_v<T, char32_t>)
    return arg_kind::other;
  else if constexpr (std::is_integral_v<T>)
    return arg_kind::integer;
  else if constexpr (std::is_floating_point_v<T>)
    return arg_kind::floating;
  else if constexpr (std::is_function_v<T> || std::is_same_v<T, std::nullptr_t>)
    return arg_kind::other;
  else if constexpr (std::is_convertible_v<const T&, std::string_view>)
    return arg_kind::string;
  else
    return arg_kind::other;
}

// The I-th type of T..., or void past the end.
template <std::size_t I, class... T>
struct type_at {
  using type = void;
};
template <class T0, class... T>
struct type_at<0, T0, T...> {
  using type = T0;
};
template <std::size_t I, class T0, class... T>
  requires(I > 0)
struct type_at<I, T0, T...> {
  using type = typename type_at<I - 1, T...>::type;
};

// What the checker knows of one argument.
struct arg_info {
  arg_kind kind;
  bool prints_next;  // a printer of the next argument (for "%a")
  bool prints_unit;  // a callable on the formatter alone (for "%t")
};

template <class P>
using callee_t = std::conditional_t<std::is_function_v<std::remove_cvref_t<P>>, std::remove_cvref_t<P>&,
                                    const std::remove_cvref_t<P>&>;

template <class P, class V>
constexpr bool prints = [] {
  if constexpr (std::is_void_v<V> || std::is_function_v<std::remove_cvref_t<V>>)
    return false;
  else
    return std::is_invocable_v<callee_t<P>, formatter&, const std::remove_cvref_t<V>&>;
}();

template <class P>
constexpr bool prints_unit = std::is_invocable_v<callee_t<P>, formatter&>;

template <class... Args, std::size_t... I>
constexpr std::array<arg_info, sizeof...(Args)> arg_infos_impl(std::index_sequence<I...>) {
  return {arg_info{kind_of<Args>(), prints<Args, typename type_at<I + 1, Args...>::type>, prints_unit<Args>}...};
}

template <class... Args>
constexpr std::array<arg_info, sizeof...(Args)> arg_infos() {
  return arg_infos_impl<Args...>(std::index_sequence_for<Args...>{});
}

// Not constexpr: reaching it while checking a format string at compile time
// makes the compiler stop and show the message.
void format_error(const char* message);

// Checks a format string against argument descriptions.
template <std::size_t N>
struct format_checker {
  const arg_info* args;
  std::size_t next = 0;
  bool failed = false;

  constexpr void error(const char* message) {
    failed = true;
    format_error(message);
  }
  constexpr void text(std::string_view) {}
  constexpr void open_box(box_kind, int) {}
  constexpr void close_box() {}
  constexpr void brk(int, int) {}
  constexpr void force_newline() {}
  constexpr void print_newline() {}
  constexpr void flush() {}
  constexpr void open_tag(std::string_view) {}
  constexpr void close_tag() {}
  constexpr void width(int) {}
  constexpr void conv(const conversion& cv) {
    if (next >= N) return error("the format string needs more arguments than were given");
    const arg_info& a = args[next];
    switch (cv.conv) {
      case 'd':
      case 'i':
      case 'u':
      case 'x':
      case 'X':
      case 'o':
        if (a.kind != arg_kind::integer) return error("an integer conversion (%d %i %u %x %X %o) was given a non-integer");
        break;
      case 'f':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
        if (a.kind != arg_kind::floating)
          return error("a floating-point conversion (%f %e %E %g %G) was given a non-floating-point value");
        break;
      case 's':
      case 'S':
        if (a.kind != arg_kind::string) return error("%s or %S was given a value that is not a string");
        break;
      case 'c':
      case 'C':
        if (a.kind != arg_kind::character) return error("%c or %C was given a value that is not a char");
        break;
      case 'b':
      case 'B':
        if (a.kind != arg_kind::boolean) return error("%b or %B was given a value that is not a bool");
        break;
      case 'a':
        if (next + 1 >= N) return error("%a needs two arguments: a printer and its value");
        if (!a.prints_next) return error("%a was given a printer that cannot print the value after it");
        ++next;
        break;
      case 't':
        if (!a.prints_unit) return error("%t was given something that is not callable with a formatter");
        break;
      default: return error("unknown conversion");
    }
    ++next;
  }
};

template <class... Args>
constexpr void check_format(std::string_view s) {
  constexpr auto infos = arg_infos<Args...>();
  format_checker<sizeof...(Args)> c{infos.data()};
  parse_format(s, c);
  if (!c.failed && c.next != sizeof...(Args)) c.error("more arguments were given than the format string uses");
}

// An argument, erased for the interpreter.
struct format_arg {
  arg_kind kind;
  bool null_string;  // a null C string: no string, and %s and %S refuse it
  bool is_signed;
  unsigned char bits;
  union {
    unsigned long long u;
    double d;
    char c;
    bool b;
    struct {
      const char* p;
      std::size_t n;
    } s;
  } v;
  const void* obj;     // the argument itself, unless it is a function
  void (*fn)();        // the argument, when it is a function
  void (*print_next)(formatter&, const format_arg& printer, const format_arg& value);
  void (*print_unit)(formatter&, const format_arg& callable);
};

template <class T>
decltype(auto) callee(const format_arg& a) {
  if constexpr (std::is_function_v<T>)
    return *reinterpret_cast<T*>(a.fn);
  else
    return *static_cast<const T*>(a.obj);
}

template <class P, class V>
void call_print_next(formatter& f, const format_arg& p, const format_arg& v) {
  callee<P>(p)(f, *static_cast<const V*>(v.obj));
}

template <class P>
void call_print_unit(formatter& f, const format_arg& p) {
  callee<P>(p)(f);
}

template <class A, class Next>
format_arg make_arg(const A& a) {
  using T = std::remove_cvref_t<A>;
  constexpr arg_kind kind = kind_of<A>();
  format_arg r{};
  r.kind = kind;
  if constexpr (std::is_function_v<T>)
    r.fn = reinterpret_cast<void (*)()>(&a);
  else
    r.obj = std::addressof(a);
  if constexpr (kind == arg_kind::integer) {
    r.is_signed = std::is_signed_v<T>;
    r.bits = static_cast<unsigned char>(sizeof(T) * 8);
    r.v.u = static_cast<unsigned long long>(a);
  } else if constexpr (kind == arg_kind::floating) {
    r.v.d = static_cast<double>(a);
  } else if constexpr (kind == arg_kind::character) {
    r.v.c = a;
  } else if constexpr (kind == arg_kind::boolean) {
    r.v.b = a;
  } else if constexpr (kind == arg_kind::string) {
    if constexpr (std::is_pointer_v<T>) {
      // A null C string is not a string: it is recorded as such, so that %s
      // and %S report it rather than read through it.  It still passes as
      // the value of "%a", whose printer may accept it.
      if (a == nullptr) {
        r.kind = arg_kind::other;
        r.null_string = true;
        return r;
      }
    }
    std::string_view sv(a);
    r.v.s.p = sv.data();
    r.v.s.n = sv.size();
  }
  if constexpr (prints<T, Next>) r.print_next = &call_print_next<T, std::remove_cvref_t<Next>>;
  if constexpr (prints_unit<T>) r.print_unit = &call_print_unit<T>;
  return r;
}

template <class... Args, std::size_t... I>
std::array<format_arg, sizeof...(Args)> make_args_impl(std::index_sequence<I...>, const Args&... args) {
  return {make_arg<Args, typename type_at<I + 1, Args...>::type>(args)...};
}

template <class... Args>
std::array<format_arg, sizeof...(Args)> make_args(const Args&... args) {
  return make_args_impl<Args...>(std::index_sequence_for<Args...>{}, args...);
}

// Holds, for its lifetime, the lock of stdout_formatter() or
// stderr_formatter() when `f` is one of them, and nothing otherwise: the
// entry points below hold it for the whole of a call.  (Opaque, so that this
// header needs no <mutex>.)
class std_guard {
public:
  explicit std_guard(formatter& f);
  ~std_guard();
  std_guard(const std_guard&) = delete;
  std_guard& operator=(const std_guard&) = delete;

private:
  void* held_;  // the standard output whose lock is held, or null
};

// The interpreter and the string entry points behind the templates below.
void vfprint(formatter& f, std::string_view fmt, const format_arg* args, std::size_t n);
std::string vsprint(const formatter* like, std::string_view fmt, const format_arg* args, std::size_t n);

}  // namespace detail

/// A format string known only at run time; see quarn::runtime().
struct runtime_format_string {
  std::string_view str;
};

/// Marks a format string that is checked while it is interpreted rather than
/// at compile time: a mismatch throws std::invalid_argument.  Numbers are
/// limited as in checked strings: a width, precision, indentation, or count
/// of spaces or offset of a break hint above 4096 (max_format_number in
/// quarn/format_parse.hpp) throws std::invalid_argument ("width too large",
/// "precision too large", ...), so that a string from outside the program
/// cannot make the formatter pad or print gigabytes.
inline runtime_format_string runtime(std::string_view s) noexcept { return {s}; }

template <class... Args>
class basic_format_string {
public:
  template <class S>
    requires std::convertible_to<const S&, std::string_view>
  consteval basic_format_string(const S& s) : str_(s) {  // NOLINT: implicit by design
    detail::check_format<Args...>(str_);
  }
  basic_format_string(runtime_format_string r) noexcept : str_(r.str) {}  // NOLINT
  [[nodiscard]] constexpr std::string_view get() const noexcept { return str_; }

private:
  std::string_view str_;
};

/// The type of a format string taking `Args`; deduction goes by the
/// arguments, never by the string.
template <class... Args>
using format_string = basic_format_string<std::type_identity_t<Args>...>;

/// The formatters on standard output and standard error.  They belong to the
/// library, live until the program ends and are flushed at exit, after the
/// static destructors of the program (which may still print on them).
///
/// Threads: each call of fprint(), print(), eprint() or kfprint() on one of
/// these two formatters is atomic, like a call of C's printf: it holds the
/// formatter's lock throughout, printers running inside it (`flush` and "@."
/// included) print under that lock, and the text of two calls never
/// interleaves.  (A printer on one of them that prints on the other holds both
/// locks: two threads doing so in opposite directions would deadlock.)  Any
/// other formatter, and a standard formatter's member functions called outside
/// those entry points, are used from one thread at a time.
formatter& stdout_formatter();
formatter& stderr_formatter();

/// Flushes stdout_formatter(), then stderr_formatter(), each under its lock,
/// so that a program sees a write error before it returns from main (the
/// flush at exit drops errors).  If a flush throws (std::system_error on a
/// write error), the other formatter is still flushed and the first error is
/// rethrown.
void flush_std_outputs();

/// Formats to `f`.  Does not flush.  Atomic on a standard formatter (see
/// stdout_formatter()); any other formatter is used from one thread at a time.
template <class... Args>
void fprint(formatter& f, format_string<Args...> fmt, const Args&... args) {
  auto a = detail::make_args<Args...>(args...);
  detail::vfprint(f, fmt.get(), a.data(), a.size());
}

/// Formats to stdout_formatter().  Does not flush.  Atomic: see
/// stdout_formatter().
template <class... Args>
void print(format_string<Args...> fmt, const Args&... args) {
  auto a = detail::make_args<Args...>(args...);
  detail::vfprint(stdout_formatter(), fmt.get(), a.data(), a.size());
}

/// Formats to stderr_formatter().  Does not flush.  Atomic: see
/// stdout_formatter().
template <class... Args>
void eprint(format_string<Args...> fmt, const Args&... args) {
  auto a = detail::make_args<Args...>(args...);
  detail::vfprint(stderr_formatter(), fmt.get(), a.data(), a.size());
}

/// Formats into a fresh string formatter (default settings, no attributes)
/// and returns the text.
template <class... Args>
[[nodiscard]] std::string sprint(format_string<Args...> fmt, const Args&... args) {
  auto a = detail::make_args<Args...>(args...);
  return detail::vsprint(nullptr, fmt.get(), a.data(), a.size());
}

/// Formats to `f`, then returns `k(f)`.  On a standard formatter the whole
/// call, `k` included, is atomic (see stdout_formatter()).
template <class K, class... Args>
  requires std::invocable<K&, formatter&>
decltype(auto) kfprint(K&& k, formatter& f, format_string<Args...> fmt, const Args&... args) {
  const detail::std_guard guard(f);
  fprint<Args...>(f, fmt, args...);
  return std::forward<K>(k)(f);
}

/// Formats into a fresh string, then returns `k(text)`.
template <class K, class... Args>
  requires std::invocable<K&, std::string>
decltype(auto) ksprint(K&& k, format_string<Args...> fmt, const Args&... args) {
  return std::forward<K>(k)(sprint<Args...>(fmt, args...));
}

/// Options of with_buffer().
struct with_buffer_options {
  /// A formatter whose tag functions (and with them its attributes) the new
  /// formatter shares.
  const formatter* like = nullptr;
};

/// Formats with the attributes of `like` (through its tag functions) into a
/// fresh string formatter and returns the text.  Attributes written while
/// formatting (styled() writes one) stay in the string formatter: `like` is
/// only read, so several threads may format like one formatter at once as
/// long as none of them changes it.
template <class... Args>
[[nodiscard]] std::string str_like(const formatter& like, format_string<Args...> fmt, const Args&... args) {
  auto a = detail::make_args<Args...>(args...);
  return detail::vsprint(&like, fmt.get(), a.data(), a.size());
}

/// A new formatter appending to `buffer` (which must outlive it), with
/// default settings and, when `options.like` is given, the same tag functions
/// as that formatter.
[[nodiscard]] formatter with_buffer(std::string& buffer, with_buffer_options options = {});

/// Throws quarn::failure with the formatted message and the stack of the
/// call, which quarn::failure::backtrace() gives back.
template <class... Args>
[[noreturn]] void failwith(format_string<Args...> fmt, const Args&... args) {
  detail::raise_failure(sprint<Args...>(fmt, args...), true);
}

/// As failwith(), without recording the stack.
template <class... Args>
[[noreturn]] void failwith_notrace(format_string<Args...> fmt, const Args&... args) {
  detail::raise_failure(sprint<Args...>(fmt, args...), false);
}

/// Throws quarn::invalid_argument (a std::invalid_argument) with the
/// formatted message.
template <class... Args>
[[noreturn]] void invalid_arg(format_string<Args...> fmt, const Args&... args) {
  throw invalid_argument(sprint<Args...>(fmt, args...));
}

/// The formatted message as an error, convertible to any
/// quarn::outcome<T, std::string>.
template <class... Args>
[[nodiscard]] Error<std::string> error(format_string<Args...> fmt, const Args&... args) {
  return Error<std::string>{sprint<Args...>(fmt, args...)};
}

/// The formatted message as a Msg error, convertible to any
/// quarn::outcome<T, quarn::Msg>.
template <class... Args>
[[nodiscard]] Error<Msg> error_msg(format_string<Args...> fmt, const Args&... args) {
  return Error<Msg>{Msg{sprint<Args...>(fmt, args...)}};
}

/// A printer that flushes its formatter (closing every open box) and ignores
/// its value.
struct flush_fn {
  void operator()(formatter& f) const { f.print_flush(); }
  template <class V>
  void operator()(formatter& f, const V&) const {
    f.print_flush();
  }
};
inline constexpr flush_fn flush{};

}  // namespace quarn
