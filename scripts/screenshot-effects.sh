#!/bin/bash
# Opens the editor's painter-effects dialog under Xvfb on a sample picture (or the one given),
# saves the dialog with each of the 21 effects (<name>-01 .. -21) and with "Wirbel" (<name>).
#   scripts/screenshot-effects.sh [program folder (default build/bin)] [screenshot (default effects.png)] [picture]
set -euo pipefail
bin=$(cd "${1:-build/bin}" && pwd)
out=$(realpath -m "${2:-effects.png}")
picture=${3:+$(realpath "$3")}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/home" "$tmp/app"
rm -f "$out"
HOME="$tmp/home" KALVORA_APPDIR="$tmp/app" \
  timeout 120 xvfb-run -a -s "-screen 0 1280x900x24" "$bin/kalvora_effects_shot" "$out" ${picture:+"$picture"}
test -s "$out"
echo "$out"
