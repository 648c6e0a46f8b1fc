#!/bin/sh
# Builds the shell's tests with ThreadSanitizer in build-tsan and runs them.
# Usage: scripts/tsan.sh [gtest filter]
set -eu
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKALVORA_DIRS="platform;imaging;listctrl;effects;raster;archive;shell" \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
  -DCMAKE_C_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" \
  ${CMAKE_CXX_COMPILER_LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER} >/dev/null
ninja -C build-tsan -j"${JOBS:-3}" shell_tests
# Qt itself is not built with the sanitizer: its own internals are left out of the report.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(pwd)/scripts/tsan.supp ${TSAN_OPTIONS:-}"
build-tsan/tests/shell/shell_tests --gtest_filter="${1:-*}"
