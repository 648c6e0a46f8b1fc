#!/bin/bash
# Shows the picture editor under Xvfb on a sample picture (or the one given), with a print-format
# selection drawn, and saves screenshots of the window (the menu, and <name>-zuschneiden with the
# crop panel).
#   scripts/screenshot-editor.sh [program folder (default build/bin)] [screenshot (default editor.png)] [picture]
set -euo pipefail
bin=$(cd "${1:-build/bin}" && pwd)
out=$(realpath -m "${2:-editor.png}")
picture=${3:+$(realpath "$3")}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/home" "$tmp/app"
rm -f "$out"
HOME="$tmp/home" KALVORA_APPDIR="$tmp/app" \
  timeout 120 xvfb-run -a -s "-screen 0 1280x900x24" "$bin/kalvora_editor_shot" "$out" ${picture:+"$picture"}
test -s "$out"
echo "$out" "${out%.*}-zuschneiden.${out##*.}"
