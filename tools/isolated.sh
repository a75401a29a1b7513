#!/usr/bin/env bash
# Runs a command in a network namespace of its own with only loopback up, so
# nothing it starts can reach another host: as root with unshare -n, else in
# a user namespace with unshare -rn (where binding port 21 is allowed too).
#
# As root the command also gets a mount namespace of its own, whose account
# files hold the vsftpd test user (tools/with-test-user.sh): the account
# exists only while the command runs, only for it, and the machine's own
# account files never change.
set -euo pipefail

if [ $# -eq 0 ]; then
    echo "usage: $0 command [arguments...]" >&2
    exit 2
fi

tools=$(cd "$(dirname "$0")" && pwd)

if [ "$(id -u)" -eq 0 ]; then
    exec unshare -n -- "$tools/with-test-user.sh" \
        bash -c 'ip link set lo up && exec "$@"' isolated "$@"
fi
exec unshare -r -n -- bash -c 'ip link set lo up && exec "$@"' isolated "$@"
