#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the prefix elsewhere and runs the moved copy from an
# empty directory: it must find its drawing executable, colours and catalogs relative to itself, draw the
# widget as the build tree does, and refuse to draw when the colours are gone. No installed executable
# may hold a path of the source or build tree.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }
# Runs a command that must end with status $1 (or, for "nonzero", any but 0) and say $2 on standard error.
expect_refusal() {
  local want=$1 said=$2 status=0
  shift 2
  "$@" 2>"$work/error" >/dev/null || status=$?
  [ "$want" = nonzero ] && [ "$status" -ne 0 ] || [ "$status" = "$want" ] || fail "$* ended with $status"
  grep -qF -- "$said" "$work/error" || fail "$* said: $(cat "$work/error")"
}

cmake --install "$build" --prefix "$work/prefix" --strip >/dev/null
mv "$work/prefix" "$work/moved"
prefix=$work/moved
widget=$prefix/bin/reminders-widget
mkdir "$work/empty"
cd "$work/empty"
unset REMINDERS_WIDGET_RESOURCES REMINDERS_WIDGET_STRINGS

for program in "$widget" "$prefix/bin/reminders-widget-desktop" \
               "$prefix/libexec/reminders-widget/reminders-widget-drawing"; do
  [ -x "$program" ] || { [ "${program##*/}" = reminders-widget-desktop ] && continue; fail "$program not installed"; }
  # A sanitizer's build names its sources in its reports; it is a test build, never one to install.
  readelf -d "$program" | grep -qE 'NEEDED.*lib(a|ub|t)san' && continue
  # Read whole (grep -q would stop strings early, and pipefail would take that for no match).
  strings "$program" >"$work/strings"
  if grep -qF -e "$source" -e "$build" "$work/strings"; then
    fail "${program#"$prefix"/} holds a tree's path: $(grep -F -e "$source" -e "$build" "$work/strings" | head -3)"
  fi
done
for file in share/reminders-widget/colors.json share/locale/de/LC_MESSAGES/reminders-widget.mo \
            lib/systemd/user/reminders-widget-host.service share/bash-completion/completions/reminders-widget; do
  [ -f "$prefix/$file" ] || fail "$file not installed"
done

version=$("$widget" --version)
[[ $version =~ ^reminders-widget\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed '$version'"
expect_refusal 2 "unknown command 'timline'" "$widget" timline

# Both executables find the German catalog: the request answers with the sample's German title, the drawing
# executable (in libexec) describes the widget under its German name, also when started through a link
# elsewhere (~/bin); the picture is the build tree's, colours and texts alike.
"$widget" placeholder --locale de_DE -o - 2>/dev/null | grep -q '"Zahnarzttermin"' ||
  fail "the request found no German catalog"
ln -s "$widget" "$work/linked-widget"
for program in "$widget" "$work/linked-widget"; do
  "$program" describe --locale de_DE -o - 2>/dev/null | grep -q "Geplante Termine" ||
    fail "$program: the drawing executable or its catalog was not found"
done
render=(render --now 2024-05-01T10:00:00Z --time-zone UTC --locale de_DE --family systemMedium -o)
"$widget" "${render[@]}" widget.png >/dev/null || fail "render from the moved prefix failed"
"$build/reminders-widget" "${render[@]}" reference.png >/dev/null || fail "render from the build tree failed"
cmp -s widget.png reference.png || fail "the moved prefix draws another picture than the build tree"
python3 "$here/widget_png_check.py" widget.png >/dev/null || fail "the picture lacks the widget's background"

# Without its colours the moved copy refuses to draw, naming the file it looked for; without its drawing
# executable it says which it looked for.
rm "$prefix/share/reminders-widget/colors.json"
expect_refusal nonzero colors.json "$widget" render -o missing.png --now 2024-05-01T10:00:00Z
[ ! -e missing.png ] || fail "render without colors.json wrote a picture"
rm "$prefix/libexec/reminders-widget/reminders-widget-drawing"
expect_refusal 127 libexec/reminders-widget/reminders-widget-drawing "$widget" render -o missing.png
echo "install_test: the moved prefix draws, finds its data and holds no build path"
