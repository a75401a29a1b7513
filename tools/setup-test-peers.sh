#!/usr/bin/env bash
# Prepares the machine for the tests' FTP peers. The vsftpd test user needs
# nothing here: it exists only inside the tests' own namespace
# (tools/isolated.sh, tools/with-test-user.sh).
#
# Earlier versions of this script created that user on the machine, with the
# repository's password and a login shell, and left it there; such a
# leftover is removed. Only that account: its name and its comment must
# both match.
#
# Idempotent and quiet: prints nothing when there is nothing to do, and does
# nothing when not run as root.
set -euo pipefail

user=kelvorftp
comment="KELVOR test FTP user"

if [ "$(id -u)" -ne 0 ]; then
    exit 0
fi

entry=$(grep "^$user:" /etc/passwd || true)
if [ -z "$entry" ]; then
    exit 0
fi
if [ "$(cut -d: -f5 <<< "$entry")" != "$comment" ]; then
    echo "An account $user exists that the test set-up did not make; it is left as it is." >&2
    exit 0
fi

echo "Removing the account $user that an earlier test set-up left on this machine."
if ! userdel "$user"; then
    echo "The account $user could not be removed now; the next run tries again." >&2
fi
