#!/usr/bin/env bash
# Runs a command in a network namespace of its own with only loopback up, so
# nothing it starts can reach another host: as root with unshare -n, else in
# a user namespace with unshare -rn (where binding port 21 is allowed too).
set -euo pipefail

if [ $# -eq 0 ]; then
    echo "usage: $0 command [arguments...]" >&2
    exit 2
fi

if [ "$(id -u)" -eq 0 ]; then
    flags=(-n)
else
    flags=(-r -n)
fi

exec unshare "${flags[@]}" -- bash -c 'ip link set lo up && exec "$@"' isolated "$@"
