# SPDX-License-Identifier: MIT
# Turns the examples of the public headers' /// comments into checks, one
# C++ statement each, for test_header_examples.cpp to include.  An example
# is a line of a "/// @code" ... "/// @endcode" block of the form
#   /// quarn::sprint(...)   // "output"
# (or any other call of quarn:: that returns a string)
# whose output is a C++ string literal.  Other lines of a block (setup,
# calls printing on a terminal) are left to test_examples.cpp.
/^[ \t]*\/\/\/ *@code/ { in_code = 1; next }
/^[ \t]*\/\/\/ *@endcode/ { in_code = 0; next }
in_code && /^[ \t]*\/\/\/ +quarn::[a-z_:0-9]+(<.*>)?\(.*\) +\/\/ "/ {
  line = $0
  sub(/^[ \t]*\/\/\/ +/, "", line)
  n = split(line, part, / +\/\/ /)
  where = FILENAME ":" FNR
  sub(/.*\/src\//, "", where)
  printf "EXPECT_EQ(%s, %s) << \"%s\";\n", part[1], part[n], where
}
