#!/usr/bin/env bash
# Builds our two harness peers and runs the pty benchmark harness with them next to raw
# POSIX, libserialport and QSerialPort, in one run; prints the harness's table.
#
#   bench/run_peers.sh [harness-dir]     # default: ../shared/bench-peers beside the repository
#   ROUNDS=3 IDLE_S=5 bench/run_peers.sh # any run_all.sh setting passes through
#
# NIMBREL_BENCH_BUILD: our build directory (default $TMPDIR/nimbrel-bench-build). The harness
# is copied into a fresh temporary directory, where it builds its peers and keeps its results.
set -euo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
HARNESS="$(cd "${1:-$REPO/../shared/bench-peers}" && pwd)"
BUILD="${NIMBREL_BENCH_BUILD:-${TMPDIR:-/tmp}/nimbrel-bench-build}"

cmake -S "$REPO" -B "$BUILD" -G Ninja -DNIMBREL_GUI=OFF -DNIMBREL_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=Release -DNIMBREL_BENCH_PEERS_DIR="$HARNESS" >/dev/null
cmake --build "$BUILD" -j2 --target peer_nimbrel peer_nimbrel_dispatcher idle_floor >/dev/null

WORK="$(mktemp -d "${TMPDIR:-/tmp}/bench-peers.XXXXXX")"
cp -r "$HARNESS/." "$WORK/"
echo "harness copy: $WORK"
EXTRA_PEERS="nimbrel=$BUILD/bench/peer_nimbrel;nimbrel-disp=$BUILD/bench/peer_nimbrel_dispatcher" \
    "$WORK/run_all.sh"
echo
echo "idle floor (a bare 50 ms wait cycle on this machine, no pass):"
"$BUILD/bench/idle_floor" "${IDLE_S:-10}"
