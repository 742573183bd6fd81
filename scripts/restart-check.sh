#!/usr/bin/env bash
# A real restart of the program under a virtual X server, in throw-away settings and desktop
# folders: run 1 starts with "Persistent settings" and "Grid Lines" stored on, opens two files,
# has its window resized from outside (as a window manager would) and is closed as the desktop
# closes windows; run 2 starts with no file and must come back with the size, and with the
# options and recently-used files in memory, which it writes back when it closes.
# Usage: scripts/restart-check.sh BUILD_DIR   (needs xvfb-run, xwininfo and python3)
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
PROGRAM=$BUILD/app/quillon
WORK=$(mktemp -d "${TMPDIR:-/tmp}/quillon-restart.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
export XDG_CONFIG_HOME=$WORK/config XDG_DATA_HOME=$WORK/data XDG_RUNTIME_DIR=$WORK/run
mkdir -p "$XDG_CONFIG_HOME/Corvane" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
CONF=$XDG_CONFIG_HOME/Corvane/Quillon-6.x.conf
printf '<?xml version="1.0"?>\n<a x="1"><b/></a>\n' >"$WORK/one.xml"
printf '<?xml version="1.0"?>\n<c>text</c>\n' >"$WORK/two.xml"

# The display key of the virtual screen below: 1600x1000 at 96 dots per inch.
KEY='%231600x1000x96'
cat >"$CONF" <<CONF
[Twnd_quillon_Main]
acPersistent${KEY}\\Checked=1
acGrid${KEY}\\Checked=1
CONF

cat >"$WORK/x11.py" <<'PY'
# resize WINDOW W H | close WINDOW: what a window manager does, through Xlib.
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XFlush.argtypes = [ctypes.c_void_p]
d = x.XOpenDisplay(None)
w = int(sys.argv[2], 0)
if sys.argv[1] == "resize":
    x.XMoveResizeWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint]
    x.XMoveResizeWindow(d, w, 40, 50, int(sys.argv[3]), int(sys.argv[4]))
else:
    class Ev(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("l", ctypes.c_long * 5), ("pad", ctypes.c_char * 96)]
    ev = Ev()
    ev.type = 33  # ClientMessage
    ev.window = w
    ev.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
    ev.format = 32
    ev.l[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x.XSendEvent(d, w, 0, 0, ctypes.byref(ev))
x.XFlush(d)
PY

cat >"$WORK/session.sh" <<'SH'
set -euo pipefail
window() {  # the program's top-level window, once it is mapped
  for _ in $(seq 100); do
    id=$(xwininfo -root -tree | awk '/"Corvane Quillon x64"/ {print $1; exit}')
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.2
  done
  return 1
}
"$PROGRAM" "$WORK/one.xml" "$WORK/two.xml" & pid=$!
id=$(window); sleep 2
python3 "$WORK/x11.py" resize "$id" 900 640; sleep 2
python3 "$WORK/x11.py" close "$id"; wait $pid
cp "$CONF" "$WORK/after-run-1.conf"
"$PROGRAM" & pid=$!
id=$(window); sleep 2
xwininfo -id "$id" | awk '/Width:|Height:/ {printf "%s ", $2} END {print ""}' >"$WORK/size-run-2"
python3 "$WORK/x11.py" close "$id"; wait $pid
SH
PROGRAM=$PROGRAM WORK=$WORK CONF=$CONF xvfb-run -a -s "-screen 0 1600x1000x24" bash "$WORK/session.sh"

fail() { echo "FAIL: $*"; echo "--- after run 1"; cat "$WORK/after-run-1.conf"; echo "--- after run 2"; cat "$CONF"; exit 1; }
echo "run 2 window size: $(cat "$WORK/size-run-2")"
grep -q 'Size=900, *640\|Size="900,640"' "$WORK/after-run-1.conf" || fail "run 1 did not store its size"
[ "$(cat "$WORK/size-run-2")" = "900 640 " ] || fail "run 2 did not come back at 900 x 640"
for f in "$WORK/after-run-1.conf" "$CONF"; do
  grep -q "000=$WORK/one.xml" "$f" || fail "recently used one.xml missing in $f"
  grep -q "001=$WORK/two.xml" "$f" || fail "recently used two.xml missing in $f"
  grep -q "acGrid${KEY}\\\\Checked=1" "$f" || fail "Grid Lines not on in $f"
done
echo "PASS: size, options and recently used files came back"
