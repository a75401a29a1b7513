#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program against a
# simulated unit: an FTP server on 127.1.1.10 port 21 that serves
# build/release/demo/unit, with the login kelvor / kelvor. The program runs
# in the working folder build/release/demo/work (KELVOR.INI, the program
# file KELVOR.BIN, the help pages). Both run in a network namespace of their
# own with only loopback up, so the program can reach the simulated unit
# and nothing else.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

# First, so that the xvfb-run below is there when it is suggested.
tools/install-deps.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<'TEXT'
No display found: the program needs a graphical session.
To run it on a virtual display instead (nothing will be visible):
    xvfb-run -a -s "-screen 0 1280x1024x24" tools/run.sh
To watch and drive it there, add a VNC server to that display, or run the
command from a desktop session.
TEXT
    exit 1
fi

cmake --preset release
cmake --build --preset release --target kelvor

demo=$repo/build/release/demo
rm -rf "$demo"
mkdir -p "$demo/work" "$demo/unit/prog"
cp build/release/work/help*.htm "$demo/work/"
cp build/release/work/kelvor "$demo/work/"
cat > "$demo/work/KELVOR.INI" <<'INI'
; The simulated unit of tools/run.sh.
[KELVOR]
DEFAULTIP=127.1.1.10
PATH=/prog/
FILENAME=KELVOR.BIN
INI
# A demo program file: 8 MiB of random bytes.
head -c $((8 * 1024 * 1024)) /dev/urandom > "$demo/work/KELVOR.BIN"

cat <<TEXT
Simulated unit: 127.1.1.10 port 21, login name "kelvor", password "kelvor".
Press 開始, check the address 127.1.1.10, enter the login name and the
password, press 接続, then プログラムアップロード.
Uploaded files land in $demo/unit/prog
TEXT

# The unit and the program share the namespace; the unit goes when the
# program ends.
tools/isolated.sh bash -c '
    python3=/usr/bin/python3
    "$python3" "$1/tests/support/unit_standin.py" --address 127.1.1.10 --port 21 \
        --user kelvor --password kelvor --root "$2/unit" > "$2/unit.port" 2> "$2/unit.log" &
    unit=$!
    trap "kill $unit 2>/dev/null" EXIT
    for _ in $(seq 100); do
        grep -q "^PORT" "$2/unit.port" 2>/dev/null && break
        sleep 0.1
    done
    cd "$2/work"
    ./kelvor
' run "$repo" "$demo"

if [ -f "$demo/unit/prog/KELVOR.BIN" ]; then
    if cmp -s "$demo/work/KELVOR.BIN" "$demo/unit/prog/KELVOR.BIN"; then
        echo "The simulated unit holds KELVOR.BIN, byte for byte the same as the working folder's."
    else
        echo "The simulated unit holds a KELVOR.BIN that differs from the working folder's." >&2
    fi
fi
