#!/usr/bin/env python3
"""Well-formedness sweep over the XML files of this system.

Runs `quillon-cli tree --strict --count` on every *.xml, *.svg and *.xsl file under the given
roots (default /usr/share) and compares its verdict with Python's expat binding, which serves
as the independent judge. Not part of ctest: the files differ from machine to machine.

    scripts/sweep_wellformed.py build/cli/quillon-cli [--root DIR ...] [--jobs N] [--list OUT]

Verdicts: "ok" (exit 0), "error" (exit 1: a parse error or a failed load), anything else
(exit 2, a crash, a time-out) is reported as such and always counts as a disagreement.

Pyexpat decodes only the encodings expat knows and single-byte ones through Python's codecs;
for a multi-byte encoding (Shift_JIS, EUC-JP, GB18030...) it reports "unknown encoding". Such a
file is decoded with Python's codec for the declared name and handed to expat as text, so the
judge still rules on the markup.
"""
import argparse
import concurrent.futures
import os
import re
import subprocess
import sys
import xml.parsers.expat

PATTERNS = (".xml", ".svg", ".xsl")
# The documentation of other XML libraries is left out: their sample files are not ours to read.
EXCLUDED = ("/usr/share/doc/libpugixml", "/usr/share/doc/libxml2", "/usr/share/doc/libexpat",
            "/usr/share/doc/libxmlsec1", "/usr/share/doc/python3-lxml",
            "/usr/share/doc/libxml-libxml-perl", "/usr/share/doc/libxml-sax-perl")
DECL_ENCODING = re.compile(rb"""^(?:\xef\xbb\xbf)?<\?xml[^>]*?encoding\s*=\s*["']([A-Za-z0-9._:-]+)["']""")


def expat_verdict(path):
    """("ok", "") or ("error", reason)."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        return "unreadable", str(e)
    parser = xml.parsers.expat.ParserCreate()
    try:
        parser.Parse(data, True)
        return "ok", ""
    except xml.parsers.expat.ExpatError as e:
        if e.code != xml.parsers.expat.errors.codes[xml.parsers.expat.errors.XML_ERROR_UNKNOWN_ENCODING]:
            return "error", f"{xml.parsers.expat.ErrorString(e.code)} at {e.lineno}:{e.offset}"
    except ValueError as e:  # a codec Python lacks
        return "error", str(e)
    m = DECL_ENCODING.match(data)
    if not m:
        return "error", "unknown encoding"
    name = m.group(1).decode("ascii")
    try:
        text = data.decode(name)
    except (LookupError, UnicodeDecodeError) as e:
        return "error", f"cannot decode as {name}: {e}"
    parser = xml.parsers.expat.ParserCreate()
    try:
        parser.Parse(text, True)  # text is handed over as UTF-8, whatever the declaration says
        return "ok", f"(judged after decoding as {name})"
    except xml.parsers.expat.ExpatError as e:
        return "error", f"{xml.parsers.expat.ErrorString(e.code)} at {e.lineno}:{e.offset}"


def quillon_verdict(cli, path, timeout):
    try:
        r = subprocess.run([cli, "tree", "--strict", "--count", path], capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return "timeout", ""
    out = r.stdout.decode("utf-8", "replace")
    lines = [l for l in out.splitlines() if l.startswith("message\t27\t") or l.startswith("message\t")]
    detail = lines[-1].split("\t", 2)[-1] if lines else r.stderr.decode("utf-8", "replace").strip()
    if r.returncode == 0:
        return "ok", ""
    if r.returncode == 1:
        return "error", detail
    return f"exit {r.returncode}", detail


def files_under(roots):
    for root in roots:
        for dirpath, dirs, names in os.walk(root):
            dirs[:] = [d for d in dirs if not os.path.join(dirpath, d).startswith(EXCLUDED)]
            for n in names:
                if n.lower().endswith(PATTERNS):
                    p = os.path.join(dirpath, n)
                    if os.path.isfile(p) and not os.path.islink(p):
                        yield p


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("cli")
    ap.add_argument("--root", action="append")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--timeout", type=float, default=60)
    ap.add_argument("--list", help="write every disagreement to this file")
    args = ap.parse_args()
    roots = args.root or ["/usr/share"]
    paths = sorted(set(files_under(roots)))

    def judge(path):
        return path, expat_verdict(path), quillon_verdict(args.cli, path, args.timeout)

    agree = 0
    judged = 0
    disagreements = []
    with concurrent.futures.ThreadPoolExecutor(max_workers=args.jobs) as pool:
        for path, (ev, er), (qv, qr) in pool.map(judge, paths):
            if ev == "unreadable":
                continue
            judged += 1
            if ev == qv:
                agree += 1
            else:
                disagreements.append((path, ev, er, qv, qr))
    print(f"files: {judged}, agree: {agree}, disagree: {len(disagreements)}")
    lines = [f"{p}\texpat={ev} {er}\tquillon={qv} {qr}" for p, ev, er, qv, qr in disagreements]
    if args.list:
        with open(args.list, "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + ("\n" if lines else ""))
    else:
        print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
