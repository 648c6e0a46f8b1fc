#!/bin/bash
# Opens the editor's painter-effects dialog under Xvfb on a sample picture (or the one given),
# saves the dialog with each of the 21 effects (<name>-01 .. -21) and with "Wirbel" (<name>).
#   scripts/screenshot-effects.sh [program folder (default build/bin)] [screenshot (default effects.png)] [picture]
set -euo pipefail
. "$(dirname "$0")/screenshot-common.sh"
picture=${3:+$(realpath "$3")}
shot_setup "${1:-build/bin}" "${2:-effects.png}"
shot_run "$bin/kalvora_effects_shot" "$out" ${picture:+"$picture"}
echo "$out"
