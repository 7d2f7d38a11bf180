#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Drives the real toplevel: pipes phrases into quarn-top and checks what it
# writes to standard output and standard error.
#
# usage: run_top.sh CASE QUARN_TOP PLUGIN WORK_DIR [PTY_RUN]
#   CASE       phrases | values | rollback | throw-reset | plugin-no-script
#              | plugin-script | terminal | interrupt
#   QUARN_TOP  the toplevel executable
#   PLUGIN     the quarn_top plug-in
#   WORK_DIR   a scratch directory, emptied first
#   PTY_RUN    the pty_run helper (terminal and interrupt cases only)
# The terminal case needs the start-up script that ships with quarn_tty.
set -uo pipefail

case_name=$1 top=$2 plugin=$3 work=$4 pty_run=${5:-}

rm -rf "$work"
mkdir -p "$work/run" || exit 1
cd "$work/run" || exit 1

failures=0
fail() {
    echo "FAIL ($case_name): $*"
    failures=$((failures + 1))
}

# run INPUT_TEXT [ARGS...]: runs the toplevel in $work/run with INPUT_TEXT
# on standard input; leaves $out, $err and $status.
run() {
    local input=$1
    shift
    printf '%s' "$input" > "$work/input"
    "$top" "$@" < "$work/input" > "$work/out" 2> "$work/err"
    status=$?
    out=$(cat "$work/out")
    err=$(cat "$work/err")
}

show() {
    echo "---- exit status: $status"
    echo "---- standard output:"
    cat "$work/out"
    echo "---- standard error:"
    cat "$work/err"
    echo "----"
}

expect_status() {
    [[ $status -eq $1 ]] || fail "exit status $status, expected $1"
}

expect_out() {
    [[ $out == "$1" ]] || fail "standard output differs; expected:
$1"
}

expect_err_has() {
    grep -qF -- "$1" "$work/err" || fail "standard error lacks: $1"
}

expect_err_count() {
    local n
    n=$(grep -cF -- "$1" "$work/err")
    [[ $n -eq $2 ]] || fail "standard error has \"$1\" $n times, expected $2"
}

expect_err_empty() {
    [[ -z $err ]] || fail "standard error is not empty"
}

list_phrase='quarn::print("@[%a@]@.", quarn::dump::list(quarn::int_), std::vector<int>{1,2,3});'

case $case_name in
phrases)
    # Declarations, statements, a phrase over several lines, errors of
    # every kind (compile error, escaping failure, missing script) each
    # followed by a phrase that still runs, #use and #quit.
    cat > helper.cpp <<'EOF'
#include <quarn/quarn.hpp>
int helper_value =
    11;
EOF
    run '#include <quarn/quarn.hpp>
int shown = (quarn::print("@[%a@]@.", quarn::dump::list(quarn::int_), std::vector<int>{1,2,3}), 0);
quarn::print("%d@.", 6 * 7);
int broken = undefined_thing;
#include <map>
struct point {
  int x, y;
};
point p{3, 4};
quarn::print("(%d, %d)@.", p.x, p.y);
quarn::failwith("boom %d", 3);
quarn::print("%s@.", "after the failure");
#use missing_script.cpp
#use helper.cpp
quarn::print("%d@.", helper_value);
#quit
quarn::print("not reached@.");
'
    # Input from a file: the failed phrases make the status 1.
    expect_status 1
    expect_out '[1; 2; 3]
42
(3, 4)
after the failure
11'
    expect_err_has "use of undeclared identifier 'undefined_thing'"
    expect_err_has "boom 3"
    expect_err_has 'cannot find the script "missing_script.cpp"'
    # The #include after the failed phrase reports nothing of its headers.
    expect_err_count 'warning:' 0
    ;;
values)
    # An expression without a final ';' shows its type and value; one of
    # type void, or with the ';', shows nothing; a type without a printer
    # shows its name alone.
    run '#include <map>
#include <string>
int x = 41;
x + 1
std::map<std::string, std::vector<int>>{{"a", {1, 2}}}
x = 2; x * 10
x * 10;
struct point { int x, y; };
struct widget {};
template <> struct quarn::dump::printer_for<point> {
  void operator()(quarn::formatter& f, const point& p) const { quarn::fprint(f, "<%d %d>", p.x, p.y); }
};
std::vector<point>{{1, 2}}
widget{}
quarn::print("void@.")
std::string("s")
'
    expect_status 0
    expect_err_count 'error' 0
    expect_out '- : int = 42
- : std::map<std::string, std::vector<int>> = (hashtbl ("a", [1; 2]))
- : int = 20
- : std::vector<point> = [<1 2>]
- : widget
void
- : std::string = "s"'
    ;;
plugin-no-script)
    # No start-up script anywhere: the plug-in loads, the toplevel reports
    # the missing script once and goes on.
    export QUARN_TOP_PATH=$work/run
    run "#include <quarn/quarn.hpp>
$list_phrase
" -load "$plugin"
    expect_status 0
    expect_out '[1; 2; 3]'
    expect_err_count 'cannot find the script "quarn_tty_top_init.cpp"' 1
    ;;
plugin-script)
    # A start-up script in the current directory runs once, in the running
    # toplevel: what it declares is there for the next phrases. Loading the
    # plug-in again (by name this time) runs nothing.
    export QUARN_TOP_PATH=$work/run
    cat > quarn_tty_top_init.cpp <<'EOF'
#include <quarn/quarn.hpp>
int start_up_runs = (quarn::print("start-up script ran@."), 1);
EOF
    run "#load $plugin
#load quarn_top
quarn::print(\"%d@.\", start_up_runs);
$list_phrase
"
    expect_status 0
    expect_out 'start-up script ran
1
[1; 2; 3]'
    expect_err_empty
    ;;
rollback)
    # A phrase that does not compile is undone, and every later correct
    # phrase works: the template instances it made, the names it declared
    # (a lambda among them), the headers a failed script included. Quarn is
    # there without an #include.
    cat > failing.cpp <<'EOF'
#include <map>
int broken = ;
EOF
    run '#include <vector>
std::vector<int> a{1,2,3};
quarn::print("%a@.", quarn::dump::value, a); int bad = ;
quarn::print("%a@.", quarn::dump::value, a);
std::vector<int> w{1,2}
w.size()
auto twice = [](int v) { return 2 * v + ; };
auto twice = [](int v) { return 2 * v; };
twice(4)
#use failing.cpp
std::map<int, int>{{1, 2}}
'
    expect_status 1
    expect_out '[1; 2; 3]
- : int = 8
- : std::map<int, int> = (hashtbl (1, 2))'
    expect_err_has "use of undeclared identifier 'w'"
    expect_err_count 'error:' 5
    expect_err_count 'JIT' 0
    expect_err_count 'symbols' 0
    ;;
throw-reset)
    # After a phrase that throws, the next one starts a new document at
    # column 0: not inside the boxes the failed one left open, nor on the
    # line of a value whose printer threw.
    run 'quarn::print("@[<v 20>first@ part@ %t", [](quarn::formatter&) { throw 1; });
quarn::print("@[<hov 2>second:@ aaaa@ bbbb@ cccc@]@.");
struct boom {};
template <> struct quarn::dump::printer_for<boom> {
  void operator()(quarn::formatter& f, const boom&) const { f.print_string("partial"); throw 2; }
};
boom{}
3
'
    expect_status 1
    expect_out 'first
                    part
second: aaaa bbbb cccc
- : boom = partial
- : int = 3'
    expect_err_count 'uncaught exception of type int' 2
    ;;
terminal)
    # The shipped start-up script sets the standard formatters up: styled
    # output carries escape sequences on a terminal whose TERM is set, and
    # none on a pipe.
    [[ -n $pty_run ]] || { echo "terminal case needs PTY_RUN"; exit 2; }
    unset QUARN_TOP_PATH NO_COLOR
    styled_phrase='quarn::print("%a@.", quarn::styled(quarn::Fg(quarn::Red), quarn::string), std::string("red"));'
    printf '%s\n' "$styled_phrase" > "$work/input"
    TERM=xterm "$pty_run" "$work/input" "$top" -load "$plugin" > "$work/out" 2> "$work/err"
    status=$?
    err=$(cat "$work/err")
    expect_status 0
    grep -qF $'\e[0;31mred\e[0m' "$work/out" || fail "no escape sequences on the terminal"
    grep -qF 'cannot find the script' "$work/out" && fail "the start-up script was not found"
    [[ $failures -eq 0 ]] || { echo "---- terminal output:"; cat -v "$work/out"; }

    export TERM=xterm
    run "$styled_phrase
" -load "$plugin"
    expect_status 0
    expect_out 'red'
    expect_err_empty
    ;;
interrupt)
    # Ctrl-C on a terminal: it stops a phrase that runs (in its own code,
    # or blocked in the C library), and drops the line or the phrase being
    # typed; the declarations stay, and the toplevel goes on.
    [[ -n $pty_run ]] || { echo "interrupt case needs PTY_RUN"; exit 2; }
    cat > "$work/script" <<'EOF'
expect quarn> 
send #include <cstdio>\n
expect quarn> 
send #include <unistd.h>\n
expect quarn> 
send int kept = 7;\n
expect quarn> 
send puts("loop" "ing"); fflush(stdout); for (volatile unsigned n = 0;; n = n + 1) {}\n
expect looping
send \x03
expect quarn-top: interrupted
expect quarn> 
send puts("sleep" "ing"); fflush(stdout); while (true) sleep(1);\n
expect sleeping
send \x03
expect quarn-top: interrupted
expect quarn> 
send int lost = 1
expect int lost = 1
send \x03
expect quarn> 
send int lost = 2;\n
expect quarn> 
send struct s {\n
expect    ... 
send \x03
expect quarn> 
send struct s { int a; };\n
expect quarn> 
send kept + lost + s{0}.a\n
expect - : int = 9
expect quarn> 
EOF
    # Keys typed and a Ctrl-C right after they show: the Ctrl-C may come
    # while the keys still wait to be read, and must end the line all the
    # same. Many rounds, since the timing differs from one to the next.
    for _ in $(seq 200); do
        printf 'send int lost = 1\nexpect int lost = 1\nsend \\x03\nexpect quarn> \n'
    done >> "$work/script"
    echo 'send #quit\n' >> "$work/script"
    TERM=dumb "$pty_run" --script "$work/script" "$top" > "$work/out" 2> "$work/err"
    status=$?
    err=$(cat "$work/err")
    expect_status 0
    expect_err_empty
    grep -q 'error' "$work/out" && fail "an error on the terminal"
    [[ $failures -eq 0 ]] || { echo "---- terminal output:"; cat -v "$work/out"; }
    ;;
options)
    # The command line: the help in each spelling, arguments that are not
    # options, an option without its value, and what follows "--" going to
    # the compiler as it is.
    for help in -h -help --help; do
        run '' "$help"
        expect_status 0
        [[ $out == "usage: quarn-top [-load LIB]... [-- CLANG_ARG...]"* ]] || fail "$help: no usage on standard output"
    done
    run '' -load "$plugin" extra
    expect_status 2
    expect_err_has 'quarn-top: unexpected argument extra'
    run '' --load
    expect_status 2
    expect_err_has 'usage: quarn-top'
    run 'X + 2
' -- -DX=40
    expect_status 0
    expect_out '- : int = 42'
    ;;
*)
    echo "unknown case $case_name"
    exit 2
    ;;
esac

if [[ $failures -gt 0 ]]; then
    show
    exit 1
fi
echo "ok ($case_name)"
