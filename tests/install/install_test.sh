#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the prefix elsewhere and runs the moved copy from an
# empty directory: it must find its drawing executable, colours and catalogs relative to itself, draw the
# widget with its opaque background, and refuse to draw when the colours are gone. No installed executable
# may hold a path of the source or build tree.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
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
python3 "$here/widget_png_check.py" widget.png >/dev/null || fail "the picture lacks the widget's background"

# Started through a link elsewhere (~/bin), it still finds the executable and the data beside its own file.
ln -s "$prefix/bin/reminders-widget" "$work/linked-widget"
"$work/linked-widget" describe --locale de_DE -o - 2>/dev/null | grep -q "Geplante Termine" ||
  fail "started through a link, the drawing executable or its catalog was not found"

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
