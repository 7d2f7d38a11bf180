// SPDX-License-Identifier: MIT
// Reading phrases at the toplevel: telling directives from code, joining the
// lines of a phrase that spans several, and wrapping statements so that the
// interpreter, which takes only declarations at top level, can run them.
// Pure text functions, no interpreter here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quarn::top {

/// The toplevel's own directives. Any other line starting with '#' is a
/// preprocessor line (#include, #define ...) and goes to the compiler.
struct directive {
  enum class kind { load, use, quit };
  kind what;
  std::string argument;  ///< LIB or FILE; empty for quit
};

/// Recognises "#load LIB", "#use FILE" and "#quit", with optional blanks
/// around the '#' and the word, and the argument optionally in double quotes.
/// Returns nullopt for anything else (including "#loader"). A directive that
/// needs an argument and has none is still recognised, with an empty one.
[[nodiscard]] std::optional<directive> parse_directive(std::string_view line);

/// Follows the brackets of C++ text fed line by line, skipping string and
/// character literals and comments, to tell whether a phrase is complete:
/// it is not while a bracket, a block comment or a literal is open, or when
/// the last line ends with a backslash.
class phrase_scanner {
public:
  void feed(std::string_view line);
  /// True when the text fed so far can be run as it is.
  [[nodiscard]] bool complete() const noexcept;
  /// Starts afresh for the next phrase.
  void reset() noexcept { *this = phrase_scanner{}; }

private:
  enum class state { code, block_comment, string, character };
  state state_ = state::code;
  int depth_ = 0;
  bool continued_ = false;
};

/// True when the text has nothing but blanks and comments.
[[nodiscard]] bool is_blank(std::string_view code);

/// How a phrase typed at the prompt is run. The interpreter takes only
/// declarations at top level, so other statements are wrapped (see
/// wrap_statements). The choice is made from the first words of the phrase,
/// never by trying: a failed attempt would print the compiler's errors, and
/// the statements of a phrase that reads both ways would run or not depending
/// on whether it compiles as declarations.
enum class phrase_kind { declarations, statements };

/// Declarations: a phrase that starts with '#' (a preprocessor line), an
/// attribute, a keyword that starts declarations (int, auto, struct,
/// template, using, static ...), or a name (qualified, with template
/// arguments) followed by a word, or by '*' or '&' and then no literal and no
/// '(' (`std::vector<int> v`, `point* p`, `int_ptr* const q`). Statements:
/// everything else, such as a keyword that starts statements or expressions
/// (if, for, return, throw, new, static_cast ...), a block, a literal or an
/// operator, and a name followed by anything else (`f(1);`, `x = 2;`,
/// `v.push_back(3);`, `std::cout << 4;`, `x * 10`, `flags & (1 << 3)`).
[[nodiscard]] phrase_kind classify(std::string_view code);

/// Wraps statements into declarations that run them once: a function named
/// after `serial`, called from the initializer of a variable. Compiler
/// messages about the wrapped text give the line numbers of `code` itself.
/// Local variables of the statements end with them.
[[nodiscard]] std::string wrap_statements(std::string_view code, unsigned serial);

/// A phrase of statements that ends with an expression: its value is shown.
struct expression_phrase {
  std::string_view statements;  ///< what comes before, up to its last ';'
  std::string_view expression;
};

/// Splits statements (as classify tells them) whose last one is an
/// expression without a final ';' (`x + 1`, `v.size()`, `x = 2; x * x`):
/// the text after the last ';' outside brackets. Nullopt when the phrase
/// ends with ';' (after blanks and comments), or when its last part starts
/// with a keyword of a statement (if, for, while, do, switch, try, return
/// ...), a block, or reads as a declaration.
[[nodiscard]] std::optional<expression_phrase> split_expression(std::string_view code);

/// As wrap_statements, with the expression's value passed to
/// ::quarn::top::show_phrase_value (see quarn_top_value.hpp), through an
/// operator that also accepts a void expression.
[[nodiscard]] std::string wrap_expression(const expression_phrase& phrase, unsigned serial);

}  // namespace quarn::top
