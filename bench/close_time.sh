#!/usr/bin/env bash
# Builds close_time and the station simulator and times closing a port on a line to the
# simulated station (see close_time.cpp).
#
#   bench/close_time.sh [rounds]      # default 30
#
# NIMBREL_BENCH_BUILD: the build directory (default $TMPDIR/nimbrel-bench-build).
set -euo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${NIMBREL_BENCH_BUILD:-${TMPDIR:-/tmp}/nimbrel-bench-build}"

cmake -S "$REPO" -B "$BUILD" -G Ninja -DNIMBREL_GUI=OFF -DNIMBREL_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j2 --target close_time station_sim >/dev/null

# The simulator prints the path of its pseudo-terminal and serves it until it is stopped.
coproc SIM { exec "$BUILD/tools/station_sim/station-sim"; }
trap 'kill "$SIM_PID" 2>/dev/null || true' EXIT
read -r tty <&"${SIM[0]}"
"$BUILD/bench/close_time" "$tty" "${1:-30}"
