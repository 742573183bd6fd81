#!/usr/bin/env bash
# Runs every benchmark program of the build, each side by side with its peers.
# Usage: scripts/bench.sh BUILD_DIR
set -euo pipefail
BUILD=${1:-build}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
ran=0
for b in "$ROOT/$BUILD"/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --data-dir="$ROOT/$BUILD/bench-data"
  ran=1
done
[ $ran = 1 ] || echo "bench: no benchmark programs built yet"
