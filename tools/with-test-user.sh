#!/usr/bin/env bash
# Runs a command in a mount namespace of its own in which the vsftpd test
# user (tests/support/Vsftpd.h) exists: private copies of /etc/passwd,
# /etc/group and /etc/shadow that hold it are bound over the originals
# there. The account exists for that command and its children only and goes
# with them, even when a run is killed: nothing on the machine changes.
# tools/isolated.sh runs the tests through it when run as root.
#
#   tools/with-test-user.sh command [arguments...]
#
# vsftpd logs the user in through PAM: pam_shells wants a shell listed in
# /etc/shells, and vsftpd changes into the home before its local_root, so
# the home must exist ("/" does).
set -euo pipefail

user=kelvorftp
password=kelvorftp-test
comment="KELVOR test FTP user"

if [ $# -eq 0 ]; then
    echo "usage: $0 command [arguments...]" >&2
    exit 2
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "$0: needs root" >&2
    exit 1
fi

# The namespace is made here, by this very process (unshare execs in place,
# so the process id stays): the account files below are never those of the
# machine.
if [ "${KELVOR_TEST_USER_PID:-}" != "$$" ]; then
    export KELVOR_TEST_USER_PID=$$
    KELVOR_MACHINE_MOUNTS=$(readlink /proc/self/ns/mnt)
    export KELVOR_MACHINE_MOUNTS
    exec unshare -m --propagation private -- "$0" "$@"
fi
if [ "$(readlink /proc/self/ns/mnt)" = "$KELVOR_MACHINE_MOUNTS" ]; then
    echo "$0: no mount namespace of its own; the account files are left alone" >&2
    exit 1
fi
unset KELVOR_TEST_USER_PID KELVOR_MACHINE_MOUNTS

# A system id that no account or group of the machine has.
id=
for candidate in $(seq 999 -1 100); do
    if ! cut -d: -f3 /etc/passwd /etc/group | grep -qx "$candidate"; then
        id=$candidate
        break
    fi
done
if [ -z "$id" ]; then
    echo "$0: no free system id for $user" >&2
    exit 1
fi

# The copies live on a tmpfs of this namespace: the machine never sees them,
# and the empty mount point goes again at once.
dir=$(mktemp -d /tmp/kelvor-accounts-XXXXXX)
mount -t tmpfs -o mode=0700,size=1m kelvor-accounts "$dir"

hash=$(perl -e 'my @c = ("a" .. "z", "A" .. "Z", 0 .. 9, ".", "/");
                my $salt = join "", map { $c[rand @c] } 1 .. 16;
                print crypt($ARGV[0], "\$6\$$salt\$")' "$password")
{ grep -v "^$user:" /etc/passwd || true; echo "$user:x:$id:$id:$comment:/:/bin/sh"; } > "$dir/passwd"
{ grep -v "^$user:" /etc/group || true; echo "$user:x:$id:"; } > "$dir/group"
{ grep -v "^$user:" /etc/shadow || true; echo "$user:$hash:$(($(date +%s) / 86400)):0:99999:7:::"; } > "$dir/shadow"
chmod 0644 "$dir/passwd" "$dir/group"
chmod 0640 "$dir/shadow"
chown root:shadow "$dir/shadow" 2>/dev/null || chown root:root "$dir/shadow"

for file in passwd group shadow; do
    mount --bind "$dir/$file" "/etc/$file"
done
umount -l "$dir"
rmdir "$dir"

exec "$@"
