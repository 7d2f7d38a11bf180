# SPDX-License-Identifier: MIT
# Doxygen input filter for the headers: the headers' comments set examples
# apart as a block indented by three spaces after "///", between blank
# comment lines, which Markdown would read as text.  This filter marks such
# a block as code: the blank comment line before it becomes "/// @code" and
# the one after it "/// @endcode" (or "@endcode" is added to its last line
# when the comment ends there).  No line is added or removed, so Doxygen's
# warnings keep the headers' line numbers.
function blank(s) { return s ~ /^[ \t]*\/\/\/[ \t]*$/ }
function code(s) { return s ~ /^[ \t]*\/\/\/    *[^ \t]/ }
{ line[NR] = $0 }
END {
  for (i = 1; i <= NR; i++) {
    if (code(line[i]) && i > 1 && blank(line[i - 1]) && !in_block[i - 1]) {
      sub(/\/\/\/.*/, "/// @code", line[i - 1])
      j = i
      # The block goes on over blank lines that more code follows.
      while (j < NR && (code(line[j + 1]) || (blank(line[j + 1]) && j + 2 <= NR && code(line[j + 2])))) j++
      for (k = i; k <= j; k++) in_block[k] = 1
      if (j < NR && blank(line[j + 1]))
        sub(/\/\/\/.*/, "/// @endcode", line[j + 1])
      else
        line[j] = line[j] " @endcode"
      i = j
    }
  }
  for (i = 1; i <= NR; i++) print line[i]
}
