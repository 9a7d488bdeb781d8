#!/bin/sh
# Runs one Windows program under Wine for ctest: wine_run.sh <program.exe> [arguments...]
# Wine may start background processes for the program (the desktop, services), and they keep
# the program's standard streams: ctest, reading them through a pipe, would wait for those
# processes to end. So the output goes through a file, passed on once the program ended.
out=$(mktemp) || exit 1
wine "$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
rm -f "$out"
exit $status
