#!/bin/bash
# Installs what is missing, builds Kalvora and starts it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
ninja -C "$root/build" -j"$(nproc)" kalvora
exec "$root/build/bin/kalvora" "$@"
