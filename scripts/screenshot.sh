#!/usr/bin/env bash
# Takes a picture of a solo game in progress under Xvfb: docs/table.png.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-docs/table.png}
mkdir -p "$(dirname "$out")"
xvfb-run -a -s "-screen 0 1024x768x24" "$build/tests/screenshot/marrowby-screenshot" "$out"
xvfb-run -a -s "-screen 0 1024x768x24" "$build/tests/screenshot/marrowby-settings-screenshot" "$(dirname "$out")"
xvfb-run -a -s "-screen 0 1024x768x24" "$build/tests/screenshot/marrowby-chatshot" "$(dirname "$out")/chat.png"
