#!/bin/bash
# Starts the program under Xvfb on a fresh home folder, opens the first sample slideshow, reads
# the second into the source list and saves a screenshot of the picture-selection page.
#   scripts/screenshot-selection.sh [program folder (default build/bin)] [picture (default selection.png)]
set -euo pipefail
. "$(dirname "$0")/screenshot-common.sh"
shot_setup "${1:-build/bin}" "${2:-selection.png}"
shot_copy_program
shot_run KALVORA_SHOT_SELECTION="$out" "$bin/kalvora"
echo "$out"
