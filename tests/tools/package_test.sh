#!/usr/bin/env bash
# The Debian package: built from this build tree, unpacked into a scratch
# root, its programs run from there; it depends on Debian's own packages.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$build" && cpack -G DEB -B "$scratch/out" > "$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/out/*.deb)
dpkg-deb -x "$deb" "$scratch/root"
depends=$(dpkg-deb -f "$deb" Depends)
for wanted in libqt6widgets6 libqt6serialport6 libqt6svg6 libcsv3 libc6; do
  grep -q "$wanted" <<<"$depends" || { echo "the package does not depend on $wanted: $depends"; exit 1; }
done
root=$scratch/root/usr
for f in bin/zephra-editor bin/zephra-db bin/zephra-ctlsim share/applications/zephra-editor.desktop \
         share/mime/packages/zephra-editor.xml share/icons/hicolor/scalable/apps/zephra-editor.svg; do
  [ -e "$root/$f" ] || { echo "the package lacks $f"; exit 1; }
done
for lib in libzephra.so libtolvex.so; do
  [ -n "$(find "$root/lib" -name "$lib")" ] || { echo "the package lacks $lib"; exit 1; }
done
grep -q '^Exec=zephra-editor %f' "$root/share/applications/zephra-editor.desktop"
grep -q '^MimeType=.*application/x-zephra-zp3' "$root/share/applications/zephra-editor.desktop"
# The programs run from where the package put them, with its own libraries.
"$root/bin/zephra-db" --help > /dev/null
"$root/bin/zephra-db" create "$scratch/Studio.ZP3" --format v3 > /dev/null
"$root/bin/zephra-db" verify "$scratch/Studio.ZP3" > /dev/null
QT_QPA_PLATFORM=offscreen "$root/bin/zephra-editor" --help | grep -q -- '--screenshots'
if ldd "$root/bin/zephra-editor" | grep -q "$build"; then echo "the editor still finds libraries in the build tree"; exit 1; fi
echo "package $(basename "$deb") unpacks and runs"
