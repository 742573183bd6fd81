#!/usr/bin/env bash
# quillon-cli export and format -o interrupted by SIGINT or SIGTERM while they write: the
# process still ends by the signal, the target keeps its old content and no temporary file
# stays beside it. Usage: InterruptedExport.sh QUILLON_CLI WORK_DIR
set -u
CLI=$1
WORK=$2
rm -rf "$WORK"
mkdir -p "$WORK"

fail() { echo "FAIL: $*"; exit 1; }

# Runs one command writing $WORK/out, kills it with $sig once its temporary file exists.
# Prints "interrupted" or "finished" (the command was faster than the poll).
run() {
  local sig=$1 signo=$2
  shift 2
  printf 'old' > "$WORK/out"
  "$@" >/dev/null 2>&1 &
  local pid=$! seen=0
  for _ in $(seq 1 12000); do
    if compgen -G "$WORK/out.*.tmp" >/dev/null; then seen=1; break; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.005
  done
  kill -"$sig" "$pid" 2>/dev/null
  wait "$pid"
  local rc=$?
  compgen -G "$WORK/out.*.tmp" >/dev/null && fail "$sig left $(compgen -G "$WORK/out.*.tmp")"
  if [ "$seen" = 1 ] && [ "$rc" = $((128 + signo)) ]; then
    [ "$(cat "$WORK/out")" = old ] || fail "$sig: the target changed"
    echo interrupted
  elif [ "$rc" = 0 ]; then
    echo finished
  else
    fail "$* ended with $rc after $sig"
  fi
}

items=400000
for attempt in 1 2 3; do
  { echo '<r>'; seq 1 "$items" | sed 's|.*|<item id="&">value & of the export</item>|'; echo '</r>'; } > "$WORK/big.xml"
  interrupted=0
  for s in "INT 2" "TERM 15"; do
    set -- $s
    r=$(run "$1" "$2" "$CLI" export csv "$WORK/big.xml" "$WORK/out") || { echo "$r"; exit 1; }
    [ "$r" = interrupted ] && interrupted=$((interrupted + 1))
    r=$(run "$1" "$2" "$CLI" format "$WORK/big.xml" -o "$WORK/out") || { echo "$r"; exit 1; }
    [ "$r" = interrupted ] && interrupted=$((interrupted + 1))
  done
  [ "$interrupted" -gt 0 ] && { echo "interrupted $interrupted of 4 runs"; exit 0; }
  items=$((items * 4))
done
fail "no run could be interrupted while it wrote"
