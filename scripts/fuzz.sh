#!/usr/bin/env bash
# Runs every harness of the fuzz build. Fails when the build holds no harness.
# Usage: scripts/fuzz.sh --smoke BUILD_DIR [RUNS]     the committed corpus, then RUNS inputs
#                                                      (default 2000) from a fixed seed: the
#                                                      result depends on the commit only
#        scripts/fuzz.sh --random BUILD_DIR SECONDS   random runs that grow BUILD_DIR/fuzz-work
set -euo pipefail
MODE=${1:?usage: fuzz.sh --smoke|--random BUILD_DIR [RUNS|SECONDS]}
BUILD=${2:-build-fuzz}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob

harnesses=()
for f in "$ROOT/$BUILD"/fuzz/fuzz_*; do
  [ -x "$f" ] && harnesses+=("$f")
done
if ((${#harnesses[@]} == 0)); then
  echo "fuzz: no harness in $ROOT/$BUILD/fuzz (build it with make fuzz-build)" >&2
  exit 1
fi

for f in "${harnesses[@]}"; do
  name=$(basename "$f")
  seeds="$ROOT/fuzz/corpus/${name#fuzz_}"
  [ -d "$seeds" ] || seeds="$ROOT/fuzz/corpus"
  case "$MODE" in
    --smoke)
      runs=${3:-2000}
      # New inputs go to a throw-away folder: what earlier runs found must not change this one.
      scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillon-fuzz-XXXXXX")
      echo "== $name: committed corpus, then $runs runs from seed 1"
      status=0
      "$f" -seed=1 -runs="$runs" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$ROOT/$BUILD/" "$scratch" "$seeds" >"$scratch.log" 2>&1 || status=$?
      tail -n 15 "$scratch.log"
      rm -rf "$scratch" "$scratch.log"
      [ $status = 0 ] || { echo "fuzz: $name failed (exit code $status)" >&2; exit $status; }
      ;;
    --random)
      seconds=${3:-30}
      work="$ROOT/$BUILD/fuzz-work/$name"
      mkdir -p "$work"
      echo "== $name for ${seconds}s"
      "$f" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$ROOT/$BUILD/" "$work" "$seeds" 2>&1 | tail -n 15
      ;;
    *) echo "fuzz: unknown mode $MODE" >&2; exit 2 ;;
  esac
done
