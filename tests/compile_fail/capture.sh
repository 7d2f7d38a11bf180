#!/bin/sh
# SPDX-License-Identifier: MIT
# Compiler launcher of the compile-failure project: runs the compile command
# given as arguments, keeping its messages in <object>.log and its exit
# status in <object>.rc (<object>: the argument after -o), and exits with
# that status.
#
# usage: capture.sh COMPILER ARGUMENT...
object=
previous=
for argument in "$@"; do
    if [ "$previous" = -o ]; then
        object=$argument
    fi
    previous=$argument
done
if [ -z "$object" ]; then
    exec "$@"
fi
mkdir -p "$(dirname "$object")"
"$@" > "$object.log" 2>&1
status=$?
echo "$status" > "$object.rc"
exit "$status"
