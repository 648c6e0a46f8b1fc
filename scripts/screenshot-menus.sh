#!/bin/bash
# Opens the main window's first menu and its popup menu under Xvfb and saves the pictures, to
# check the flat menu look by eye (icon column, selection, shadow band and frame).
#   scripts/screenshot-menus.sh [program folder (default build/bin)] [output folder (default menu-shots)]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=${1:-build/bin}
out=${2:-menu-shots}
steps=$(mktemp)
trap 'rm -f "$steps"' EXIT
cat >"$steps" <<'STEPS'
key Escape          # the tips window at start, if shown
sleep 1
windows
shot start
click 20 10         # the first menu of the menu bar
sleep 1
key Down
sleep 0.5
shot first-menu
key Escape
key Escape
sleep 0.5
click 210 10        # the settings menu, a second popup
sleep 1
key Down
sleep 0.5
shot second-menu
key Escape
STEPS
tool=/work/shared/tools/try-as-user.sh
[ -x "$tool" ] || tool="$here/try-as-user.sh"
"$tool" -p "$bin" -o "$out" "$steps"
ls "$out"/*.png
