#!/bin/bash
# Shows the warp dialog under Xvfb on a sample picture (or the one given) after one brush stroke
# and saves a screenshot of the window.
#   scripts/screenshot-morph.sh [program folder (default build/bin)] [screenshot (default morph.png)] [picture]
set -euo pipefail
bin=$(cd "${1:-build/bin}" && pwd)
out=$(realpath -m "${2:-morph.png}")
picture=${3:+$(realpath "$3")}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/home"
rm -f "$out"
HOME="$tmp/home" timeout 120 xvfb-run -a -s "-screen 0 1280x900x24" "$bin/kalvora_morph_shot" "$out" ${picture:+"$picture"}
test -s "$out"
echo "$out"
