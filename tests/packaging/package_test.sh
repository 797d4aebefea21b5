#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a temporary root, runs the packaged ovalon-report
# on a packaged example and validates the desktop entry.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

(cd "$build" && cpack -G DEB -B "$root/out" >/dev/null)
deb=$(ls "$root"/out/*.deb)
dpkg-deb --info "$deb" | grep -E '^ Depends: .*libc6' >/dev/null ||
  { echo "package has no computed dependencies"; dpkg-deb --info "$deb"; exit 1; }
dpkg-deb -x "$deb" "$root/tree"

report=$("$root/tree/usr/bin/ovalon-report" "$root/tree/usr/share/ovalon/examples/c60_ideal.xyz")
echo "$report" | grep -qx 'Нахождение уравнения эллипсоида методом МНК:' ||
  { echo "the packaged ovalon-report printed no fit report"; exit 1; }
echo "$report" | grep -qx '               3.54840963328926 Å' ||
  { echo "the packaged ovalon-report printed unexpected semi-axes"; exit 1; }

test -x "$root/tree/usr/bin/ovalon"
test -f "$root/tree/usr/share/icons/hicolor/scalable/apps/ovalon.svg"
for example in c60_distorted.xyz c70.xyz c84.xyz sc3n_c80.xyz c60_toluene_pcbm.xyz \
  c60_solvate.cif c60_models.pdb c60_frames.extxyz; do
  cmp "$root/tree/usr/share/ovalon/examples/$example" "$(dirname "$0")/../../examples/$example"
done
# The Python package, where the build has it, imports from the unpacked tree and reads and
# analyses the packaged example: its semi-axis b is the report's.
if [ -d "$build/python/ovalon" ]; then
  site=$(ls -d "$root"/tree/usr/lib/python3*/dist-packages)
  PYTHONPATH=$site /usr/bin/python3 - "$site" "$root/tree/usr/share/ovalon/examples/c60_ideal.xyz" <<'PY' ||
import sys
import ovalon
assert ovalon.__file__.startswith(sys.argv[1]), ovalon.__file__
[frame] = ovalon.read(sys.argv[2])
shape = ovalon.analyse(frame.positions, frame.sigmas)
assert "%.15g" % shape.semi_axes[1] == "3.54840963328926", shape
PY
    { echo "the packaged Python package does not import, read or analyse"; exit 1; }
fi
desktop-file-validate "$root/tree/usr/share/applications/ovalon.desktop"
echo "package test passed"
