#!/usr/bin/env bash
# quillon-cli reading its FILE from a FIFO, from a pipe as /dev/stdin and from a process
# substitution: every command gives exactly what it gives for the same bytes in a regular file
# (exit code, standard output and error, the exported file), reads the input to its end, and
# leaves no temporary copy behind, also when a signal ends it while it reads.
# Usage: NonRegularInput.sh QUILLON_CLI TESTS_CLI_DIR WORK_DIR
set -u
CLI=$1
SRC=$2
WORK=$3
# WORK is cleared: only a folder of this test's own.
case "$WORK" in
  */cli.input.non-regular) ;;
  *) echo "FAIL: the work folder must end in cli.input.non-regular: $WORK"; exit 1 ;;
esac
rm -rf -- "$WORK"
mkdir -p "$WORK/tmp" "$WORK/out"
export TMPDIR=$WORK/tmp LC_ALL=C

fail() { echo "FAIL: $*"; exit 1; }

# Input over several pipe buffers and reader blocks, with a declared 8-bit encoding.
{
  printf '<?xml version="1.0" encoding="windows-1250"?>\n<r>\n'
  awk 'BEGIN { for (i = 1; i <= 20000; i++) printf "<item id=\"%d\">\232 value %d</item>\n", i, i }'
  printf '</r>\n'
} > "$WORK/big.xml"

# Name | fixture | arguments, FILE standing for the input and OUT for a file the command writes.
CASES=(
  "tokens|fixtures/basic.xml|tokens FILE"
  "sax|fixtures/cp1250.xml|sax FILE"
  "sax-error|fixtures/wrong-close.xml|sax FILE"
  "tree|document/fixtures/books.xml|tree FILE"
  "tree-utf16|editing/fixtures/utf16-declared.xml|tree FILE"
  "tree-big|$WORK/big.xml|tree FILE"
  "find|document/fixtures/books.xml|find BOOK FILE"
  "export|document/fixtures/books.xml|export csv FILE OUT"
  "format|editing/fixtures/cp1250.xml|format FILE"
  "format-big|$WORK/big.xml|format FILE -o OUT"
  "validate|editing/fixtures/broken.xml|validate FILE"
  "source|editing/fixtures/basic.xml|source FILE"
  "highlight|editing/fixtures/cp1250.xml|highlight FILE"
)

# run TAG INPUT ARGS...: runs the command with FILE replaced by INPUT, its outputs into out/TAG.*
run() {
  local tag=$1 input=$2 a
  shift 2
  local args=()
  for a in "$@"; do
    case "$a" in
      FILE) args+=("$input") ;;
      OUT) args+=("$WORK/out/$tag.file") ;;
      *) args+=("$a") ;;
    esac
  done
  timeout 120 "$CLI" "${args[@]}" > "$WORK/out/$tag.stdout" 2> "$WORK/out/$tag.stderr"
  echo $? > "$WORK/out/$tag.rc"
  sed -i -E 's/Parsing time: [0-9]+\.[0-9]+ s/Parsing time: # s/' "$WORK/out/$tag.stdout"
  [ "$(cat "$WORK/out/$tag.rc")" = 124 ] && fail "$tag: no end after 120 s"
  [ -z "$(ls -A "$WORK/tmp")" ] || fail "$tag: left $(ls -A "$WORK/tmp")"
}

same() {
  local ref=$1 tag=$2 part
  for part in rc stdout stderr file; do
    [ -e "$WORK/out/$ref.$part" ] || [ ! -e "$WORK/out/$tag.$part" ] || fail "$tag: wrote a $part, the regular file did not"
    [ -e "$WORK/out/$ref.$part" ] || continue
    cmp -s "$WORK/out/$ref.$part" "$WORK/out/$tag.$part" ||
      fail "$tag: $part differs from the regular file's: $(head -c 300 "$WORK/out/$tag.$part")"
  done
}

for c in "${CASES[@]}"; do
  IFS='|' read -r name fixture args <<< "$c"
  case "$fixture" in /*) ;; *) fixture=$SRC/$fixture ;; esac
  # shellcheck disable=SC2086
  set -- $args

  run "$name.regular" "$fixture" "$@"
  [ -s "$WORK/out/$name.regular.stdout" ] || [ -s "$WORK/out/$name.regular.file" ] ||
    fail "$name: the regular file gave no output"

  rm -f "$WORK/fifo"
  mkfifo "$WORK/fifo"
  cat "$fixture" > "$WORK/fifo" &
  writer=$!
  run "$name.fifo" "$WORK/fifo" "$@"
  # The writer ends well only when everything it wrote was read.
  wait "$writer" || fail "$name.fifo: the input was not read to its end"
  same "$name.regular" "$name.fifo"

  cat "$fixture" | run "$name.stdin" /dev/stdin "$@" || exit 1
  same "$name.regular" "$name.stdin"

  run "$name.substitution" <(cat "$fixture") "$@"
  same "$name.regular" "$name.substitution"
done

# Ended by a signal while it reads a FIFO whose writer stalls: the copy made so far goes too.
for s in "TERM 15" "HUP 1"; do
  set -- $s
  rm -f "$WORK/fifo"
  mkfifo "$WORK/fifo"
  (head -c 5000 "$WORK/big.xml"; exec sleep 60) > "$WORK/fifo" &
  writer=$!
  "$CLI" tree "$WORK/fifo" > /dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1 2000); do
    copy=$(ls "$WORK/tmp")
    [ -n "$copy" ] && [ "$(stat -c %s "$WORK/tmp/$copy" 2>/dev/null)" = 5000 ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
  done
  [ -n "$copy" ] || fail "$1: no copy of the input appeared"
  kill -"$1" "$pid"
  wait "$pid" 2>/dev/null
  rc=$?
  kill "$writer" 2>/dev/null
  wait "$writer" 2>/dev/null
  [ "$rc" = $((128 + $2)) ] || fail "$1: ended with $rc"
  [ -z "$(ls -A "$WORK/tmp")" ] || fail "$1 left $(ls -A "$WORK/tmp")"
done

rm -rf -- "$WORK"
echo "ok: ${#CASES[@]} commands through a FIFO, /dev/stdin and a process substitution"
