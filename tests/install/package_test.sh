#!/usr/bin/env bash
# The Debian packages as a user gets them: built from this build tree with CPack, checked by
# lintian as a distribution would, unpacked into a temporary root (dpkg -x), their desktop files
# valid, and the installed program started offscreen on a sample client file.
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
(cd "$root" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$root/out" >/dev/null)
deb=$(ls "$root"/out/velkard_*.deb)
tools=$(ls "$root"/out/velkard-tools_*.deb)
# Errors and warnings fail; lintian's informational tags are shown but pass.
lintian --fail-on error,warning --suppress-tags binary-has-unneeded-section "$deb" "$tools"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || { echo "Depends lacks Qt: $(dpkg-deb -f "$deb" Depends)"; exit 1; }
# The developer's tool stays out of the office's package.
if dpkg-deb -c "$deb" | grep -q velkard-sample; then echo "velkard-sample in $deb"; exit 1; fi
dpkg -x "$deb" "$root/fs"
dpkg -x "$tools" "$root/fs"
id=tw.velkard.velkard
desktop-file-validate "$root/fs/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$root/fs/usr/share/metainfo/$id.metainfo.xml" >/dev/null
grep -q "<id>$id</id>" "$root/fs/usr/share/metainfo/$id.metainfo.xml"
# One version number: the package's, the program's and the AppStream release's.
version=$(dpkg-deb -f "$deb" Version)
"$root/fs/usr/bin/velkard" --version | grep -qx "VELKARD $version"
"$root/fs/usr/bin/velkard-sample" --version | grep -qx "velkard-sample $version"
grep -q "<release version=\"$version\"" "$root/fs/usr/share/metainfo/$id.metainfo.xml"
# (read whole first: grep -q ending a pipe early would fail it under pipefail)
changelog=$(zcat "$root/fs/usr/share/doc/velkard/changelog.gz")
[[ $changelog == "velkard ($version) "* ]] || { echo "changelog is not of $version"; exit 1; }
manual=$(zcat "$root/fs/usr/share/man/man1/velkard.1.gz")
[[ $manual == *'\-\-backup'* ]] || { echo "the manual page lacks --backup"; exit 1; }
test -s "$root/fs/usr/share/icons/hicolor/256x256/apps/velkard.png"
test -s "$root/fs/usr/share/icons/hicolor/scalable/apps/velkard.svg"
"$root/fs/usr/bin/velkard-sample" 50 "$root/clients.db" >/dev/null
# Started on the sample file it keeps running (its window open) until it is stopped.
set +e
QT_QPA_PLATFORM=offscreen timeout 5 "$root/fs/usr/bin/velkard" "$root/clients.db"
status=$?
set -e
[ "$status" -eq 124 ] || { echo "the installed program ended with $status"; exit 1; }
echo "packages $(basename "$deb") and $(basename "$tools") pass lintian, install and start"
