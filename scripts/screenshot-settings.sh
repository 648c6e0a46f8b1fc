#!/bin/bash
# Starts the program under Xvfb on a fresh home folder, opens the first sample slideshow and
# saves a screenshot of the slideshow settings page ("Diashow erzeugen").
#   scripts/screenshot-settings.sh [program folder (default build/bin)] [picture (default settings.png)]
set -euo pipefail
. "$(dirname "$0")/screenshot-common.sh"
shot_setup "${1:-build/bin}" "${2:-settings.png}"
shot_copy_program
shot_run KALVORA_SHOT_SETTINGS="$out" "$bin/kalvora"
echo "$out"
