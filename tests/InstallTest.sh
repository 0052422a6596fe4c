#!/bin/sh
# Installs the build into a scratch DESTDIR as `make install PREFIX=/usr DESTDIR=...` does, checks
# what the desktop and the program need of it, runs the installed program from another directory,
# and uninstalls, which must leave only the files that others had put there.
#   InstallTest.sh <build directory> <source directory>
set -eu

build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
stage=$(mktemp -d)
usr=$stage/usr
data=$usr/share/tavrin
manifest=$build/install_manifest_tavrin.txt
pid=
trap '[ -z "$pid" ] || kill -9 "$pid" 2>/dev/null; rm -rf "$stage" "$manifest"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Files of others in directories that Tavrin shares or owns; private directories for its devices.
mkdir -p "$usr/share/applications" "$data/skins/mine"
mkdir -m 700 "$stage/envarc" "$stage/ram"
touch "$usr/share/applications/other.desktop" "$data/skins/mine/TR0.png"

DESTDIR=$stage cmake --install "$build" --prefix /usr --component tavrin >/dev/null
while read -r path; do
    [ -f "$stage$path" ] || fail "$path not installed below DESTDIR"
done <"$manifest"

# The desktop entry, its program and its icon, the AppStream data that names the entry; the manual page
# renders without a warning; the data directory holds the default skin and, when the source has it, the
# default sound.
desktop=$usr/share/applications/tavrin.desktop
desktop-file-validate "$desktop" || fail "desktop entry not valid"
metainfo=$usr/share/metainfo/example.kestrel_review.tavrin.metainfo.xml
appstreamcli validate --no-net "$metainfo" >/dev/null || fail "AppStream data not valid"
grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")<" "$metainfo" || fail "AppStream data names another entry"
[ "$(sed -n 's/^Exec=//p' "$desktop")" = "tavrin --workbench" ] || fail "desktop entry runs something else"
[ -x "$usr/bin/tavrin" ] || fail "no program in bin"
ls "$usr"/share/icons/hicolor/*/apps/"$(sed -n 's/^Icon=//p' "$desktop")".png >/dev/null || fail "no hicolor icon"
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
    "$usr/share/man/man1/tavrin.1" 2>&1 >/dev/null) || fail "man page does not render"
[ -z "$warnings" ] || fail "man page warnings: $warnings"
ls "$data"/skins/standard/TR[0-5].png | wc -l | grep -qx 6 || fail "skin pictures missing"
[ ! -f "$src/data/TR_special.8svx" ] || [ -f "$data/TR_special.8svx" ] || fail "default sound missing"

# Runs the installed program from / with devices of its own; the arguments are those of env. Called
# only in a process of its own (a pipeline or &), which it becomes.
run() {
    cd / && exec env -u TAVRIN_ASSIGN_TAVRIN -u TAVRIN_ASSIGN_LOCALE -u TAVRIN_ASSIGN_PROGDIR -u LC_ALL \
        -u LC_MESSAGES TAVRIN_ASSIGN_ENVARC="$stage/envarc" TAVRIN_ASSIGN_RAM="$stage/ram" \
        ASAN_OPTIONS=detect_leaks=0 "$@"
}

# Without a display the failed window is reported on standard output, in the catalog's language:
# the English catalog replaces the German text, so it was found in the data directory.
nodisplay="env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM"
german="Requester kann nicht erzeugt werden"
run $nodisplay LANG=C "$usr/bin/tavrin" --workbench | grep -q "$german" || fail "no German message without a catalog"
! run $nodisplay LANG=en_US.UTF-8 "$usr/bin/tavrin" --workbench | grep -q "$german" ||
    fail "installed English catalog not used"

# In dock mode the program gets through start-up without a requester, works in its data directory,
# and ends with 0 on SIGINT.
run QT_QPA_PLATFORM=offscreen "$usr/bin/tavrin" --workbench DEBUG=START >"$stage/out" 2>&1 &
pid=$!
for _ in $(seq 300); do
    grep -q "Programm läuft" "$stage/out" || ! kill -0 "$pid" 2>/dev/null && break
    sleep 0.1
done
grep -q "Programm läuft" "$stage/out" || fail "installed program did not start: $(cat "$stage/out")"
[ "$(readlink "/proc/$pid/cwd")" = "$data" ] || fail "installed program works in $(readlink "/proc/$pid/cwd")"
kill -INT "$pid"
# One that does not end when told is killed after 10 s and fails here, not at the test's time-out.
(sleep 10 && kill -9 "$pid") >/dev/null 2>&1 &
watchdog=$!
status=0
wait "$pid" || status=$?
pid=
kill "$watchdog" 2>/dev/null || true
[ "$status" = 0 ] || fail "installed program ended with $status within 10 s of SIGINT: $(cat "$stage/out")"

DESTDIR=$stage cmake -DMANIFEST="$manifest" -P "$src/cmake/Uninstall.cmake" >/dev/null
left=$(cd "$usr" && find . -type f | sort | tr '\n' ' ')
[ "$left" = "./share/applications/other.desktop ./share/tavrin/skins/mine/TR0.png " ] ||
    fail "uninstall left $left"
[ ! -e "$data/skins/standard" ] && [ ! -e "$data/locale" ] || fail "uninstall left directories"
echo "install, run and uninstall: ok"
