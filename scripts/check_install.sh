#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks what a Linux desktop
# expects there: the program, its data, its packs and tobex together in lib/tilvo-1, the
# launchers on bin/, the desktop entry, the hicolor icons and the AppStream
# metainfo (validated), then runs the game headless from that prefix.
# Usage: scripts/check_install.sh [BUILD_DIR]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
id=org.tobexlib.Tilvo1
for f in bin/tilvo-1 bin/tilvo-1-makepack lib/tilvo-1/tilvo lib/tilvo-1/tobex \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml share/doc/tilvo-1/LICENSE \
         share/icons/hicolor/{48x48,64x64,128x128,256x256}/apps/$id.png; do
  [ -e "$prefix/$f" ] || fail "missing $f"
done
ls "$prefix"/lib/tilvo-1/*.pak >/dev/null 2>&1 || fail "no data archive beside the program"
[ -e "$prefix/lib/tilvo-1/README.md" ] || fail "no README.md beside the program (its menu opens it)"
if [ -e "$build/game/Packs/Nature.zip" ]; then
  cmp -s "$build/game/Packs/Nature.zip" "$prefix/lib/tilvo-1/Packs/Nature.zip" || fail "the Nature pack is not installed"
fi
for size in 48 64 128 256; do
  head -c 24 "$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png" | od -An -tu1 -j16 -N8 |
    awk -v s="$size" '{ if ($3 * 256 + $4 != s || $7 * 256 + $8 != s) exit 1 }' || fail "icon $size is not ${size}x${size}"
done
desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop entry does not validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null || fail "metainfo does not validate"

# The launcher finds the program and its data from any working folder.
home=$(mktemp -d)
(cd / && HOME="$home" XDG_DATA_HOME="$home/data" SDL_VIDEODRIVER=dummy TOBEX_HEADLESS=1 TOBEX_FRAMES=20 \
  "$prefix/bin/tilvo-1" >/dev/null 2>&1) || { rm -rf "$home"; fail "the installed game does not run"; }
rm -rf "$home"
echo "install: layout, desktop entry, metainfo and headless run all fine"
