#!/usr/bin/env bash
# Soak run: quorvex against ts2sim with 100 channels and 200 players, one of them
# keying up and down every second, ts2sim restarted every 30 s; then a while with no
# client at all. Prints CPU (% of one core), RSS and open descriptors of quorvex at the
# start and the end of each phase.
#   scripts/soak.sh [MINUTES_CONNECTED] [MINUTES_WITHOUT_CLIENT]    (default 30 and 5)
# Needs a build in build/ (scripts/test.sh), or set QUORVEX_BIN to another bin/ folder
# (a release build measures what users run).
set -euo pipefail
cd "$(dirname "$0")/.."
connected=${1:-30}
alone=${2:-5}
bin=${QUORVEX_BIN:-$PWD/build/bin}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT

export QT_QPA_PLATFORM=offscreen QUORVEX_HOME=$work TSREMOTE_SOCKET=$work/client.sock

# The world, written once: channels, players, a login, then a speaker for an hour.
{
    for c in $(seq 5 104); do echo "channel $c 0 Kanal $c"; done
    for p in $(seq 1 200); do echo "player $((1000 + p)) $((1 + p % 100)) Spieler$p"; done
    echo "connect teamspeak://localhost:8767?nickname=DL0GW?loginname=?password=?channel=?channelpassword="
    for _ in $(seq 1 1800); do printf 'speak 1001 on\nwait 1000\nspeak 1001 off\nwait 1000\n'; done
} >"$work/world.txt"
"$bin/tsini" set "$work/ts.ini" Anmeldung ServerAdresse 2 >/dev/null
"$bin/tsini" set "$work/ts.ini" Anmeldung Nickname DL0GW >/dev/null

sim() { "$bin/ts2sim" --no-window --socket "$TSREMOTE_SOCKET" --script "$work/world.txt" \
    </dev/null >/dev/null 2>&1 & echo $!; }

"$bin/quorvex" >"$work/quorvex.log" 2>&1 &
qpid=$!
ticks() { awk '{print $14 + $15}' "/proc/$qpid/stat"; }
hz=$(getconf CLK_TCK)
figures() { # label, seconds to measure CPU over
    local t0 t1
    t0=$(ticks)
    sleep "$2"
    t1=$(ticks)
    printf '%-28s cpu %5.2f %%  rss %6d kB  fds %3d\n' "$1" \
        "$(echo "scale=4; 100 * ($t1 - $t0) / $hz / $2" | bc)" \
        "$(awk '/VmRSS/ {print $2}' "/proc/$qpid/status")" "$(ls "/proc/$qpid/fd" | wc -l)"
}

spid=$(sim)
sleep 20 # settle: connected, lists filled
figures "connected, start" 60
end=$((SECONDS + connected * 60 - 120))
while ((SECONDS < end)); do
    sleep 30
    kill "$spid" 2>/dev/null || true
    wait "$spid" 2>/dev/null || true
    spid=$(sim)
done
figures "connected, end" 60
kill "$spid" 2>/dev/null || true
wait "$spid" 2>/dev/null || true
sleep 5
figures "no client, start" 30
sleep $((alone * 60 > 90 ? alone * 60 - 90 : 0))
figures "no client, end" 60
kill -0 "$qpid" || { echo "soak: quorvex ended during the run" >&2; exit 1; }
