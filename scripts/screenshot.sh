#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Draws tessel-view rendering a message into a PNG, without a display.
#
#   scripts/screenshot.sh [OUTPUT.png [MESSAGE]]
#
# Defaults: docs/tessel-view.png and data/messages/sample.html. Builds the
# viewer in $BUILD_DIR (default: build) first; needs Qt 6 or 5 (setup.sh --qt).
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-docs/tessel-view.png}
message=${2:-data/messages/sample.html}
build=${BUILD_DIR:-build}

cmake -S . -B "$build" > /dev/null
cmake --build "$build" -j2 --target tessel_view
mkdir -p "$(dirname "$output")"
cache=$(mktemp -d)
trap 'rm -rf "$cache"' EXIT
QT_QPA_PLATFORM=offscreen "$build/viewer/tessel-view" --cache "$cache" \
  --screenshot "$output" "$message"
echo "wrote $output"
