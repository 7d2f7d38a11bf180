# SPDX-License-Identifier: MIT
# Doxygen input filter for the Markdown guide pages: gives each heading the
# anchor a GitHub reader's link uses ("## Flags, width and precision" gets
# {#flags-width-and-precision}), so that links such as [Errors](#errors)
# work on the reference site as they do on GitHub.  The first heading names
# the page: "format-strings" for docs/format-strings.md.
/^```/ { in_code = !in_code }
!in_code && /^#+ / && !/\{#[^}]*\}[ \t]*$/ {
  title = $0
  sub(/^#+ +/, "", title)
  slug = tolower(title)
  gsub(/[^a-z0-9 _-]/, "", slug)
  gsub(/ /, "-", slug)
  if (!named++) {
    slug = FILENAME
    sub(/.*\//, "", slug)
    sub(/\.md$/, "", slug)
  }
  print $0 " {#" slug "}"
  next
}
{ print }
