#!/bin/bash
# Starts the program under Xvfb on a fresh home folder, opens the first sample slideshow and
# saves a screenshot of the picture viewer started from the picture page.
#   scripts/screenshot-viewer.sh [program folder (default build/bin)] [picture (default viewer.png)]
set -euo pipefail
bin=$(cd "${1:-build/bin}" && pwd)
out=$(realpath -m "${2:-viewer.png}")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/home" "$tmp/app"
# A copy of the program folder, so its settings and caches stay as they are.
cp -r "$bin"/. "$tmp/app/"
touch "$tmp/app/NoTip.ini" "$tmp/app/NoWer.ini"
rm -f "$out"
HOME="$tmp/home" KALVORA_APPDIR="$tmp/app" KALVORA_SHOT_VIEWER="$out" \
  timeout 120 xvfb-run -a -s "-screen 0 1280x900x24" "$bin/kalvora"
test -s "$out"
echo "$out"
