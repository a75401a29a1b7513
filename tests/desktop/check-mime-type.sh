#!/usr/bin/env bash
# The installed KELVOR.INI file type and menu entry, as the desktop sees them
# (gio, which GNOME's file manager and xdg-mime use): a file named
# KELVOR.INI, in any letter case, is of the type of its own, no other name
# is, the entry is that
# type's default application, and it is not offered for plain text. The
# databases are built in a temporary data folder; the system's are only read.
#
#   check-mime-type.sh SHARE    SHARE: an installed share/ folder
set -euo pipefail

share=$1
type=application/x-kelvor-ini
entry=jp.kelvor.ProgramUpload.desktop

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/data/mime/packages" "$tmp/data/applications" "$tmp/config" "$tmp/files"
cp "$share/mime/packages/kelvor.xml" "$tmp/data/mime/packages/"
cp "$share/applications/$entry" "$tmp/data/applications/"

export HOME=$tmp XDG_DATA_HOME=$tmp/data XDG_DATA_DIRS=/usr/share
export XDG_CONFIG_HOME=$tmp/config XDG_CONFIG_DIRS=$tmp/config XDG_CURRENT_DESKTOP=GNOME
export GIO_USE_VFS=local

# update-mime-database reports a package file it cannot read on stderr and
# still succeeds.
complaints=$(update-mime-database "$tmp/data/mime" 2>&1)
if [ -n "$complaints" ]; then
    echo "update-mime-database: $complaints" >&2
    exit 1
fi
update-desktop-database "$tmp/data/applications"


failures=0
expect() {
    local what=$1 got=$2 want=$3
    if [ "$got" != "$want" ]; then
        echo "FAIL: $what: got '$got', want '$want'" >&2
        failures=$((failures + 1))
    fi
}

for name in KELVOR.INI kelvor.ini Kelvor.Ini KELVOR.INI.bak OLD-KELVOR.INI settings.ini; do
    printf '[KELVOR]\nPATH=/prog/\nFILENAME=KELVOR.BIN\n' > "$tmp/files/$name"
    got=$(xdg-mime query filetype "$tmp/files/$name")
    if [[ "$name" =~ ^[Kk][Ee][Ll][Vv][Oo][Rr]\.[Ii][Nn][Ii]$ ]]; then
        expect "type of $name" "$got" "$type"
    elif [ "$got" = "$type" ]; then
        echo "FAIL: $name is taken for a KELVOR.INI" >&2
        failures=$((failures + 1))
    fi
done

expect "default application for $type" "$(xdg-mime query default "$type")" "$entry"
text_applications=$(gio mime text/plain)
if grep -q "$entry" <<< "$text_applications"; then
    echo "FAIL: $entry is offered for every text file" >&2
    failures=$((failures + 1))
fi

[ "$failures" -eq 0 ]
