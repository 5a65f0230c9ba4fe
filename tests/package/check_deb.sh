#!/usr/bin/env bash
# Builds the packages from a finished build folder and checks that they hold what a
# desktop install needs and pass Debian's own check. Usage: check_deb.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
missing=0
fail() { echo "$*"; missing=1; }
contentsOf() { dpkg-deb --contents "$1" | awk '{print $6}'; }

deb=$(ls "$out"/quorvex_*.deb)
contents=$(contentsOf "$deb")
for f in ./usr/bin/quorvex ./usr/bin/tsini ./usr/bin/ts2sim ./usr/bin/dtmfdecode \
         ./usr/lib/x86_64-linux-gnu/quorvex/libTSRemote.so \
         ./usr/share/applications/quorvex.desktop \
         ./usr/share/icons/hicolor/scalable/apps/quorvex.svg \
         ./usr/share/quorvex/sounds/0.wav ./usr/share/quorvex/sounds/11.wav \
         ./usr/share/doc/quorvex/copyright ./usr/share/doc/quorvex/changelog.gz \
         ./usr/libexec/quorvex/quorvex-keyer ./usr/lib/udev/rules.d/70-quorvex-radio.rules; do
    grep -qxF "$f" <<<"$contents" || fail "missing in the package: $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6dbus6 libqt6sql6-sqlite libpulse0 libsndfile1 xdg-utils \
         libhamlib4 libgpiod2 libqt6serialport6; do
    grep -q "$d" <<<"$depends" || fail "missing dependency: $d (Depends: $depends)"
done
grep -qE 'i386|lib32' <<<"$depends" && fail "the main package pulls in 32-bit libraries: $depends"

# The 32-bit bridge in a package of its own, where it is built.
debs=("$deb")
if [ -x "$build/bin/tsremote-bridge" ]; then
    bridge=$(ls "$out"/quorvex-bridge_*.deb)
    debs+=("$bridge")
    for f in ./usr/bin/tsremote-bridge ./usr/lib/systemd/user/tsremote-bridge.service \
             ./usr/share/doc/quorvex-bridge/copyright; do
        grep -qxF "$f" <<<"$(contentsOf "$bridge")" || fail "missing in the bridge package: $f"
    done
    grep -q 'tsremote-bridge' <<<"$contents" && fail "the main package holds the bridge"
fi

for p in "${debs[@]}"; do
    # A manual page for every command a package installs.
    c=$(contentsOf "$p")
    for cmd in $(grep -E '^\./usr/bin/.+' <<<"$c" | xargs -n1 basename); do
        grep -qxF "./usr/share/man/man1/$cmd.1.gz" <<<"$c" || fail "no manual page for $cmd"
    done
    if command -v lintian >/dev/null; then
        lintian --tag-display-limit 0 "$p" 2>/dev/null | grep '^E:' &&
            fail "lintian reports errors for $(basename "$p") (above)"
    fi
done
dpkg-deb -x "$deb" "$out/root"
# The licence, named alike wherever a user or a software centre looks.
grep -qx 'License: GPL-3.0-or-later' "$out/root/usr/share/doc/quorvex/copyright" ||
    fail "the copyright file does not name GPL-3.0-or-later"
grep -q '<project_license>GPL-3.0-or-later</project_license>' \
    "$out"/root/usr/share/metainfo/*.metainfo.xml || fail "the metainfo names no project licence"
# The metainfo a software centre reads.
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$out"/root/usr/share/metainfo/*.metainfo.xml >/dev/null ||
        fail "the metainfo does not validate"
fi
# The version, without a display.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$build/bin/quorvex" --version |
    grep -q '^quorvex v' || fail "quorvex --version without a display failed"
"$build/bin/quorvex" --version | grep -q 'GPL-3.0-or-later' || fail "--version names no licence"
echo "$(basename "$deb"): $(wc -l <<<"$contents") entries; Depends: $depends"
exit $missing
