# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Catches an install that misses or adds a file, a desktop entry that is invalid or starts another program or shows another icon, and invalid metainfo (bash install_check.sh BUILD_DIR APP_ID).
set -euo pipefail
build=$1 id=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
status=0
expected=(bin/scanvet libexec/scanvet/scanvet-helper libexec/scanvet/scanvet-window share/man/man1/scanvet.1.gz share/applications/$id.desktop share/metainfo/$id.metainfo.xml
          share/doc/scanvet-address/copyright share/doc/scanvet-address/changelog.Debian.gz
          share/lintian/overrides/scanvet-address)
for icon in {16x16,32x32,48x48,64x64,128x128}/apps/$id.png scalable/apps/$id.svg; do expected+=("share/icons/hicolor/$icon"); done
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$prefix" && find . -type f | sed 's|^\./||' | sort) || status=1
[ -x "$prefix/bin/scanvet" ] || { echo "bin/scanvet is not executable"; status=1; }
[ -x "$prefix/libexec/scanvet/scanvet-helper" ] || { echo "the helper is not executable"; status=1; }
# The helper loads nothing of Qt: only libc and the C++ runtime.
if ldd "$prefix/libexec/scanvet/scanvet-helper" | grep -i qt; then echo "the helper links Qt"; status=1; fi
# The command line loads no GUI library; the window is a program of its own.
if ldd "$prefix/bin/scanvet" | grep -E 'libQt6(Gui|Widgets|Svg|DBus)'; then echo "bin/scanvet links a GUI library"; status=1; fi
[ -x "$prefix/libexec/scanvet/scanvet-window" ] || { echo "the window's program is not executable"; status=1; }
desktop=$prefix/share/applications/$id.desktop
desktop-file-validate "$desktop" || status=1
grep -qx 'Exec=scanvet' "$desktop" && grep -qx "Icon=$id" "$desktop" || { echo "desktop entry: wrong Exec or Icon"; status=1; }
# --no-net: the validator would otherwise try to reach URLs.
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || status=1
exit $status
