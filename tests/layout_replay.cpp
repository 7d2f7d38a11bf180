// SPDX-License-Identifier: MIT
// Replays a file of layout cases through the engine.
//
//   layout_replay FILE
//
// For each case of FILE, in order, runs its operations on a fresh string
// formatter (margin, then maximum indentation, the operations, a final flush)
// and prints the output as one C-style quoted line: \\ \" \n, and \xHH for any
// other byte outside 32..126.  Nothing else goes to standard output; problems
// with the file are reported on standard error with exit status 2.
#include <quarn/engine.hpp>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

[[noreturn]] void die(const std::string& file, int line, const std::string& what) {
  std::cerr << file << ":" << line << ": " << what << "\n";
  std::exit(2);
}

std::string escape(const std::string& s) {
  std::string r = "\"";
  for (unsigned char c : s) {
    if (c == '\\') {
      r += "\\\\";
    } else if (c == '"') {
      r += "\\\"";
    } else if (c == '\n') {
      r += "\\n";
    } else if (c < 32 || c > 126) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      r += buf;
    } else {
      r += static_cast<char>(c);
    }
  }
  return r + "\"";
}

quarn::box_kind parse_kind(const std::string& k, const std::string& file, int line) {
  if (k == "h") return quarn::box_kind::h;
  if (k == "v") return quarn::box_kind::v;
  if (k == "hv") return quarn::box_kind::hv;
  if (k == "hov") return quarn::box_kind::hov;
  if (k == "b") return quarn::box_kind::b;
  die(file, line, "unknown box kind '" + k + "'");
}

int to_int(const std::string& s, const std::string& file, int line) {
  try {
    std::size_t used = 0;
    int n = std::stoi(s, &used);
    if (used != s.size()) throw std::invalid_argument(s);
    return n;
  } catch (const std::exception&) {
    die(file, line, "not a number: '" + s + "'");
  }
}

// Runs one operation line on the formatter.
void run_op(quarn::formatter& f, const std::string& text, const std::string& file, int line) {
  std::istringstream in(text);
  std::string op;
  in >> op;
  std::vector<std::string> args;
  for (std::string w; in >> w;) args.push_back(w);
  auto need = [&](std::size_t n) {
    if (args.size() != n) die(file, line, "operation '" + op + "' takes " + std::to_string(n) + " arguments");
  };
  if (op == "o") {
    need(2);
    f.open_box(parse_kind(args[0], file, line), to_int(args[1], file, line));
  } else if (op == "c") {
    need(0);
    f.close_box();
  } else if (op == "s") {
    need(1);
    f.print_string(args[0]);
  } else if (op == "e") {
    need(0);
    f.print_string("");
  } else if (op == "a") {
    if (args.size() == 1) args.emplace_back();
    need(2);
    f.print_as(to_int(args[0], file, line), args[1]);
  } else if (op == "k") {
    need(2);
    f.print_break(to_int(args[0], file, line), to_int(args[1], file, line));
  } else if (op == "n") {
    need(0);
    f.force_newline();
  } else if (op == "f") {
    need(0);
    f.print_flush();
  } else if (op == "i") {
    need(0);
    f.print_if_newline();
  } else {
    die(file, line, "unknown operation '" + op + "'");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: layout_replay FILE\n";
    return 2;
  }
  const std::string file = argv[1];
  std::ifstream in(file);
  if (!in) {
    std::cerr << "layout_replay: cannot open " << file << "\n";
    return 2;
  }
  std::string text;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    if (text.empty() || text[0] == '#') continue;
    std::istringstream head(text);
    std::string word, name, m_word, i_word;
    int margin = 0, max_indent = 0;
    if (!(head >> word >> name >> m_word >> margin >> i_word >> max_indent) || word != "case" || m_word != "margin" ||
        i_word != "max_indent")
      die(file, line, "expected 'case NAME margin M max_indent I'");
    std::string out;
    quarn::formatter f(out);
    f.set_margin(margin);
    f.set_max_indent(max_indent);
    bool expect = false;
    while (std::getline(in, text)) {
      ++line;
      if (text == "expect") {
        expect = true;
        break;
      }
      run_op(f, text, file, line);
    }
    if (!expect) die(file, line, "case " + name + " has no 'expect'");
    f.print_flush();
    // Skip the expected text and the closing 'end'.
    while (std::getline(in, text)) {
      ++line;
      if (text == "end") break;
    }
    std::cout << escape(out) << "\n";
  }
  return 0;
}
