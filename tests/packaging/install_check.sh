#!/usr/bin/env bash
# Installs the build into a temporary prefix, lists what lands there, and
# checks it: the program, the desktop entry and the metainfo (validated),
# and the icon in every hicolor size the desktop entry names.
#   install_check.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1 id=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
(cd "$prefix" && find . -type f | sort)

expected=(
  bin/scanvet
  share/applications/$id.desktop
  share/metainfo/$id.metainfo.xml
  share/icons/hicolor/scalable/apps/$id.svg
)
for size in 16 32 48 64 128; do expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png"); done
status=0
for f in "${expected[@]}"; do
  [ -s "$prefix/$f" ] || { echo "missing: $f"; status=1; }
done
[ -x "$prefix/bin/scanvet" ] || { echo "bin/scanvet is not executable"; status=1; }
extra=$(cd "$prefix" && find . -type f | sed 's|^\./||' | grep -vxF -f <(printf '%s\n' "${expected[@]}") || true)
[ -z "$extra" ] || { echo "installed but not expected:"; echo "$extra"; status=1; }

desktop=$prefix/share/applications/$id.desktop
desktop-file-validate "$desktop" || status=1
grep -qx 'Name=Scanvet Address' "$desktop" || { echo "desktop entry: wrong Name"; status=1; }
grep -qx "Icon=$id" "$desktop" || { echo "desktop entry: Icon is not $id"; status=1; }
grep -qx 'Exec=scanvet' "$desktop" || { echo "desktop entry: Exec is not the installed program"; status=1; }
grep -q '^Categories=Network;' "$desktop" || { echo "desktop entry: not in Network"; status=1; }

# --no-net: the validator would otherwise try to reach URLs.
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || status=1

# A PNG's width and height are the big-endian words at bytes 16 and 20.
for size in 16 32 48 64 128; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -s "$png" ] || continue
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || { echo "$png is ${w}x$h, not ${size}x$size"; status=1; }
done

[ $status = 0 ] && echo "install check passed"
exit $status
