#!/usr/bin/env bash
# Tries the built package the way an operator meets it, on this machine:
# installs build/deb/kelvor_*.deb with apt, starts it from its menu entry on
# a virtual X display with an empty home, opens a vendor's KELVOR.INI the
# way a file manager does, starts the program natively on a headless Wayland
# compositor, and removes the package again (purge). Screenshots and logs go
# to build/deb/try/.
#
#   tools/try-package.sh [path/to/kelvor.deb]
#
# Run it as root on a machine where the package is not installed; it leaves
# the package uninstalled. It needs a built package (tools/package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

# Without a build/deb folder yet, find fails; the message below says why.
deb=${1:-$({ find "$repo/build/deb" -maxdepth 1 -name 'kelvor_*.deb' 2>/dev/null || true; } |
    sort | tail -n 1)}
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
    echo "No package: run tools/package.sh first." >&2
    exit 1
fi
deb=$(realpath "$deb")
if [ "$(id -u)" -ne 0 ]; then
    echo "$0: installs a package, so it needs root." >&2
    exit 1
fi
if dpkg-query -W -f='${Status}' kelvor 2>/dev/null | grep -q 'installed'; then
    echo "kelvor is installed already; remove it first, this tool removes it when done." >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
tools=(xvfb xauth x11-utils imagemagick libglib2.0-bin xdg-utils weston)
missing=()
for p in "${tools[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null
fi

out=$repo/build/deb/try
rm -rf "$out"
mkdir -p "$out"
scratch=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    if dpkg-query -W -f='${Status}' kelvor 2>/dev/null | grep -q 'installed'; then
        apt-get purge -y -qq kelvor > /dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

failures=0
check() {
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
    else
        echo "FAILED: $what" >&2
        failures=$((failures + 1))
    fi
}

caption="ＫＥＬＶＯＲ ﾌﾟﾛｸﾞﾗﾑｱｯﾌﾟﾛｰﾄﾞﾕｰﾃｨﾘﾃｨ"
entry=/usr/share/applications/jp.kelvor.ProgramUpload.desktop

# The id of the first top-level window named $1 that belongs to the
# program, within 20 s.
window_named() {
    local id
    for _ in $(seq 200); do
        id=$(xwininfo -root -children 2>/dev/null | grep -F "\"$1\"" | awk '{print $1}' | head -n 1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}
window_pid() {
    xprop -id "$1" _NET_WM_PID | awk '{print $3}'
}

echo "=== install $deb"
apt-get install -y -qq "$deb" > "$out/apt-install.log" 2>&1
check "the MIME database knows application/x-kelvor-ini" \
    test -f /usr/share/mime/application/x-kelvor-ini.xml
check "the desktop database lists the entry for it" \
    grep -q '^application/x-kelvor-ini=jp.kelvor.ProgramUpload.desktop' \
    /usr/share/applications/mimeinfo.cache

# An operator's session: an empty home, a display of its own.
export HOME=$scratch/home
mkdir -p "$HOME"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_CURRENT_DESKTOP WAYLAND_DISPLAY
export XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 0700 "$XDG_RUNTIME_DIR"
exec 3> "$scratch/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp > "$out/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do
    [ -s "$scratch/display" ] && break
    sleep 0.1
done
DISPLAY=:$(cat "$scratch/display")
export DISPLAY

echo "=== from the menu entry, with an empty home"
gio launch "$entry" > "$out/menu.log" 2>&1
window=$(window_named "$caption") || true
check "the main window appears" test -n "$window"
if [ -n "$window" ]; then
    pid=$(window_pid "$window")
    pids+=("$pid")
    xprop -id "$window" WM_CLASS WM_NAME > "$out/menu-xprop.txt"
    import -window root "$out/menu.png"
    check "the program runs in ~/KELVOR" test "$(readlink "/proc/$pid/cwd")" = "$HOME/KELVOR"
    check "its windows carry WM_CLASS kelvor, as StartupWMClass says" \
        grep -q 'WM_CLASS(STRING) = "kelvor", "kelvor"' "$out/menu-xprop.txt"
    kill "$pid"
fi
for file in KELVOR.INI help1.htm help2.htm help3.htm; do
    check "the working folder holds $file as installed" cmp -s "$HOME/KELVOR/$file" "/usr/share/kelvor/$file"
done

echo "=== a vendor's folder, opened by its KELVOR.INI"
stick=$scratch/stick
mkdir -p "$stick"
printf '[KELVOR]\r\nDEFAULTIP=127.1.1.10\r\nPATH=/prog/\r\nFILENAME=KELVOR.BIN\r\n' > "$stick/KELVOR.INI"
head -c 4096 /dev/urandom > "$stick/KELVOR.BIN"
listing() {
    (cd "$stick" && stat -c '%n %s %y' . ./* && sha256sum ./*)
}
before=$(listing)
check "xdg-mime takes it for application/x-kelvor-ini" \
    test "$(XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype "$stick/KELVOR.INI")" = application/x-kelvor-ini
check "gio takes it for application/x-kelvor-ini" \
    grep -q 'standard::content-type: application/x-kelvor-ini' \
    <<< "$(gio info -a standard::content-type "$stick/KELVOR.INI")"
check "a kelvor.ini of another case is taken for one" \
    test "$(cp "$stick/KELVOR.INI" "$scratch/kelvor.ini" &&
        gio info -a standard::content-type "$scratch/kelvor.ini" | awk '/content-type/ {print $2}')" = application/x-kelvor-ini
check "the entry is the type's default application" \
    test "$(xdg-mime query default application/x-kelvor-ini)" = jp.kelvor.ProgramUpload.desktop
rm -rf "$HOME/KELVOR"
# As on a GNOME desktop, where xdg-open hands the file to gio. (Without a
# desktop, xdg-open asks file(1), which knows no shared-mime-info types,
# unless libfile-mimeinfo-perl, which xdg-utils recommends, is installed.)
XDG_CURRENT_DESKTOP=GNOME xdg-open "$stick/KELVOR.INI" > "$out/vendor.log" 2>&1 &
window=$(window_named "$caption") || true
check "the main window appears" test -n "$window"
if [ -n "$window" ]; then
    pid=$(window_pid "$window")
    pids+=("$pid")
    import -window root "$out/vendor.png"
    check "the program runs in the vendor's folder" test "$(readlink "/proc/$pid/cwd")" = "$stick"
    kill "$pid"
fi
sleep 0.5
after=$(listing)
check "nothing was written in the vendor's folder" test "$before" = "$after"
check "no working folder was laid out in the home" test ! -e "$HOME/KELVOR"

echo "=== another file given to the menu entry"
printf 'notes\n' > "$scratch/notes.txt"
gio launch "$entry" "$scratch/notes.txt" > "$out/refused.log" 2>&1
window=$(window_named "$caption") || true
check "a message window appears" test -n "$window"
if [ -n "$window" ]; then
    pid=$(window_pid "$window")
    pids+=("$pid")
    import -window root "$out/refused.png"
    check "it is the launcher's, the program did not start" \
        test "$(readlink "/proc/$pid/exe")" = /usr/libexec/kelvor/kelvor-launcher
    kill "$pid"
fi

echo "=== native Wayland, on weston's headless backend"
weston --backend=headless-backend.so --socket=kelvor-try --width=1024 --height=768 \
    --use-pixman --debug --idle-time=0 > "$out/weston.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/kelvor-try" ] && break
    sleep 0.1
done
mkdir -p "$HOME/KELVOR"
(cd "$HOME/KELVOR" && WAYLAND_DISPLAY=kelvor-try QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 \
    exec /usr/bin/kelvor) > "$out/wayland-protocol.log" 2>&1 &
kelvor=$!
pids+=("$kelvor")
for _ in $(seq 200); do
    # libwayland writes an object as xdg_toplevel@16 up to 1.21 (Debian 12)
    # and as xdg_toplevel#16 since (Debian 13).
    grep -q 'xdg_toplevel[@#][0-9]*\.configure' "$out/wayland-protocol.log" && break
    sleep 0.1
done
check "the main window is a Wayland toplevel with the desktop id as app id" \
    grep -q 'set_app_id("jp.kelvor.ProgramUpload")' "$out/wayland-protocol.log"
check "... and the caption as its title" grep -qF "set_title(\"$caption\")" "$out/wayland-protocol.log"
check "the compositor configured it" grep -q 'xdg_toplevel[@#][0-9]*\.configure' "$out/wayland-protocol.log"
sleep 1
(cd "$out" && WAYLAND_DISPLAY=kelvor-try timeout 20 weston-screenshooter > /dev/null 2>&1 &&
    mv wayland-screenshot-*.png wayland.png) || echo "no Wayland screenshot" >&2
kill "$kelvor"

echo "=== remove"
apt-get purge -y -qq kelvor > "$out/apt-purge.log" 2>&1
check "the program is gone" test ! -e /usr/bin/kelvor
check "its data is gone" test ! -e /usr/share/kelvor
check "the MIME database no longer knows the type" test ! -e /usr/share/mime/application/x-kelvor-ini.xml
check "the operator's ~/KELVOR stays" test -d "$HOME/KELVOR"

echo "Screenshots and logs: ${out#"$repo"/}"
[ "$failures" -eq 0 ]
