#!/bin/sh
# Renders the first page of each printed report (picture list A4 and A5, thumbnail sheet) to PNG
# at 96 dpi, one report unit a pixel, so anyone can look at them.
# Usage: scripts/render-reports.sh [build folder] [output folder]
set -e
build=${1:-build}
out=${2:-report-pages}
mkdir -p "$out"
out=$(cd "$out" && pwd)
ninja -C "$build" -j3 publishing_print_tests
KALVORA_RENDER_DIR="$out" QT_QPA_PLATFORM=offscreen \
  "$build/tests/publishing/publishing_print_tests" --gtest_filter='ReportLayoutTest.RendersTheFirstPageOfEachReport'
ls -l "$out"/*.png
