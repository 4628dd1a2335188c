#!/usr/bin/env bash
# Builds the Debian package from a build tree and checks it as a user's machine sees it:
# its files, menu entry and metadata, its dependencies, lintian's verdict, and that the
# installed program, unpacked into an empty root, starts and paints the welcome screen.
# Usage: test_package.sh CPACK BUILD_DIR
set -euo pipefail
cpack=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack could not build the package"; }
deb=$(ls "$work"/out/planium_*.deb)
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
expected=(
  ./usr/bin/planium
  ./usr/share/applications/planium.desktop
  ./usr/share/metainfo/ru.planium.Planium.metainfo.xml
  ./usr/share/icons/hicolor/scalable/apps/planium.svg
  ./usr/share/man/man1/planium.1.gz
  ./usr/share/doc/planium/copyright
  ./usr/share/doc/planium/changelog.gz
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/planium.png")
done
for file in "${expected[@]}"; do
  grep -qxF "$file" <<<"$contents" || fail "the package lacks $file"
done

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for name in libqt6core6 libqt6gui6 libqt6widgets6 libxlsxwriter fonts-liberation2 qt6-translations-l10n; do
  grep -qE "(^|, )$name[^,]*" <<<"$depends" || fail "Depends does not name $name"
done

root=$work/root
dpkg -x "$deb" "$root"
entry=$root/usr/share/applications/planium.desktop
metainfo=$root/usr/share/metainfo/ru.planium.Planium.metainfo.xml
desktop-file-validate "$entry" || fail "desktop entry"
# The project has no public address yet: newer appstream versions warn of the missing
# homepage (older ones do not know that check at all), and nothing else may be reported.
appstreamcli validate "$metainfo" || appstreamcli validate --override=url-homepage-missing=info "$metainfo" ||
  fail "AppStream metadata"

# The menu entry must start an installed program and name an installed icon, and the
# metadata must point at the menu entry.
command=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[ -x "$root/usr/bin/$command" ] || fail "the menu entry runs '$command', which the package lacks"
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "the menu entry's icon '$icon' is not installed"
grep -qF "<launchable type=\"desktop-id\">$(basename "$entry")</launchable>" "$metainfo" ||
  fail "the metadata does not launch the menu entry"

lintian --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"

# Started with no display, the minimal platform writes each painted frame to a PNG in the
# working directory. The first frame is the whole window; a second later it is surely
# written out, and the program must still be running.
mkdir "$work/frames"
frame=$work/frames/output0000.png
(cd "$work/frames" && exec env QT_QPA_PLATFORM=minimal:fontconfig QT_DEBUG_BACKINGSTORE=1 \
  "$root/usr/bin/planium" >/dev/null 2>&1) &
program=$!
for _ in $(seq 100); do
  [ -f "$frame" ] || sleep 0.1
done
sleep 1
kill -0 "$program" 2>/dev/null || fail "the installed program ended on its own"
kill "$program"
wait "$program" || true
[ -f "$frame" ] || fail "the installed program painted no window"
# The welcome screen is 648 x 325 pixels, mostly background, with a dark-blue greeting.
python3 - "$frame" <<'PY' || fail "the painted window is not the welcome screen"
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
width, height, depth, kind = struct.unpack(">IIBB", data[16:26])
assert (width, height) == (648, 325) and depth == 8 and kind in (2, 6), (width, height, depth, kind)
step = 4 if kind == 6 else 3
pos, idat = 8, b""
while pos < len(data):
    length, tag = struct.unpack(">I4s", data[pos:pos + 8])
    if tag == b"IDAT":
        idat += data[pos + 8:pos + 8 + length]
    pos += 12 + length
raw, stride = zlib.decompress(idat), width * step
rows, prev = [], bytearray(stride)
for y in range(height):
    start = y * (stride + 1)
    filter_type, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
    for i in range(stride):
        a = line[i - step] if i >= step else 0
        b, c = prev[i], (prev[i - step] if i >= step else 0)
        if filter_type == 1: line[i] = (line[i] + a) & 255
        elif filter_type == 2: line[i] = (line[i] + b) & 255
        elif filter_type == 3: line[i] = (line[i] + (a + b) // 2) & 255
        elif filter_type == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    rows.append(bytes(line))
    prev = line
pixels = [tuple(row[x:x + 3]) for row in rows for x in range(0, stride, step)]
background = pixels.count((255, 192, 255)) / len(pixels)
figures = pixels.count((0, 0, 192))
print(f"welcome screen: {background:.0%} background, {figures} dark-blue pixels")
assert background > 0.5 and figures > 0
PY
echo "the installed program shows the welcome screen"
