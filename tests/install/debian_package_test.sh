#!/usr/bin/env bash
# The Debian package: CPack builds wavedock_<version>_amd64.deb with the installed
# files under /usr, dependencies computed from the libraries plus xdg-utils, a
# machine-readable copyright file naming the licence the AppStream data names,
# and lintian finds no error in it.
# Usage: debian_package_test.sh BUILD_DIR APP_ID VERSION
set -euo pipefail
build=$1 id=$2 version=$3

work=$(mktemp -d -t wavedock-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$work/cpack.log")"
deb="$work/wavedock_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $deb; $(ls "$work")"

info=$(dpkg-deb --info "$deb")
grep -qx ' Package: wavedock' <<<"$info" || fail "package name: $info"
grep -qx " Version: $version" <<<"$info" || fail "version: $info"
grep -qx ' Architecture: amd64' <<<"$info" || fail "architecture: $info"
depends=$(grep '^ Depends:' <<<"$info") || fail "no dependencies: $info"
for package in xdg-utils libqt6widgets6 libqt6webenginewidgets6 libqt6dbus6 libjpeg62-turbo libc6; do
    grep -qE "[ ,]$package( |,|$)" <<<"$depends" || fail "$package missing from $depends"
done

contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
for file in ./usr/bin/wavedock ./usr/share/wavedock/wavedock.txt \
    "./usr/share/applications/$id.desktop" "./usr/share/metainfo/$id.metainfo.xml" \
    "./usr/share/icons/hicolor/256x256/apps/$id.png" "./usr/share/icons/hicolor/16x16/apps/$id.png" \
    ./usr/share/man/man1/wavedock.1.gz ./usr/share/doc/wavedock/copyright \
    ./usr/share/wavedock/LICENSE; do
    grep -qx -- "$file" <<<"$contents" || fail "$file missing from the package"
done

# The copyright file parses strictly as DEP-5 (python3-debian), every file is
# under GPL-3+ with its licence paragraph, and the AppStream data says the same.
mkdir "$work/tree"
dpkg-deb --extract "$deb" "$work/tree"
report=$(/usr/bin/python3 - "$work/tree/usr/share/doc/wavedock/copyright" <<'PYTHON' 2>&1
import sys
from debian.copyright import Copyright
with open(sys.argv[1], encoding="utf-8") as stream:
    copyright = Copyright(stream, strict=True)
assert copyright.header.upstream_name == "Wavedock", copyright.header.upstream_name
explained = {p.license.synopsis for p in copyright.all_license_paragraphs()}
for files in copyright.all_files_paragraphs():
    assert files.copyright, f"no copyright notice for {files.files}"
    name = files.license.synopsis
    assert name == "GPL-3+", f"{files.files} under {name}"
    assert files.license.text or name in explained, f"{name} without its licence text"
print("GPL-3+")
PYTHON
) || fail "copyright file: $report"
grep -q '<project_license>GPL-3.0-or-later</project_license>' \
    "$work/tree/usr/share/metainfo/$id.metainfo.xml" || fail "AppStream data names another licence"

report=$(lintian --no-tag-display-limit "$deb" 2>&1) || true
! grep -q '^E:' <<<"$report" || fail "lintian: $report"
echo "package: ok"; grep -E '^[WI]:' <<<"$report" || true
