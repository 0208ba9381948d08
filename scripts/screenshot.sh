#!/usr/bin/env bash
# Takes pictures under Xvfb for the README: a solo game in progress (docs/table.png), the chat
# while four copies talk, the lobby download window and the tally window, beside it in docs/
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-docs/table.png}
mkdir -p "$(dirname "$out")"
xvfb-run -a -s "-screen 0 1024x768x24" "$build/tools/screenshot/marrowby-screenshot" "$out"
# The same table maximised on a full-HD screen: the board grows with the window.
xvfb-run -a -s "-screen 0 1920x1080x24" "$build/tools/screenshot/marrowby-screenshot" \
    "$(dirname "$out")/table-maximised.png" maximised
xvfb-run -a -s "-screen 0 1024x768x24" "$build/tools/screenshot/marrowby-download-screenshot" "$(dirname "$out")/download.png"
xvfb-run -a -s "-screen 0 1024x768x24" "$build/tools/screenshot/marrowby-tally-screenshot" "$(dirname "$out")/tally.png"
xvfb-run -a -s "-screen 0 1024x768x24" "$build/tools/screenshot/marrowby-settings-screenshot" "$(dirname "$out")"
xvfb-run -a -s "-screen 0 1024x768x24" "$build/tools/screenshot/marrowby-chatshot" "$(dirname "$out")/chat.png"
# The lobby needs an Avahi daemon of its own to list tables: the tests' private one.
if bash tests/lobby/avahi-sandbox.sh xvfb-run -a -s "-screen 0 1024x768x24" \
    "$build/tools/screenshot/marrowby-lobby-screenshot" "$build" "$(dirname "$out")/lobby.png"; then :
else
    echo "docs/lobby.png not taken: the lobby's screenshot needs private namespaces (see above)"
fi
