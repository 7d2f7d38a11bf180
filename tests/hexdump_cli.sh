#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the quarn-hexdump command on known inputs and checks its output,
# its colours and its errors.
# usage: hexdump_cli.sh QUARN_HEXDUMP
set -uo pipefail
unset COLUMNS  # a width in COLUMNS becomes the margin
bin=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
# Under an emulator (Wine) the terminal, memory, TMPDIR and mount-namespace
# checks would test the emulator, not the program: they run natively only.
# (Windows takes its temporary folder from GetTempPath, not TMPDIR.)
native=1
[[ -n ${QUARN_TEST_EMULATED:-} ]] && native=0
check() {  # check NAME EXPECTED ACTUAL
    if [[ "$2" != "$3" ]]; then
        echo "FAIL: $1"; echo "  expected: $(printf '%q' "$2")"; echo "  actual:   $(printf '%q' "$3")"; fail=1
    fi
}

check "one line" "0: 4865 6c6c 6f2c 2077 6f72 6c64 210a       Hello, world!.  " \
    "$(printf 'Hello, world!\n' | "$bin")"
printf '0123456789abcdefghij' > "$tmp/twenty"
check "two lines from a file" $'00: 3031 3233 3435 3637 3839 6162 6364 6566  0123456789abcdef\n10: 6768 696a                                ghij            ' \
    "$("$bin" "$tmp/twenty")"
check "width 4" $'0: 6162 6364  abcd\n4: 6566 67    efg ' "$(printf 'abcdefg' | "$bin" --width 4)"
# The terminal's width applies on a terminal only; into a pipe a line is
# never broken, whatever COLUMNS says.
printf 'abcdefghijklmnopqrs' > "$tmp/nineteen"
check "COLUMNS into a pipe" "$("$bin" "$tmp/nineteen")" "$(COLUMNS=40 "$bin" "$tmp/nineteen")"
if (( native )) && command -v script >/dev/null; then
    check "a terminal narrower than a line" \
        $'00: 6162 6364 6566 6768 696a 6b6c 6d6e\n    6f70  abcdefghijklmnop\n10: 7172 73                           \n          qrs             ' \
        "$(script -qec "stty cols 40; COLUMNS=80 '$bin' --color=never '$tmp/nineteen'" /dev/null </dev/null | tr -d '\r')"
fi
check "never coloured" "$(printf 'abc' | "$bin")" "$(printf 'abc' | "$bin" --color=never)"
esc=$'\e'
check "always coloured" "${esc}[0;36m0${esc}[0m: 6162 63                                  ${esc}[0;32mabc             ${esc}[0m" \
    "$(printf 'abc' | "$bin" --color=always)"

"$bin" "$tmp/missing" >"$tmp/out" 2>"$tmp/err"; status=$?
check "missing file status" 1 "$status"
check "missing file message" "quarn-hexdump: $tmp/missing: No such file or directory" "$(cat "$tmp/err")"
for bad in 0 -3 abc 70000; do
    "$bin" --width "$bad" "$tmp/twenty" >/dev/null 2>"$tmp/err"; status=$?
    [[ $status -ne 0 ]] || { echo "FAIL: width $bad accepted"; fail=1; }
    grep -q -- '--width' "$tmp/err" || { echo "FAIL: width $bad: no message naming --width"; fail=1; }
done
"$bin" --color=sometimes "$tmp/twenty" >/dev/null 2>&1 && { echo "FAIL: bad --color accepted"; fail=1; }

# Streaming: a pipe is dumped as the file of the same bytes, also past the
# read-ahead buffer; an endless input prints its first line and stops when
# the reader goes away.
head -c 1500000 /dev/zero >"$tmp/zeros"
check "pipe as file" "$("$bin" "$tmp/zeros" | cksum)" "$(head -c 1500000 /dev/zero | "$bin" | cksum)"
# Without a usable TMPDIR a pipe waits in the system's temporary directory,
# never in memory; with none at all the dump stops with a message.
if (( native )); then
    small=$(printf 'a' | TMPDIR="$tmp/none" /usr/bin/time -f %M "$bin" 2>&1 >/dev/null)
    big=$(head -c 24M /dev/zero | TMPDIR="$tmp/none" /usr/bin/time -f %M "$bin" 2>&1 >/dev/null)
    (( big - small < 16384 )) || { echo "FAIL: a 24 MiB pipe took $((big - small)) KiB more memory than 1 byte"; fail=1; }
    check "pipe as file, TMPDIR missing" "$("$bin" "$tmp/zeros" | cksum)" \
        "$(head -c 1500000 /dev/zero | TMPDIR="$tmp/none" "$bin" | cksum)"
fi
# (/tmp made read-only in a mount namespace of our own, where one can be made.)
if (( native )) && [[ $bin != /tmp/* ]] && unshare -rm sh -c 'mount -t tmpfs -o ro tmpfs /tmp' 2>/dev/null; then
    head -c 1500000 /dev/zero | unshare -rm sh -c 'mount -t tmpfs -o ro tmpfs /tmp && TMPDIR="$1/none" "$2"' \
        sh "$tmp" "$bin" >/dev/null 2>"$tmp/err"; status=$?
    check "no temporary file: status" 1 "$status"
    check "no temporary file: message" "quarn-hexdump: cannot hold the input until its end: no temporary file can be made in $tmp/none (No such file or directory), /tmp (Read-only file system)" "$(cat "$tmp/err")"
fi
check "endless input" "00000000: 0000 0000 0000 0000 0000 0000 0000 0000  ................" \
    "$(timeout 10 "$bin" /dev/zero | head -n 1)"

# --skip and --length: addresses count from the start of the input, from a
# file or a pipe; nothing is left to dump past the end.
check "skip" "10: 6768 696a  ghij" "$("$bin" -w 4 --skip 0x10 "$tmp/twenty")"
check "skip and length" $'3: 3334 3536  3456\n7: 3738       78  ' "$("$bin" -w 4 -s 3 -n 6 "$tmp/twenty")"
check "skip and length from a pipe" $'3: 3334 3536  3456\n7: 3738       78  ' "$(cat "$tmp/twenty" | "$bin" -w 4 -s 3 -n 6)"
for args in "-s 20" "-s 0x100" "-n 0"; do
    check "nothing to dump: $args" "" "$("$bin" $args "$tmp/twenty")"
    check "nothing to dump from a pipe: $args" "" "$(cat "$tmp/twenty" | "$bin" $args)"
done
for bad in "--skip abc" "--skip -1" "--skip 0x" "--length 1.5" "--length 99999999999999999999"; do
    "$bin" $bad "$tmp/twenty" >/dev/null 2>"$tmp/err"; status=$?
    [[ $status -ne 0 ]] || { echo "FAIL: $bad accepted"; fail=1; }
    grep -q -- "${bad%% *}" "$tmp/err" || { echo "FAIL: $bad: no message naming ${bad%% *}"; fail=1; }
done
[[ $("$bin" --version) == "quarn-hexdump "[0-9]* ]] || { echo "FAIL: --version"; fail=1; }

[[ $fail -eq 0 ]] && echo "quarn-hexdump: all checks passed"
exit $fail
