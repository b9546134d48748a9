#!/usr/bin/env bash
# The installed program: `cmake --install` into a DESTDIR and a prefix of our own
# gives exactly the expected tree with the licence's full text, its desktop entry
# and AppStream data validate cleanly under one application id and name the
# licence, the manual page carries the version, the command line answers, and
# the installed executable starts, shows its window and has Help open the
# installed readme.
# Usage: install_tree_test.sh BUILD_DIR APP_ID VERSION
set -euo pipefail
build=$1 id=$2 version=$3

work=$(mktemp -d -t wavedock-install.XXXXXX)
app_pid=
cleanup() {
    if [ -n "$app_pid" ]; then
        [ -s "$work/wavedock.pid" ] && kill "$(cat "$work/wavedock.pid")" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
    return 0
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Any prefix below any DESTDIR.
DESTDIR="$work/root" cmake --install "$build" --prefix /opt/wavedock >"$work/install.log"
prefix="$work/root/opt/wavedock"

# The whole tree, no file missing and none extra.
expected=(bin/wavedock lib/wavedock/libwavedock_webengine.so share/wavedock/wavedock.txt
    share/wavedock/LICENSE
    "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
    share/man/man1/wavedock.1.gz share/doc/wavedock/copyright share/doc/wavedock/changelog.gz
    "share/icons/hicolor/scalable/apps/$id.svg")
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$prefix" && find . -type f | sed 's|^\./||' | sort) ||
    fail "installed tree differs (< expected, > installed)"
for size in 16 22 24 32 48 64 128 256; do
    file "$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png" | grep -q ", $size x $size, 8-bit/color RGBA" ||
        fail "icon at $size px is not a $size px RGBA PNG"
done
[ -x "$prefix/bin/wavedock" ] || fail "bin/wavedock is not executable"
gzip -dc "$prefix/share/man/man1/wavedock.1.gz" | grep -q "^\\.TH WAVEDOCK 1 .* \"Wavedock $version\"" ||
    fail "man page without version $version"
# The licence's full text, as Debian ships it where it can be compared.
license="$prefix/share/wavedock/LICENSE"
grep -q 'GNU GENERAL PUBLIC LICENSE' "$license" && grep -q 'END OF TERMS AND CONDITIONS' "$license" ||
    fail "LICENSE is not the full GPL"
if [ -f /usr/share/common-licenses/GPL-3 ]; then
    cmp -s "$license" /usr/share/common-licenses/GPL-3 || fail "LICENSE differs from the GPL-3 text"
fi

# Desktop metadata: clean validation, one id everywhere.
desktop="$prefix/share/applications/$id.desktop"
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"
report=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli: $report"
! grep -qE '^[EW]:' <<<"$report" || fail "appstreamcli: $report"
grep -qx "Icon=$id" "$desktop" || fail "desktop entry's icon is not $id"
grep -q '^MimeType' "$desktop" && fail "desktop entry claims MIME types"
grep -q "<id>$id</id>" "$metainfo" || fail "AppStream id is not $id"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" || fail "AppStream licence"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "launchable"

# The command line, from the installed executable, without a display.
exe="$prefix/bin/wavedock"
[ "$(DISPLAY= "$exe" --version)" = "wavedock $version" ] || fail "--version"
DISPLAY= "$exe" --help | grep -q -- '--version' || fail "--help"
set +e
DISPLAY= "$exe" --no-such-option 2>"$work/error"
status=$?
set -e
[ "$status" -eq 2 ] && grep -q "Unknown option 'no-such-option'" "$work/error" ||
    fail "unknown option: exit $status, $(cat "$work/error")"

# A start from the installed prefix, in a home and session bus of its own, with a
# recording handler in place of the desktop's xdg-open.
mkdir -p "$work/home" "$work/handler" "$work/runtime"
chmod 700 "$work/runtime"
mkfifo "$work/opened"
cat >"$work/handler/xdg-open" <<HANDLER
#!/bin/sh
printf '%s\n' "\$1" | timeout 30 tee "$work/opened" >/dev/null
HANDLER
chmod +x "$work/handler/xdg-open"
env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
    XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
    XDG_CACHE_HOME="$work/home/.cache" PATH="$work/handler:$PATH" \
    dbus-run-session -- sh -c 'echo $$ >"$1"; exec "$2"' sh "$work/wavedock.pid" "$exe" \
    2>"$work/app.log" &
app_pid=$!
# Wavedock's main window: the splash has the same name, and the main window is
# made again (a new X window) once its browser starts drawing.
main_window() {
    local w
    for w in $(xdotool search --onlyvisible --name '^Wavedock$' 2>/dev/null); do
        if xdotool getwindowgeometry "$w" 2>/dev/null | grep -q 'Geometry: 681x496'; then echo "$w"; fi
    done | tail -n1
}
# The splash stays on top in the middle of the screen for a while: Help is
# clicked with the window moved to the bottom-left corner, clear of it. A click
# that went to a window made anew meanwhile is tried again.
timeout 60 xdotool search --sync --name '^Wavedock$' >/dev/null || fail "no window; $(cat "$work/app.log")"
read -r _ screen_height < <(xdotool getdisplaygeometry)
opened=
for _ in $(seq 1 100); do
    window=$(main_window)
    [ -n "$window" ] || continue
    xdotool windowmove --sync "$window" 0 $((screen_height - 496)) 2>/dev/null &&
        xdotool mousemove --window "$window" 541 440 click 1 2>/dev/null || continue
    opened=$(timeout 5 head -n1 "$work/opened") && break
done
[ -n "$opened" ] || fail "Help opened nothing; $(cat "$work/app.log")"
opened=${opened#file://}
[ "$opened" = "$prefix/share/wavedock/wavedock.txt" ] || fail "Help opened $opened"
echo "install tree, metadata, command line and installed start: ok"
