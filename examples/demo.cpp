// SPDX-License-Identifier: MIT
// A tour of Quarn: boxes, break hints and format strings, value dumps and
// styles, printed to standard output at the terminal's width (78 columns
// when it is not known).
//
//   quarn_demo [--color=auto|always|never]
//
// Styles are rendered when standard output is a terminal that is not dumb
// and NO_COLOR is unset or empty (or with --color=always), and print as
// plain text otherwise.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <queue>
#include <stack>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "quarn/cli.hpp"
#include "quarn/quarn.hpp"
#include "quarn/tty.hpp"

namespace {

// A list of integers, "[1; 2; 3]", filled to the margin.
void int_list(quarn::formatter& f, const std::vector<int>& v) {
  quarn::fprint(f, "@[<hov 1>[");
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (i > 0) quarn::fprint(f, ";@ ");
    quarn::fprint(f, "%d", v[i]);
  }
  quarn::fprint(f, "]@]");
}

struct account {
  std::string owner;
  std::optional<std::string> email;
  std::vector<std::pair<std::string, int>> balances;
};

struct endpoint {
  std::string host;
  int port;
  std::vector<int> retries;
};

// One field per line, each field itself free to break after its "=".
void print_endpoint(quarn::formatter& f, const endpoint& e) {
  quarn::fprint(f, "@[<v 2>endpoint {@,@[<hov 2>host =@ %S;@]@,@[<hov 2>port =@ %d;@]@,", e.host, e.port);
  quarn::fprint(f, "@[<hov 2>retries =@ %a@]@;<0 -2>}@]", int_list, e.retries);
}

// A section title, with a blank line before all but the first.
void title(const char* t) {
  static bool first = true;
  if (!first) quarn::print("@.");
  first = false;
  quarn::print("== %s ==@.", t);
}

}  // namespace

// A write error on standard output ends the tour with a message and status 1.
int main(int argc, char** argv) try {
  CLI::App app{"A tour of the Quarn pretty-printing library"};
  const auto color = quarn::cli::style_renderer(app);
  CLI11_PARSE(app, argc, argv);
  quarn::tty::setup_std_outputs(
      {.style_renderer = color.value(), .margin_from_terminal = true, .columns_when_utf_8 = true});

  // A nested record: a vertical box of fields holding boxes that fill.
  title("A nested record");
  const endpoint primary{"db.example.org", 5432, {100, 200, 400, 800}};
  quarn::print("@[<v 2>service {@,name = %S;@,%a;@,%a@;<0 -2>}@]@.", "orders", print_endpoint, primary, print_endpoint,
               endpoint{"replica.example.org", 5433, {50, 50, 50}});

  // A long list refills to the margin: every break hint splits the line
  // only when the next number would not fit.
  title("A long list in a hov box");
  std::vector<int> squares;
  for (int i = 1; i <= 40; ++i) squares.push_back(i * i);
  quarn::print("squares = %a@.", int_list, squares);

  // An hv box is laid out on one line when it fits, and otherwise breaks at
  // every hint.
  title("hv boxes");
  quarn::print("@[<hv 2>point(@,x = 1,@ y = 2,@ z = 3)@]@.");
  quarn::print(
      "@[<hv 2>rectangle(@,top_left = point(x = 10, y = 20),@ bottom_right = point(x = 300, y = "
      "400),@ colour = \"blue\")@]@.");

  // A b box fills like hov, but a hint also splits the line when the line
  // started deeper than the box's own indentation: once the call below has
  // broken, "in" goes back under "let" instead of trailing the call.
  title("hov and b boxes");
  auto call = [](quarn::formatter& f) {
    quarn::fprint(f, "@[<hov 2>sum_of_all(first_argument,@ second_argument,@ third_argument,@ fourth,@ fifth)@]");
  };
  quarn::print("@[<hov 0>let total = %t@ in@ total + 1@]@.", call);
  quarn::print("@[<b 0>let total = %t@ in@ total + 1@]@.", call);

  // %S quotes a string and escapes what would not print plainly.
  title("Escaping with %S");
  const std::string message = "tab\there, \"quoted\", back\\slash,\nnew line, bell \a";
  quarn::print("@[<hov 2>message:@ %S@]@.", message);
  quarn::print("@[<hov 2>verbatim:@ %s@]@.", "as it is");

  // Dumps show values in a source-like syntax.  Lists refill to the margin
  // and break after a semicolon; records always put one field per line.
  title("Value dumps");
  namespace dump = quarn::dump;
  std::map<std::string, std::vector<int>> groups{{"primes", {2, 3, 5, 7, 11, 13}}, {"squares", {1, 4, 9, 16}}};
  quarn::print("@[<2>groups =@ %a@]@.", dump::hashtbl(dump::string, dump::list(quarn::int_)), groups);
  std::vector<int> many(30);
  for (int i = 0; i < 30; ++i) many[i] = i * 37 % 101;
  quarn::print("@[<2>many =@ %a@]@.", dump::list(quarn::int_), many);
  std::stack<std::string> undo;
  for (const char* s : {"insert", "delete", "move"}) undo.push(s);
  std::queue<int> jobs;
  for (int j : {7, 8, 9}) jobs.push(j);
  quarn::print("@[%a@ %a@]@.", dump::stack(dump::string), undo, dump::queue(quarn::int_), jobs);
  const auto account_dump = dump::record<account>({
      dump::field("owner", &account::owner, dump::string),
      dump::field("email", &account::email, dump::option(dump::string)),
      dump::field("balances", &account::balances, dump::list(dump::pair(dump::string, quarn::int_))),
  });
  quarn::print("%a@.", account_dump,
               account{"Ada", std::nullopt, {{"checking", 1200}, {"savings", 56000}, {"brokerage", 98000}}});
  // dump::value chooses the dump printer from the type, however nested.
  quarn::print("@[<2>any =@ %a@]@.", dump::value, std::pair(groups, std::optional(std::vector{0.5, 0.25})));

  // Human-readable magnitudes, rounded up so that nothing looks smaller
  // than it is; a hex dump; text refilled to the margin; a suggestion.
  title("Sizes, spans, hex dumps and text");
  using namespace std::chrono_literals;
  quarn::print("@[<v>sizes: %a, %a, %a@,", quarn::byte_size, 12345LL, quarn::bi_byte_size, 1572864LL,
               quarn::si_size(-3, "s"), 1500LL);
  quarn::print("spans: %a, %a, %a@,", quarn::uint64_ns_span, std::uint64_t{90'000'000'000}, quarn::uint64_ns_span,
               std::uint64_t{18446744073709551615ULL}, quarn::uint64_ns_span, 1500ms);
  quarn::print("%a@,", quarn::for_string(quarn::hex()), std::string("Hello, world!\n0123456789abcdef"));
  quarn::print("@[<hov>%a@]@,", quarn::paragraphs,
               "Words are refilled\nto the   margin, whatever the white space between them: new lines, tabs\tor "
               "runs of spaces.\n\nAn empty line ends a paragraph.");
  quarn::print("%a@]@.", quarn::did_you_mean("command", quarn::string),
               std::pair{std::string("lst"), std::vector<std::string>{"list", "last", "lost"}});

  // Measured in bytes, accented letters and CJK characters look wider than
  // they are and the columns of a table drift; measured in display columns
  // (the choice setup made above for a UTF-8 locale), they line up.
  title("Text in display columns");
  quarn::formatter& out = quarn::stdout_formatter();
  const quarn::text_measure chosen = out.measure();
  const std::pair<const char*, int> cities[] = {
      {"Z\u00fcrich", 421878}, {"\u6771\u4eac", 13960236}, {"S\u00e3o Paulo", 12325232}, {"Oslo", 709037}};
  for (const quarn::text_measure m : {quarn::text_measure::bytes, quarn::text_measure::columns}) {
    out.set_measure(m);
    quarn::print("@[<v>%s:", m == quarn::text_measure::bytes ? "in bytes" : "in columns");
    for (const auto& [city, people] : cities) quarn::print("@,  %-10s|%9d |", city, people);
    quarn::print("@]@.");
  }
  out.set_measure(quarn::text_measure::columns);
  quarn::print("@[<hov 2>%a@]@.", quarn::words,
               "\u65e5\u672c\u8a9e\u306e\u6587 (Japanese text) takes two columns a character, "
               "e\u0301 with a combining accent one, and the line still breaks at the margin.");
  out.set_measure(chosen);

  // Styles nest and never move a line break: the escape sequences take no
  // columns.  Without a terminal (or with --color=never) the same calls
  // print plain text.
  title("Styles");
  const auto bold = quarn::styled(quarn::style::Bold, quarn::string);
  const auto warn = quarn::styled(quarn::Fg(quarn::Yellow), quarn::string);
  quarn::print(
      "@[<hov 2>%a %a@ %a@]@.", bold, "note:", warn, "the disk is nearly full;",
      quarn::styled(quarn::style::Underline,
                    quarn::list(quarn::styled(quarn::Bg(quarn::Hi(quarn::Blue)), quarn::int_), {.sep = quarn::comma})),
      std::vector<int>{91, 95, 99});
  quarn::print("@[<hov 2>%a@]@.", quarn::styled(quarn::Fg(quarn::Red), quarn::list(quarn::int_, {.sep = quarn::comma})),
               many);
  // A 24-bit colour and an entry of the 256-colour palette.
  quarn::print("@[<hov 2>%a@ %a@]@.", quarn::styled(quarn::Fg(quarn::Rgb(255, 136, 0)), quarn::string), "24-bit orange",
               quarn::styled(quarn::Bg(quarn::Indexed(24)), quarn::string), "on palette blue 24");
  // Labelled fields: the labels stand out in yellow.
  const auto account_fields = quarn::record<account>({
      quarn::field("owner", &account::owner, quarn::string),
      quarn::field("email", &account::email, quarn::option(quarn::string, {.none = quarn::any("(none)")})),
      quarn::field(
          "balances", &account::balances,
          quarn::list(quarn::pair(quarn::string, quarn::int_, {.sep = quarn::any(":@ ")}), {.sep = quarn::comma})),
  });
  quarn::print("%a@.", account_fields, account{"Grace", "grace@example.org", {{"checking", 300}, {"savings", 7}}});
  quarn::flush_std_outputs();
  return 0;
} catch (const std::system_error& e) {
  std::fprintf(stderr, "quarn_demo: standard output: %s\n", e.code().message().c_str());
  return 1;
}
