// SPDX-License-Identifier: MIT
#include "phrases.hpp"

#include <cctype>
#include <initializer_list>

namespace quarn::top {

namespace {

bool is_blank_char(char c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) noexcept {
  while (!s.empty() && (is_blank_char(s.front()) || s.front() == '\n')) s.remove_prefix(1);
  while (!s.empty() && (is_blank_char(s.back()) || s.back() == '\n')) s.remove_suffix(1);
  return s;
}

bool is_word_char(char c) noexcept { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

}  // namespace

std::optional<directive> parse_directive(std::string_view line) {
  std::string_view s = trim(line);
  if (s.empty() || s.front() != '#') return std::nullopt;
  s.remove_prefix(1);
  while (!s.empty() && is_blank_char(s.front())) s.remove_prefix(1);
  std::size_t n = 0;
  while (n < s.size() && is_word_char(s[n])) ++n;
  const std::string_view word = s.substr(0, n);
  directive d{};
  if (word == "load") {
    d.what = directive::kind::load;
  } else if (word == "use") {
    d.what = directive::kind::use;
  } else if (word == "quit") {
    d.what = directive::kind::quit;
  } else {
    return std::nullopt;
  }
  std::string_view arg = trim(s.substr(n));
  if (arg.size() >= 2 && arg.front() == '"' && arg.back() == '"') {
    arg = arg.substr(1, arg.size() - 2);
  }
  d.argument = std::string(arg);
  return d;
}

void phrase_scanner::feed(std::string_view line) {
  // A backslash-newline joins lines before anything else is read, so it
  // continues literals and line comments too.
  continued_ = !line.empty() && line.back() == '\\';
  // Whether the word being read started with a digit: then a quote is a
  // digit separator (1'000), not a character literal.
  bool in_word = false;
  bool word_is_number = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    const char next = i + 1 < line.size() ? line[i + 1] : '\0';
    switch (state_) {
      case state::block_comment:
        if (c == '*' && next == '/') {
          state_ = state::code;
          ++i;
        }
        continue;
      case state::string:
      case state::character:
        if (c == '\\') {
          ++i;
        } else if (c == (state_ == state::string ? '"' : '\'')) {
          state_ = state::code;
        }
        continue;
      case state::code: break;
    }
    if (is_word_char(c)) {
      if (!in_word) word_is_number = std::isdigit(static_cast<unsigned char>(c)) != 0;
      in_word = true;
      continue;
    }
    const bool after_number = in_word && word_is_number;
    in_word = false;
    switch (c) {
      case '/':
        if (next == '/') {
          // The rest of the line is a comment; a final backslash continues it.
          return;
        }
        if (next == '*') {
          state_ = state::block_comment;
          ++i;
        }
        break;
      case '"': state_ = state::string; break;
      case '\'':
        if (after_number) {
          in_word = true;  // 1'000: still the same number
        } else {
          state_ = state::character;
        }
        break;
      case '(':
      case '[':
      case '{': ++depth_; break;
      case ')':
      case ']':
      case '}': --depth_; break;
      default: break;
    }
  }
  // A literal cannot span lines without a backslash: leave it to the
  // compiler to complain about.
  if (!continued_ && (state_ == state::string || state_ == state::character)) state_ = state::code;
}

bool phrase_scanner::complete() const noexcept { return !continued_ && state_ == state::code && depth_ <= 0; }

bool is_blank(std::string_view code) {
  std::size_t i = 0;
  while (i < code.size()) {
    const char c = code[i];
    if (is_blank_char(c) || c == '\n') {
      ++i;
    } else if (code.substr(i, 2) == "//") {
      const auto end = code.find('\n', i);
      if (end == std::string_view::npos) return true;
      i = end + 1;
    } else if (code.substr(i, 2) == "/*") {
      const auto end = code.find("*/", i + 2);
      if (end == std::string_view::npos) return true;
      i = end + 2;
    } else {
      return false;
    }
  }
  return true;
}

namespace {

// A function and a variable initialized by calling it, both static, rather
// than a lambda in an unnamed namespace: clang 19 crashes when it drops a
// failed phrase that declares something unnamed (a lambda's class, the
// namespace) at top level.
std::string wrapped(unsigned serial, std::string_view body) {
  const std::string name = "quarn_top_statements_" + std::to_string(serial);
  std::string out = "static int " + name + "() {\n#line 1\n";
  out += body;
  out += "\n;\nreturn 0; }\nstatic int " + name + "_run = " + name + "();\n";
  return out;
}

}  // namespace

std::string wrap_statements(std::string_view code, unsigned serial) { return wrapped(serial, code); }

std::string wrap_expression(const expression_phrase& phrase, unsigned serial) {
  // Nothing but the expression's own text goes on new lines, so that the
  // line numbers stay those of the phrase.
  std::string body(phrase.statements);
  body += "::quarn::top::show_phrase_value(((";
  body += phrase.expression;
  body += "\n), ::quarn::top::phrase_value_probe{}))";
  return wrapped(serial, body);
}

namespace {

// Just enough of a C++ lexer to read the first words of a phrase.
struct token {
  enum class kind { word, punct, literal, end };
  kind what = kind::end;
  std::string_view text;
  bool is(std::string_view p) const noexcept { return what == kind::punct && text == p; }
};

class lexer {
public:
  explicit lexer(std::string_view s) : s_(s) {}

  token next() {
    skip_blanks_and_comments();
    if (i_ >= s_.size()) return {};
    const std::size_t start = i_;
    const char c = s_[i_];
    if (is_word_char(c)) {
      const bool number = std::isdigit(static_cast<unsigned char>(c)) != 0;
      while (i_ < s_.size() && (is_word_char(s_[i_]) || (number && (s_[i_] == '\'' || s_[i_] == '.')))) ++i_;
      // A prefix of a literal: u8"x", L'x', R"(x)".
      if (!number && i_ < s_.size() && (s_[i_] == '"' || s_[i_] == '\'')) return quoted(start);
      return {number ? token::kind::literal : token::kind::word, s_.substr(start, i_ - start)};
    }
    if (c == '"' || c == '\'') return quoted(start);
    static constexpr std::string_view pairs[] = {"::", "->", "++", "--", "<<", ">>", "&&", "||", "[["};
    for (auto p : pairs) {
      if (s_.substr(i_, 2) == p) {
        i_ += 2;
        return {token::kind::punct, p};
      }
    }
    ++i_;
    return {token::kind::punct, s_.substr(start, 1)};
  }

private:
  void skip_blanks_and_comments() {
    while (i_ < s_.size()) {
      if (is_blank_char(s_[i_]) || s_[i_] == '\n') {
        ++i_;
      } else if (s_.substr(i_, 2) == "//") {
        const auto end = s_.find('\n', i_);
        i_ = end == std::string_view::npos ? s_.size() : end + 1;
      } else if (s_.substr(i_, 2) == "/*") {
        const auto end = s_.find("*/", i_ + 2);
        i_ = end == std::string_view::npos ? s_.size() : end + 2;
      } else {
        return;
      }
    }
  }

  // A string or character literal (its prefix, if any, starts at `start`).
  token quoted(std::size_t start) {
    const char q = s_[i_++];
    while (i_ < s_.size() && s_[i_] != q && s_[i_] != '\n') {
      if (s_[i_] == '\\') ++i_;
      ++i_;
    }
    if (i_ < s_.size()) ++i_;
    return {token::kind::literal, s_.substr(start, i_ - start)};
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

bool one_of(std::string_view w, std::initializer_list<std::string_view> words) noexcept {
  for (auto x : words) {
    if (w == x) return true;
  }
  return false;
}

bool starts_declaration(std::string_view w) noexcept {
  return one_of(
      w, {"alignas", "asm",      "auto",         "bool",      "char",      "char8_t",   "char16_t", "char32_t",
          "class",   "concept",  "const",        "consteval", "constexpr", "constinit", "decltype", "double",
          "enum",    "explicit", "export",       "extern",    "float",     "friend",    "inline",   "int",
          "long",    "mutable",  "namespace",    "register",  "short",     "signed",    "static",   "static_assert",
          "struct",  "template", "thread_local", "typedef",   "typename",  "union",     "unsigned", "using",
          "virtual", "void",     "volatile",     "wchar_t"});
}

bool starts_statement(std::string_view w) noexcept {
  return one_of(w, {"alignof",     "break",
                    "case",        "co_await",
                    "co_return",   "co_yield",
                    "const_cast",  "continue",
                    "default",     "delete",
                    "do",          "dynamic_cast",
                    "else",        "false",
                    "for",         "goto",
                    "if",          "new",
                    "noexcept",    "nullptr",
                    "operator",    "reinterpret_cast",
                    "return",      "sizeof",
                    "static_cast", "switch",
                    "this",        "throw",
                    "true",        "try",
                    "typeid",      "while"});
}

// Skips template arguments after their '<'; false when no matching '>'
// comes before the end of the phrase, a ';' or a '{' outside brackets.
bool skip_template_arguments(lexer& lex) {
  int angles = 1;
  int nested = 0;  // (), [] and {} inside the arguments
  while (true) {
    const token t = lex.next();
    if (t.what == token::kind::end) return false;
    if (t.what != token::kind::punct) continue;
    if (t.is("(") || t.is("[") || t.is("[[") || (nested > 0 && t.is("{"))) {
      ++nested;
    } else if (t.is(")") || t.is("]") || (nested > 0 && t.is("}"))) {
      if (--nested < 0) return false;
    } else if (nested == 0 && (t.is(";") || t.is("{"))) {
      return false;
    } else if (nested == 0 && t.is("<")) {
      ++angles;
    } else if (nested == 0 && (t.is(">") || t.is(">>"))) {
      angles -= t.is(">") ? 1 : 2;
      if (angles <= 0) return true;
    }
  }
}

bool starts_non_expression_statement(const token& t) noexcept {
  if (t.what == token::kind::punct) return t.is("{") || t.is(";") || t.is("#");
  return t.what == token::kind::word &&
         one_of(t.text, {"break", "case", "catch", "co_return", "continue", "default", "do", "else", "for", "goto",
                         "if", "return", "switch", "try", "while"});
}

}  // namespace

std::optional<expression_phrase> split_expression(std::string_view code) {
  // The last token, and where the text after the last ';' outside brackets
  // starts.
  lexer lex(code);
  std::size_t after_semicolon = 0;
  token last;
  int depth = 0;
  for (token t = lex.next(); t.what != token::kind::end; t = lex.next()) {
    last = t;
    if (t.what != token::kind::punct) continue;
    if (t.is("(") || t.is("[") || t.is("{")) {
      ++depth;
    } else if (t.is("[[")) {
      depth += 2;
    } else if (t.is(")") || t.is("]") || t.is("}")) {
      --depth;
    } else if (t.is(";") && depth == 0) {
      after_semicolon = static_cast<std::size_t>(t.text.data() - code.data()) + 1;
    }
  }
  if (last.what == token::kind::end || last.is(";")) return std::nullopt;
  const std::string_view expression = code.substr(after_semicolon);
  lexer first(expression);
  if (starts_non_expression_statement(first.next()) || classify(expression) != phrase_kind::statements) {
    return std::nullopt;
  }
  return expression_phrase{code.substr(0, after_semicolon), expression};
}

phrase_kind classify(std::string_view code) {
  lexer lex(code);
  token t = lex.next();
  switch (t.what) {
    case token::kind::end: return phrase_kind::declarations;
    case token::kind::literal: return phrase_kind::statements;
    case token::kind::punct:
      if (t.is("#") || t.is("[[") || t.is(";")) return phrase_kind::declarations;
      if (!t.is("::")) return phrase_kind::statements;
      t = lex.next();  // a name from the global namespace
      break;
    case token::kind::word:
      if (starts_declaration(t.text)) return phrase_kind::declarations;
      if (starts_statement(t.text)) return phrase_kind::statements;
      break;
  }
  // A name: word, template arguments, "::", word ...
  while (true) {
    if (t.what != token::kind::word) return phrase_kind::statements;
    t = lex.next();
    if (t.is("<")) {
      if (!skip_template_arguments(lex)) return phrase_kind::statements;
      t = lex.next();
    }
    if (!t.is("::")) break;
    t = lex.next();
    if (t.what == token::kind::word && t.text == "template") t = lex.next();
  }
  // What follows the name tells a declared entity from an expression. After
  // '*' or '&' a declaration goes on with a name, a qualifier or another
  // '*' or '&'; a literal or a '(' makes a product or a bitwise and.
  if (t.what == token::kind::word) return phrase_kind::declarations;
  if (t.is("*") || t.is("&") || t.is("&&")) {
    t = lex.next();
    return t.what == token::kind::literal || t.is("(") ? phrase_kind::statements : phrase_kind::declarations;
  }
  return phrase_kind::statements;
}

}  // namespace quarn::top
