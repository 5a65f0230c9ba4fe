#!/usr/bin/env bash
# Builds the .deb from a finished build folder and checks that it holds what a desktop
# install needs. Usage: check_deb.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/quorvex_*.deb)
contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
missing=0
for f in ./usr/bin/quorvex ./usr/bin/tsini ./usr/bin/ts2sim ./usr/lib/quorvex/libTSRemote.so \
         ./usr/share/applications/quorvex.desktop \
         ./usr/share/icons/hicolor/scalable/apps/quorvex.svg \
         ./usr/share/quorvex/sounds/0.wav ./usr/share/quorvex/sounds/11.wav \
         ./usr/bin/dtmfdecode $( [ -x "$build/bin/tsremote-bridge" ] &&
             echo ./usr/bin/tsremote-bridge ./usr/lib/systemd/user/tsremote-bridge.service ); do
    grep -qxF "$f" <<<"$contents" || { echo "missing in the package: $f"; missing=1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libpulse0 libsndfile1 xdg-utils; do
    grep -q "$d" <<<"$depends" || { echo "missing dependency: $d (Depends: $depends)"; missing=1; }
done
echo "$(basename "$deb"): $(wc -l <<<"$contents") entries; Depends: $depends"
exit $missing
