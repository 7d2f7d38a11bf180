// SPDX-License-Identifier: MIT
// Fuzzes the layout engine with operation streams decoded from the input.
//
// Checked on every input:
//  - every text that is printed reaches the output once and in order (texts
//    are lower-case letters, conditional texts upper-case, the ellipsis of
//    the box limit a "."; nothing else in the output is a letter);
//  - a flush after the final flush writes nothing;
//  - a document of texts and hints inside an h box that fits on one line
//    (with boxes of any kind but v inside) comes out on one line;
//  - lists of integers lay out the same from a std::vector, which the list
//    printer hands to the engine in batches, as from a std::list, printed
//    element by element, and a run (print_pieces(), print_texts()) lays
//    out as its texts and hints printed one by one, among any other
//    operations, in bytes and in columns.
#include <quarn/quarn.hpp>

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <vector>

#include "common.hpp"

namespace {

using quarn_fuzz::fail;
using quarn_fuzz::reader;

constexpr quarn::box_kind kinds[] = {quarn::box_kind::h, quarn::box_kind::v, quarn::box_kind::hv, quarn::box_kind::hov,
                                     quarn::box_kind::b};

std::string letters(reader& r, char first) {
  std::string s(static_cast<std::size_t>(r.small(0, 6)), first);
  for (char& c : s) c = static_cast<char>(first + r.byte() % 26);
  return s;
}

void arbitrary_document(reader r) {
  std::string out;
  quarn::formatter f(out);
  std::string expected;  // the lower-case texts that must appear, in order
  int depth = 1;         // mirrors the engine's count of open boxes
  int max_boxes = 1 << 30;
  // A conditional-text mark is pending: the next text enqueued may be
  // skipped.  Texts past the maximum box count are not enqueued, so a mark
  // stays pending until a text is (the box count may have been lowered in
  // between).
  bool conditional = false;
  while (r.n > 0) {
    switch (r.byte() % 16) {
      case 0:
      case 1:
        f.open_box(kinds[r.byte() % 5], r.small(-4, 12));
        ++depth;
        break;
      case 2:
        f.close_box();
        if (depth > 1) --depth;
        break;
      case 3:
      case 4:
      case 5: {
        bool cond = conditional;
        std::string s = letters(r, cond ? 'A' : 'a');
        int width = r.byte() % 4 == 0 ? r.small(0, 3) : static_cast<int>(s.size());
        f.print_as(width, s);
        if (depth < max_boxes) {
          conditional = false;
          if (!cond) expected += s;
        }
        continue;
      }
      case 6:
      case 7: f.print_break(r.small(0, 4), r.small(-6, 6)); break;
      case 8: f.force_newline(); break;
      case 9:
        f.print_if_newline();
        conditional = conditional || depth < max_boxes;
        continue;
      case 10:
        f.print_flush();
        depth = 1;
        break;
      case 11: f.set_margin(r.small(-2, 120)); break;
      case 12: f.set_max_indent(r.small(-2, 120)); break;
      case 13: {
        int n = r.small(0, 12);
        f.set_max_boxes(n);
        if (n > 1) max_boxes = n;
        break;
      }
      case 14:
        f.set_mark_tags(r.byte() & 1);
        f.open_tag("0");
        break;
      case 15: f.close_tag(); break;
    }
    if (conditional) {
      // A conditional text is always followed by a text in practice; keep
      // the stream simple by printing one now.
      f.print_string(letters(r, 'A'));
      if (depth < max_boxes) conditional = false;
    }
  }
  f.print_flush();
  std::string got;
  for (char c : out)
    if (c >= 'a' && c <= 'z') got += c;
  if (got != expected) fail("printed texts lost, repeated or reordered");
  std::size_t size = out.size();
  f.print_flush();
  if (out.size() != size) fail("output after the final flush");
}

void fitting_h_box(reader r) {
  std::string out;
  quarn::formatter f(out);
  int margin = r.small(10, 100);
  f.set_margin(margin);
  f.open_box(quarn::box_kind::h);
  int width = 0, budget = margin - 1, open = 0;
  while (r.n > 0) {
    int op = r.byte() % 4;
    if (op == 0) {
      int spaces = r.small(0, 3);
      if (width + spaces > budget) break;
      f.print_break(spaces, r.small(-5, 5));
      width += spaces;
    } else if (op == 1) {
      // Any kind but v, which splits at every hint whatever the room.
      constexpr quarn::box_kind fitting[] = {quarn::box_kind::h, quarn::box_kind::hv, quarn::box_kind::hov,
                                             quarn::box_kind::b};
      f.open_box(fitting[r.byte() % 4], r.small(0, 8));
      ++open;
    } else if (op == 2) {
      if (open > 0) {
        f.close_box();
        --open;
      }
    } else {
      std::string s = letters(r, 'a');
      if (width + static_cast<int>(s.size()) > budget) break;
      f.print_string(s);
      width += static_cast<int>(s.size());
    }
  }
  f.close_box();
  f.print_flush();
  if (out.find('\n') != std::string::npos) fail("a fitting h box was split");
}

// A document with lists of integers and runs of pieces among other
// operations: batched, the lists are printed from a std::vector and the
// runs by print_pieces() and print_texts(); otherwise from a std::list and
// one text and hint at a time.
std::string document_with_batches(reader r, bool batched) {
  const quarn::t<quarn::unit> seps[] = {quarn::cut, quarn::sp, quarn::sps(2), quarn::comma, quarn::semi};
  std::string out;
  quarn::formatter f(out);
  while (r.n > 0) {
    switch (r.byte() % 12) {
      case 0: f.open_box(kinds[r.byte() % 5], r.small(-4, 12)); break;
      case 1: f.close_box(); break;
      case 2: f.print_string(letters(r, 'a')); break;
      case 3: f.print_break(r.small(0, 4), r.small(-6, 6)); break;
      case 4: f.print_if_newline(); break;
      case 5: f.set_margin(r.small(-2, 120)); break;
      case 6: f.set_max_boxes(r.small(0, 12)); break;
      case 7:
        f.set_mark_tags(r.byte() & 1);
        f.open_tag("0");
        break;
      case 8: f.close_tag(); break;
      case 9: {
        // A run: pieces of one string, or a list of texts of any size (some
        // not ASCII, which the column measure counts differently).
        const int spaces = r.small(0, 3);
        const int offset = r.small(-3, 3);
        std::vector<std::string> texts;
        std::string s;
        std::size_t piece = 0;
        if (r.byte() & 1) {
          s = letters(r, 'a') + letters(r, 'a') + letters(r, 'a');
          piece = static_cast<std::size_t>(r.small(1, 5));
          for (std::size_t i = 0; i < s.size(); i += piece) texts.push_back(s.substr(i, piece));
        } else {
          for (int k = r.small(0, 20); k > 0; --k)
            texts.push_back(r.byte() % 8 == 0 ? std::string("\xc3\xa9t\xc3\xa9") : letters(r, 'a'));
        }
        if (!batched) {
          for (std::size_t i = 0; i < texts.size(); ++i) {
            if (i > 0) f.print_break(spaces, offset);
            f.print_string(texts[i]);
          }
        } else if (piece != 0) {
          f.print_pieces(s, piece, spaces, offset);
        } else {
          const std::vector<std::string_view> views(texts.begin(), texts.end());
          f.print_texts(views, spaces, offset);
        }
        break;
      }
      case 10: f.set_measure(r.byte() & 1 ? quarn::text_measure::columns : quarn::text_measure::bytes); break;
      default: {
        std::vector<long long> v(static_cast<std::size_t>(r.small(0, 100)));
        for (long long& x : v) {
          x = r.small(-128, 127);
          for (int k = r.small(0, 16); k > 0; --k) x *= 10;
        }
        const auto list = quarn::list(quarn::int_, {.sep = seps[r.byte() % 5]});
        if (batched)
          list(f, v);
        else
          list(f, std::list<long long>(v.begin(), v.end()));
      }
    }
  }
  f.print_flush();
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  reader r{data + 1, size - 1};
  if (data[0] & 1)
    fitting_h_box(r);
  else
    arbitrary_document(r);
  if (document_with_batches(r, true) != document_with_batches(r, false))
    fail("a list of integers or a run of pieces laid out differently in batches");
  return 0;
}
