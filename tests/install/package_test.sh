#!/usr/bin/env bash
# Builds the Debian package of the build tree, unpacks it into a fresh folder
# and runs the unpacked programs from elsewhere, with no user data and no
# source tree in reach: they must find their catalogue and examples where the
# package put them.
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$root/pkg" >"$root/cpack.log" 2>&1 ||
    { cat "$root/cpack.log"; exit 1; }
deb=$(ls "$root"/pkg/varnistrale_*.deb)
echo "package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"
dpkg-deb -x "$deb" "$root/fs"
dpkg-deb -f "$deb" Depends | grep -q libqt6 || { echo "no Qt dependency in the package"; exit 1; }

for f in usr/bin/varnistrale usr/bin/varnistrale-cli usr/share/varnistrale/DemoGlasdaten.txt \
         usr/share/varnistrale/examples/newtonian-f5.opt usr/share/applications/varnistrale.desktop \
         usr/share/mime/packages/varnistrale.xml \
         usr/share/icons/hicolor/scalable/apps/varnistrale.svg \
         usr/share/icons/hicolor/48x48/apps/varnistrale.png; do
    [ -e "$root/fs/$f" ] || { echo "missing in the package: $f"; exit 1; }
done
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/fs/usr/share/applications/varnistrale.desktop"
fi

example="$root/fs/usr/share/varnistrale/examples/newtonian-f5.opt"
cd /
out=$(env -u XDG_DATA_HOME HOME="$root/home" "$root/fs/usr/bin/varnistrale-cli" eval "$example")
echo "$out" | grep -q '"focalLength"' || { echo "eval gave: $out"; exit 1; }
env -u XDG_DATA_HOME HOME="$root/home" QT_QPA_PLATFORM=offscreen \
    "$root/fs/usr/bin/varnistrale" --check "$example"
echo "installed programs ran"
