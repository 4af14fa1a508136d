#!/usr/bin/env bash
# The Debian package as a user gets it: built from this build tree with CPack, unpacked into a
# temporary root (dpkg -x), its desktop files valid, and the installed program started offscreen
# on a sample client file.
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
(cd "$root" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$root/out" >/dev/null)
deb=$(ls "$root"/out/*.deb)
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || { echo "Depends lacks Qt: $(dpkg-deb -f "$deb" Depends)"; exit 1; }
dpkg -x "$deb" "$root/fs"
desktop-file-validate "$root/fs/usr/share/applications/velkard.desktop"
appstreamcli validate --no-net "$root/fs/usr/share/metainfo/tw.velkard.VELKARD.metainfo.xml" >/dev/null
test -s "$root/fs/usr/share/icons/hicolor/256x256/apps/velkard.png"
test -s "$root/fs/usr/share/icons/hicolor/scalable/apps/velkard.svg"
"$root/fs/usr/bin/velkard" --version | grep -q '^VELKARD '
"$root/fs/usr/bin/velkard-sample" 50 "$root/clients.db" >/dev/null
# Started on the sample file it keeps running (its window open) until it is stopped.
set +e
QT_QPA_PLATFORM=offscreen timeout 5 "$root/fs/usr/bin/velkard" "$root/clients.db"
status=$?
set -e
[ "$status" -eq 124 ] || { echo "the installed program ended with $status"; exit 1; }
echo "package $(basename "$deb") installs and starts"
