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
for f in ./usr/bin/quorvex ./usr/bin/tsini ./usr/bin/ts2sim $(grep -E "^\./usr/lib/.*quorvex/libTSRemote\.so$" <<<"$contents" || echo ./usr/lib/x86_64-linux-gnu/quorvex/libTSRemote.so) \
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
# A manual page for every command the package installs.
for cmd in $(grep -E '^\./usr/bin/.+' <<<"$contents" | xargs -n1 basename); do
    grep -qxF "./usr/share/man/man1/$cmd.1.gz" <<<"$contents" ||
        { echo "no manual page for $cmd"; missing=1; }
done
# The metainfo a software centre reads, and what Debian's own check says.
if command -v appstreamcli >/dev/null; then
    dpkg-deb -x "$deb" "$out/root"
    appstreamcli validate --no-net "$out"/root/usr/share/metainfo/*.metainfo.xml >/dev/null ||
        { echo "the metainfo does not validate"; missing=1; }
fi
if command -v lintian >/dev/null; then
    if lintian --tag-display-limit 0 "$deb" 2>/dev/null | grep '^E:'; then
        echo "lintian reports errors (above)"
        missing=1
    fi
fi
# The version, without a display.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$build/bin/quorvex" --version |
    grep -q '^quorvex v' || { echo "quorvex --version without a display failed"; missing=1; }
echo "$(basename "$deb"): $(wc -l <<<"$contents") entries; Depends: $depends"
exit $missing
