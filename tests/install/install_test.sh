#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the prefix elsewhere and runs the moved copy from an
# empty directory: it must find its drawing executable, colours and catalogs relative to itself, draw the
# widget with its opaque background, and refuse to draw when the colours are gone. No installed executable
# may hold a path of the source or build tree.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/prefix" --strip >/dev/null
mv "$work/prefix" "$work/moved"
prefix=$work/moved
mkdir "$work/empty"
cd "$work/empty"
unset REMINDERS_WIDGET_RESOURCES REMINDERS_WIDGET_STRINGS

for program in "$prefix/bin/reminders-widget" "$prefix/bin/reminders-widget-desktop" \
               "$prefix/libexec/reminders-widget/reminders-widget-drawing"; do
  [ -x "$program" ] || { [ "${program##*/}" = reminders-widget-desktop ] && continue; fail "$program not installed"; }
  for tree in "$source" "$build"; do
    if strings "$program" | grep -qF "$tree"; then
      fail "${program#"$prefix"/} holds the path $tree: $(strings "$program" | grep -F "$tree" | head -3)"
    fi
  done
done
for file in share/reminders-widget/colors.json share/locale/de/LC_MESSAGES/reminders-widget.mo \
            lib/systemd/user/reminders-widget-host.service share/bash-completion/completions/reminders-widget; do
  [ -f "$prefix/$file" ] || fail "$file not installed"
done

version=$("$prefix/bin/reminders-widget" --version)
[[ $version =~ ^reminders-widget\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed '$version'"
set +e
"$prefix/bin/reminders-widget" timline 2>"$work/error"
status=$?
set -e
[ "$status" -eq 2 ] || fail "an unknown command ended with $status, not 2"
grep -q "unknown command 'timline'" "$work/error" || fail "an unknown command said: $(cat "$work/error")"

# Both executables find the German catalog: the request answers with the sample's German title, the drawing
# executable (in libexec) describes the widget under its German name.
"$prefix/bin/reminders-widget" placeholder --locale de_DE -o - 2>/dev/null | grep -q '"Zahnarzttermin"' ||
  fail "the request found no German catalog"
"$prefix/bin/reminders-widget" describe --locale de_DE -o - 2>/dev/null | grep -q "Geplante Termine" ||
  fail "the drawing executable found no German catalog"
"$prefix/bin/reminders-widget" render -o widget.png --now 2024-05-01T10:00:00Z --time-zone UTC \
  --locale de_DE --family systemMedium >/dev/null || fail "render from the moved prefix failed"
python3 - widget.png <<'PY' || fail "the picture lacks the widget's background"
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
at, idat = 8, b""
while at < len(data):
    length, kind = struct.unpack(">I4s", data[at:at + 8])
    body = data[at + 8:at + 8 + length]
    if kind == b"IHDR":
        width, height, depth, colour = struct.unpack(">IIBB", body[:10])
    elif kind == b"IDAT":
        idat += body
    at += 12 + length
assert depth == 8 and colour == 6, "expected 8-bit RGBA"
raw, stride, rows, prior = zlib.decompress(idat), width * 4, [], bytearray(width * 4)
for y in range(height):
    kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):
        left = line[i - 4] if i >= 4 else 0
        up, corner = prior[i], prior[i - 4] if i >= 4 else 0
        if kind == 1: line[i] = (line[i] + left) & 255
        elif kind == 2: line[i] = (line[i] + up) & 255
        elif kind == 3: line[i] = (line[i] + (left + up) // 2) & 255
        elif kind == 4:
            p = left + up - corner
            pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
            line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
    rows.append(line)
    prior = line
def pixel(x, y):
    return tuple(rows[y][x * 4:x * 4 + 4])
# The background's gradient runs from #2C3B69 at the top to #141A30 at the bottom; the corners are round.
for (x, y), (r, g, b) in (((width // 2, 3), (0x2C, 0x3B, 0x69)), ((width // 2, height - 4), (0x14, 0x1A, 0x30))):
    got = pixel(x, y)
    assert got[3] == 255, f"pixel {x},{y} is not opaque: {got}"
    assert all(abs(a - e) <= 12 for a, e in zip(got, (r, g, b))), f"pixel {x},{y} is {got}, not near {(r, g, b)}"
assert pixel(0, 0)[3] == 0, "the corner is not transparent"
PY

# Without its colours the moved copy refuses to draw, naming the file it looked for.
rm "$prefix/share/reminders-widget/colors.json"
set +e
"$prefix/bin/reminders-widget" render -o missing.png --now 2024-05-01T10:00:00Z 2>"$work/error" >/dev/null
status=$?
set -e
[ "$status" -ne 0 ] || fail "render without colors.json ended with 0"
grep -q "colors.json" "$work/error" || fail "render without colors.json said: $(cat "$work/error")"
[ ! -e missing.png ] || fail "render without colors.json wrote a picture"

# Without its drawing executable it says which it looked for.
rm "$prefix/libexec/reminders-widget/reminders-widget-drawing"
set +e
"$prefix/bin/reminders-widget" render -o missing.png 2>"$work/error"
status=$?
set -e
[ "$status" -eq 127 ] || fail "render without the drawing executable ended with $status"
grep -q "libexec/reminders-widget/reminders-widget-drawing" "$work/error" ||
  fail "render without the drawing executable said: $(cat "$work/error")"
echo "install_test: the moved prefix draws, finds its data and holds no build path"
