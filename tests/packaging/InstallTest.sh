#!/usr/bin/env bash
# Installs the build into a throw-away DESTDIR and checks what a user gets: every file in its
# place, nothing that points back into the build or source folder, working programs run from
# elsewhere, a valid desktop entry and AppStream file, and manual pages that cover the help.
# Usage: InstallTest.sh BUILD_DIR SOURCE_DIR SAMPLE [MODULE...]
# MODULE: a loadable module of the program, as a path below the prefix (lib/quillon/x.so).
set -u
BUILD=$(realpath "$1")
SOURCE=$(realpath "$2")
SAMPLE=$3
shift 3
MODULES=("$@")
PREFIX=/usr
ID=com.corvane.Quillon

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/quillon-install.XXXXXX") || exit 1
[ -d "$WORK" ] || exit 1
trap 'rm -rf "$WORK"' EXIT
DEST=$WORK/root
ROOT=$DEST$PREFIX

if ! DESTDIR=$DEST cmake --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log" 2>&1; then
  cat "$WORK/install.log"
  echo "FAIL: cmake --install"
  exit 1
fi

# Every file a desktop expects, under its usual name.
expected=(
  bin/quillon bin/quillon-cli
  share/applications/$ID.desktop
  share/metainfo/$ID.metainfo.xml
  share/icons/hicolor/scalable/apps/$ID.svg
  share/man/man1/quillon.1.gz share/man/man1/quillon-cli.1.gz
  share/doc/quillon/README.md share/doc/quillon/LICENSE share/doc/quillon/copyright
)
expected+=("${MODULES[@]}")
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/$ID.png")
done
for f in "${expected[@]}"; do
  [ -s "$ROOT/$f" ] || fail "missing or empty: $PREFIX/$f"
done
for size in 16 22 24 32 48 64 128 256; do
  png=$ROOT/share/icons/hicolor/${size}x${size}/apps/$ID.png
  [ -s "$png" ] || continue
  # The PNG header's width and height (big-endian at bytes 16 and 20).
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "$size icon is $dims"
done
for f in "$ROOT"/bin/*; do
  [ -x "$f" ] || fail "not executable: $f"
done

# Nothing installed may lead back to where it was built: no search path in the programs, no
# path in the text files.
for f in "$ROOT"/bin/* "${MODULES[@]/#/$ROOT/}"; do
  if readelf -d "$f" | grep -E 'R(UN)?PATH' | grep -qE "$BUILD|$SOURCE"; then
    fail "$f has a library search path into the build or source folder"
  fi
done
if grep -rlIE "$BUILD|$SOURCE" "$ROOT/share" >"$WORK/paths"; then
  fail "installed files name the build or source folder: $(tr '\n' ' ' <"$WORK/paths")"
fi

# The installed programs, run from an unrelated folder on a copy of a sample there.
mkdir -p "$WORK/elsewhere"
cp "$SAMPLE" "$WORK/elsewhere/sample.xml"
cd "$WORK/elsewhere" || exit 1
CLI=$ROOT/bin/quillon-cli
out=$("$CLI" tree sample.xml 2>&1)
rc=$?
[ $rc -eq 0 ] || fail "quillon-cli tree exited with $rc: $out"
grep -q "^node	0	" <<<"$out" || fail "quillon-cli tree printed no root node: $out"
"$CLI" validate sample.xml >/dev/null || fail "quillon-cli validate failed on the sample"
version=$("$CLI" --version)
[ "$version" = "quillon-cli 6.0.0" ] || fail "quillon-cli --version printed '$version'"
# quillon answers --version and --help without a display: both end before the toolkit and
# the single-instance hand-over start, which would need one.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$ROOT/bin/quillon" --version 2>&1)
[ "$version" = "quillon 6.0.0" ] || fail "quillon --version printed '$version'"
help=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$ROOT/bin/quillon" sample.xml --help 2>&1)
rc=$?
{ [ $rc -eq 0 ] && grep -q -- "--version" <<<"$help"; } || fail "quillon --help ($rc): $help"

# Desktop entry and AppStream data as the desktop tools check them.
desktop-file-validate "$ROOT/share/applications/$ID.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=quillon %F' "$ROOT/share/applications/$ID.desktop" || fail "desktop entry Exec line"
grep -q '^MimeType=.*application/xml;' "$ROOT/share/applications/$ID.desktop" || fail "desktop entry lacks application/xml"
grep -q '^MimeType=.*text/xml;' "$ROOT/share/applications/$ID.desktop" || fail "desktop entry lacks text/xml"
appstreamcli validate --no-net "$ROOT/share/metainfo/$ID.metainfo.xml" || fail "appstreamcli validate"

# The manual page of quillon-cli names every command and every option of its help.
page=$(MANWIDTH=200 man -l "$ROOT/share/man/man1/quillon-cli.1.gz" 2>&1 | col -b)
help=$("$CLI" --help)
words=$(sed -n 's/^  quillon-cli \([a-z]*\).*/\1/p' <<<"$help")
words+=" "$(grep -oE '(^|[][ |])--?[a-z][a-z-]*' <<<"$help" | sed 's/^[][ |]//' | sort -u)
[ -n "$words" ] || fail "no commands found in quillon-cli --help"
for w in $words; do
  grep -qE -- "(^|[^a-z-])$w([^a-z-]|$)" <<<"$page" || fail "man quillon-cli does not mention $w"
done
page=$(MANWIDTH=200 man -l "$ROOT/share/man/man1/quillon.1.gz" 2>&1 | col -b)
for w in --help --version; do
  grep -q -- "$w" <<<"$page" || fail "man quillon does not mention $w"
done

[ $failures -eq 0 ] && echo "install check passed"
exit $((failures > 0))
