#!/usr/bin/env bash
# Short fuzz smoke over every harness of the fuzz build, starting from the committed seeds.
# Usage: scripts/fuzz.sh BUILD_DIR SECONDS
set -euo pipefail
BUILD=${1:-build-fuzz}
SECONDS_EACH=${2:-30}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
for f in "$ROOT/$BUILD"/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  work="$ROOT/$BUILD/fuzz-work/$name"
  mkdir -p "$work"
  seeds="$ROOT/fuzz/corpus/${name#fuzz_}"
  [ -d "$seeds" ] || seeds="$ROOT/fuzz/corpus"
  echo "== $name for ${SECONDS_EACH}s"
  "$f" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$work" "$seeds" 2>&1 | tail -n 15
done
