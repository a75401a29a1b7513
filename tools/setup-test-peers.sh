#!/usr/bin/env bash
# Prepares the machine for the tests' second FTP peer, vsftpd: a local system
# user it can log in (no home directory; the tests give vsftpd a root folder
# of their own). The user name and password are the ones the test fixture
# (tests/support/Vsftpd.h) uses.
#
# Idempotent and quiet: prints nothing when everything is already in place,
# and exits 0 without doing anything when not run as root (the vsftpd tests
# then skip).
set -euo pipefail

user=kelvorftp
password=kelvorftp-test

if [ "$(id -u)" -ne 0 ]; then
    exit 0
fi

if ! id -u "$user" >/dev/null 2>&1; then
    # vsftpd's PAM stack (pam_shells) wants a shell listed in /etc/shells, and
    # vsftpd changes into the home directory before its local_root, so the
    # home must exist: "/" does, and the user gets no directory of its own.
    useradd -M -d / -s /bin/sh -c "KELVOR test FTP user" "$user"
fi
if [ "$(getent passwd "$user" | cut -d: -f6)" != "/" ]; then
    usermod -d / "$user"
fi

# Set the password only when it differs, so a second run stays silent and
# leaves /etc/shadow untouched.
current=$(getent shadow "$user" | cut -d: -f2)
if [ -z "$current" ] || [ "$(perl -e 'print crypt($ARGV[1], $ARGV[0])' "$current" "$password")" != "$current" ]; then
    echo "$user:$password" | chpasswd
fi
