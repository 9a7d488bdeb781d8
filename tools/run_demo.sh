#!/usr/bin/env bash
# The logger against the station simulator, as a script would run it unattended: COM1 is the
# simulator's pseudo-terminal, the log is wetter.txt with the flag file nimbrel.flag, polled
# once at start and then every minute.
#
# With a display ($DISPLAY or $WAYLAND_DISPLAY) the logger's window shows. Without one the
# logger runs on Qt's offscreen platform, its error boxes go to stderr, and every log line is
# printed here as it is written. Ctrl-C (or closing the window) ends both programs.
#
#   tools/run_demo.sh BUILD_DIR [RUN_DIR]     RUN_DIR defaults to BUILD_DIR/demo
set -euo pipefail

build=$(cd "${1:?usage: run_demo.sh BUILD_DIR [RUN_DIR]}" && pwd)
run=${2:-$build/demo}
simulator=$build/tools/station_sim/station-sim
logger=$build/app/nimbrel
for program in "$simulator" "$logger"; do
  [ -x "$program" ] || { echo "run_demo.sh: $program is not built" >&2; exit 1; }
done
mkdir -p "$run"
cd "$run"

children=()
stop_all() {
  trap - EXIT INT TERM
  # Background jobs of a script ignore Ctrl-C, so they are ended here.
  for pid in "${children[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  echo "Demo ended; the log is $run/wetter.txt"
}
trap stop_all EXIT
trap 'exit 130' INT TERM

# The log is Windows-1252 with CR LF: print its lines with the degree sign in UTF-8, no CR.
show_log_lines() {
  local LC_ALL=C line
  while IFS= read -r line; do
    line=${line%$'\r'}
    printf '%s\n' "${line//$'\xb0'/°}"
  done
}

rm -f station.pty
"$simulator" >station.pty &
children+=($!)
for _ in $(seq 50); do [ -s station.pty ] && break; sleep 0.1; done
pty=$(head -n 1 station.pty)
[ -n "$pty" ] || { echo "run_demo.sh: the simulator printed no terminal" >&2; exit 1; }
export SIO_COM1=$pty
echo "Station simulator on $pty (COM1); logging into $run/wetter.txt"

arguments=(port=1 file=wetter.txt int=1 -record flag=nimbrel.flag)
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$logger" "${arguments[@]}" &
  logger_pid=$!
else
  echo "No display: the logger runs offscreen; its log lines follow (Ctrl-C ends)."
  export QT_QPA_PLATFORM=offscreen NIMBREL_ERRORS_TO_STDERR=1
  export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$run/.runtime}
  mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
  tail -n 5 -F wetter.txt 2>/dev/null > >(show_log_lines) &
  children+=($!)
  "$logger" "${arguments[@]}" 2> >(grep -v --line-buffered propagateSizeHints >&2) &
  logger_pid=$!
fi
children+=("$logger_pid")
wait "$logger_pid" || true
