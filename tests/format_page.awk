# SPDX-License-Identifier: MIT
# Turns the examples of docs/format-strings.md into checks, one C++ statement
# each, for test_format_page.cpp to include.  An example is a table row whose
# last two cells are a call in backquotes (`quarn::...`) and either its
# output as a C++ string literal in backquotes or "throws
# `std::invalid_argument`", or a line of a code block of the form
# `quarn::sprint(...)   // "output"`.  A call on `f` runs on the formatter
# that on_f() makes.  A row that names a call but fits neither form becomes
# an #error, so that no example is left out silently.

function trim(s) {
  gsub(/^[ \t]+|[ \t]+$/, "", s)
  return s
}

function unquote(s) {
  return substr(s, 2, length(s) - 2)
}

function check(call, output, where) {
  if (call ~ /\(f, /) call = "on_f([](quarn::formatter& f) { " call "; })"
  if (output ~ /^"/)
    printf "EXPECT_EQ(%s, %s) << \"%s\";\n", call, output, where
  else
    printf "EXPECT_THROW((void)%s, std::invalid_argument) << \"%s\";\n", call, where
}

/^```/ { in_code = !in_code; next }

{ where = FILENAME ":" FNR; sub(/.*\//, "", where) }

in_code && /^quarn::sprint\(.*\) +\/\/ "/ {
  split($0, part, / +\/\/ /)
  check(part[1], part[2], where)
  next
}

!in_code && /^\|/ && /`quarn::/ {
  line = $0
  sub(/^\|/, "", line)
  sub(/\|[ \t]*$/, "", line)
  n = split(line, cell, /\|/)
  call = trim(cell[n - 1])
  output = trim(cell[n])
  if (n >= 2 && call ~ /^`quarn::.*`$/ && output ~ /^`".*"`$/) {
    check(unquote(call), unquote(output), where)
  } else if (n >= 2 && call ~ /^`quarn::.*`$/ && output == "throws `std::invalid_argument`") {
    check(unquote(call), "throws", where)
  } else {
    printf "#error \"%s: an example that is neither a call and its output nor a call that throws\"\n", where
  }
}
