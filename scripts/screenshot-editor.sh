#!/bin/bash
# Shows the picture editor under Xvfb on a sample picture (or the one given), with a print-format
# selection drawn, and saves screenshots of the window (the menu, and <name>-zuschneiden with the
# crop panel).
#   scripts/screenshot-editor.sh [program folder (default build/bin)] [screenshot (default editor.png)] [picture]
set -euo pipefail
. "$(dirname "$0")/screenshot-common.sh"
picture=${3:+$(realpath "$3")}
shot_setup "${1:-build/bin}" "${2:-editor.png}"
shot_run "$bin/kalvora_editor_shot" "$out" ${picture:+"$picture"}
echo "$out" "${out%.*}-zuschneiden.${out##*.}"
