#!/bin/bash
# Starts the program under Xvfb on a fresh home folder, opens the first sample slideshow and
# saves a screenshot of the picture viewer started from the picture page.
#   scripts/screenshot-viewer.sh [program folder (default build/bin)] [picture (default viewer.png)]
set -euo pipefail
. "$(dirname "$0")/screenshot-common.sh"
shot_setup "${1:-build/bin}" "${2:-viewer.png}"
shot_copy_program
shot_run KALVORA_SHOT_VIEWER="$out" "$bin/kalvora"
echo "$out"
