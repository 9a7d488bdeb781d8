#!/usr/bin/env bash
# Runs the cross-built Windows tests of a build directory with ctest under Wine:
#   tests/windows/run_under_wine.sh <build-dir> [ctest options...]
# Everything lives in a throw-away directory that goes when the run ends: the Wine prefix,
# the COM port pairs and the modem lines.
#   - COM<n> and COM<n+100> (n = 60 .. 63) are the two ends of one line: two pseudo-terminals
#     joined by socat, mapped as the prefix's dosdevices.
#   - A pseudo-terminal has no modem lines: modem_lines_shim.c, preloaded into the Wine
#     processes, gives them some. Their input lines come from the file NIMBREL_MODEM_LINES,
#     which the tests write through its Windows name NIMBREL_MODEM_LINES_WINDOWS.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
shift

work=$(mktemp -d /tmp/nimbrel-wine.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

relays=()
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ ${#relays[@]} -eq 0 ] || kill "${relays[@]}" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

cc -shared -fPIC -O2 -Wall -Wextra -o "$work/modem_lines_shim.so" "$here/modem_lines_shim.c" -ldl

# Wine's background processes keep the standard streams of the call that started them, and
# a reader of those would wait for them to end: they get none.
# A new prefix first, without a display (the null driver serves hidden windows); then every
# process of the set-up must have ended (wineserver -w), or the first tests wait seconds for
# services that are still starting.
mkdir -p "$WINEPREFIX"
wine wineboot -i </dev/null >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
wineserver -w
# One server and its services for the whole run: a test then starts in a few hundredths of a
# second.
wineserver -p </dev/null >/dev/null 2>&1
wine wineboot </dev/null >/dev/null 2>&1

for n in 60 61 62 63; do
  partner=$((n + 100))
  socat "pty,raw,echo=0,link=$work/com$n" "pty,raw,echo=0,link=$work/com$partner" \
    </dev/null >/dev/null 2>&1 &
  relays+=($!)
  for _ in $(seq 100); do
    [ -e "$work/com$n" ] && [ -e "$work/com$partner" ] && break
    sleep 0.05
  done
  ln -s "$work/com$n" "$WINEPREFIX/dosdevices/com$n"
  ln -s "$work/com$partner" "$WINEPREFIX/dosdevices/com$partner"
done

export NIMBREL_MODEM_LINES=$work/modem-lines
export NIMBREL_MODEM_LINES_WINDOWS="Z:${NIMBREL_MODEM_LINES//\//\\}"
export LD_PRELOAD=$work/modem_lines_shim.so
ctest --test-dir "$build" "$@"
