#!/usr/bin/env bash
# Installs what is needed, builds Quorvex and starts it beside the simulated
# TeamSpeak 2 client (ts2sim), in a private demo environment under build-run/demo:
# its own ts.ini, its own URL handler settings, its own client socket.
set -euo pipefail
cd "$(dirname "$0")/.."

# Said before minutes of installing and building, not after.
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display to show Quorvex on; run it headless with: xvfb-run -a $0" >&2
    exit 1
fi

scripts/install-packages.sh

cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_BUILD_TESTS=OFF
cmake --build build-run

BIN=$PWD/build-run/bin
DEMO=$PWD/build-run/demo
mkdir -p "$DEMO"/{home,run,config,data/applications}
chmod 700 "$DEMO/run"
# The demo's own runtime folder hides the desktop's sound server: name it directly.
if [ -z "${PULSE_SERVER:-}" ] && [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/pulse/native" ]; then
    export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse/native
fi
export QUORVEX_HOME=$DEMO/home XDG_RUNTIME_DIR=$DEMO/run
export XDG_CONFIG_HOME=$DEMO/config XDG_DATA_HOME=$DEMO/data
unset TSREMOTE_SOCKET

# ts2sim is the demo's teamspeak:// handler, so "TeamSpeak starten" finds it.
cat > "$XDG_DATA_HOME/applications/ts2sim.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=ts2sim
Exec="$BIN/ts2sim" %u
NoDisplay=true
MimeType=x-scheme-handler/teamspeak;
DESKTOP
printf '[Default Applications]\nx-scheme-handler/teamspeak=ts2sim.desktop\n' > "$XDG_CONFIG_HOME/mimeapps.list"

# A player keys up now and then while the demo runs.
(while sleep 6; do echo "speak 7 on"; sleep 3; echo "speak 7 off"; done) |
    "$BIN/ts2sim" --script sim/demo/world.txt &
SIM=$!
trap 'kill $SIM 2>/dev/null || true' EXIT

"$BIN/quorvex" "$@"
