// SPDX-License-Identifier: MIT
// The texts of quarn::streamed and quarn::formatted, and how they are laid
// out.
#include "quarn/streamed.hpp"

#include <sstream>
#include <string>

namespace quarn::detail {

void print_foreign_text(formatter& f, std::string_view text) {
  std::size_t nl = text.find('\n');
  if (nl == std::string_view::npos) {
    f.print_string(text);
    return;
  }
  // Every break hint of a vertical box breaks, at the box's column: the
  // lines stay aligned under the first, wherever the text starts.
  f.open_box(box_kind::v, 0);
  for (;;) {
    f.print_string(text.substr(0, nl));
    if (nl == std::string_view::npos) break;
    f.print_break(0, 0);
    text.remove_prefix(nl + 1);
    nl = text.find('\n');
  }
  f.close_box();
}

void print_streamed(formatter& f, void (*write)(std::ostream&, const void*), const void* v) {
  std::ostringstream os;
  write(os, v);
  const std::string text = os.str();
  print_foreign_text(f, text);
}

}  // namespace quarn::detail
