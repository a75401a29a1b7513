#!/usr/bin/env bash
# Runs a command on a copy of this tree inside a clean Debian 13 (trixie)
# system, made with debootstrap on this machine:
#
#   tools/debian13.sh                  runs tools/test.sh there
#   tools/debian13.sh COMMAND [ARG...] runs COMMAND there, in the copy's top folder
#   tools/debian13.sh --remove         removes the Debian 13 system
#
# The system lives in $KELVOR_DEBIAN13_ROOT (default
# /var/cache/kelvor-ci/debian13), outside the repository, so that a fresh
# clone finds the one an earlier run made. It is made on first use (about two
# minutes; the packages the project needs are then installed by the
# project's own scripts inside it, as on any fresh machine). Its apt sources
# point at the mirrors this machine's apt uses.
#
# The copy of the tree goes to /work/kelvor inside it, replacing the copy of
# an earlier run. /proc, /sys and /dev are mounted into it only inside a
# mount namespace of this script's own: they go when the script ends,
# whether the command passed, failed or was killed, and nothing stays
# mounted on the machine.
#
# What it may remove: only inside a folder that carries one of its markers
# (.kelvor-debootstrap-started, written before debootstrap starts, and
# .kelvor-debootstrap-complete, written when it has finished). It makes the
# system only in a folder that does not exist, is empty, or carries a
# marker; any other folder is refused and left untouched. A system whose
# making was interrupted (started, not complete) is emptied and made again.
# Every run replaces /work/kelvor inside the system; --remove removes the
# whole folder. Nothing is removed while something is mounted below the
# folder, nor across a mount.
#
# Needs root (or sudo), debootstrap (installed when missing) and amd64 or
# another architecture Debian 13 has.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
    exec sudo --preserve-env=KELVOR_DEBIAN13_ROOT,KELVOR_PRESETS,KELVOR_PACKAGE,KELVOR_FUZZ_SECONDS,CI \
        "$0" "$@"
fi

# The folder as the kernel names it (no trailing slash, no link, absolute),
# so that the mount table and the markers are checked where the files are.
root=$(realpath -m -- "${KELVOR_DEBIAN13_ROOT:-/var/cache/kelvor-ci/debian13}")
suite=trixie
started=.kelvor-debootstrap-started
complete=.kelvor-debootstrap-complete
log=.kelvor-debootstrap.log

refuse() {
    echo "$*" >&2
    exit 1
}

if [ "$root" = / ] || [ -z "$root" ]; then
    refuse "KELVOR_DEBIAN13_ROOT names the machine's root folder; name a folder of its own."
fi
if [ -e "$root" ] && [ ! -d "$root" ]; then
    refuse "$root is not a folder; it is left as it is."
fi

repo=$(cd "$(dirname "$0")/.." && pwd)

mounted_below() {
    # Mount points at or below the system's folder, as the kernel lists them
    # (with its escapes for space, tab, newline and backslash).
    local escaped=${root//\\/\\134}
    escaped=${escaped// /\\040}
    escaped=${escaped//$'\t'/\\011}
    escaped=${escaped//$'\n'/\\012}
    ROOT=$escaped awk '$5 == ENVIRON["ROOT"] || index($5, ENVIRON["ROOT"] "/") == 1 { print $5 }' \
        /proc/self/mountinfo
}
refuse_if_mounted_below() {
    if [ -n "$(mounted_below)" ]; then
        echo "Something is mounted below $root; it is left as it is:" >&2
        mounted_below >&2
        exit 1
    fi
}

marked() {
    [ -f "$root/$started" ] || [ -f "$root/$complete" ]
}

# One run at a time in the folder: the lock is held by every process of the
# run (debootstrap and the command included) until the last one ends.
lock() {
    exec 9< "$root"
    flock -n 9 || refuse "Another run of tools/debian13.sh is using $root."
}

if [ "${1:-}" = --remove ]; then
    if [ ! -e "$root" ]; then
        echo "Nothing to remove at $root"
        exit 0
    fi
    marked || refuse "$root has no marker of tools/debian13.sh; it is left as it is."
    lock
    refuse_if_mounted_below
    rm -rf --one-file-system "$root"
    echo "Removed $root"
    exit 0
fi

if [ $# -eq 0 ]; then
    set -- tools/test.sh
fi

if [ -d "$root" ] && ! marked && [ -n "$(ls -A -- "$root")" ]; then
    refuse "$root holds files that tools/debian13.sh did not put there; it is left as it is." \
        "Name a new or empty folder in KELVOR_DEBIAN13_ROOT."
fi
mkdir -p "$root"
lock

# The mirrors this machine's apt uses, for the same archives' trixie.
mirror_of() {
    apt-get indextargets --no-release-info --format '$(REPO_URI) $(RELEASE)' 2>/dev/null |
        awk -v want="$1" '{ security = ($2 ~ /-security$/) }
                          (want == "security") == security { print $1; exit }'
}
mirror=$(mirror_of main)
security=$(mirror_of security)
if [ -z "$mirror" ]; then
    echo "This machine's apt has no Debian archive configured; cannot make a Debian 13 system." >&2
    exit 1
fi

if [ ! -e "$root/$complete" ]; then
    if ! command -v debootstrap > /dev/null; then
        echo "Installing: debootstrap"
        DEBIAN_FRONTEND=noninteractive apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            debootstrap > /dev/null
    fi
    refuse_if_mounted_below
    if [ -e "$root/$started" ]; then
        echo "Emptying $root: an earlier run began a system there and did not finish it"
        find "$root" -mindepth 1 -maxdepth 1 ! -name "$started" \
            -exec rm -rf --one-file-system -- {} +
    else
        : > "$root/$started"
    fi
    echo "Making a Debian 13 system in $root (debootstrap $suite)"
    # debootstrap mounts /proc into the system; in a mount namespace of its
    # own that mount goes with it however it ends, SIGKILL included.
    if ! unshare --mount --propagation private -- \
        debootstrap --variant=minbase --include=ca-certificates,git "$suite" "$root" "$mirror" \
        > "$root/$log" 2>&1; then
        tail -n 20 "$root/$log" >&2
        echo "debootstrap failed; the whole log is $root/$log" >&2
        exit 1
    fi
    : > "$root/$complete"
fi

# Files go into the system through its own programs, chrooted: a link
# inside the system (say /etc/resolv.conf, made absolute by a package)
# then leads to a place inside it, never to the machine's own file.
in_system() {
    chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@" 9<&-
}

# Every run: the archive's updates and security fixes as on an installed
# Debian 13, and this machine's name service for apt.
{
    printf 'Types: deb\nURIs: %s\nSuites: %s %s-updates\nComponents: main\n' \
        "$mirror" "$suite" "$suite"
    printf 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n'
    if [ -n "$security" ]; then
        printf '\nTypes: deb\nURIs: %s\nSuites: %s-security\nComponents: main\n' \
            "$security" "$suite"
        printf 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n'
    fi
} | in_system sh -c 'rm -f /etc/apt/sources.list /etc/apt/sources.list.d/debian.sources &&
                     cat > /etc/apt/sources.list.d/debian.sources'
if resolv=$(cat /etc/resolv.conf 2> /dev/null); then
    printf '%s\n' "$resolv" | in_system sh -c 'rm -f /etc/resolv.conf && cat > /etc/resolv.conf'
fi

# A fresh copy of the tree as it stands, without its builds.
tar -C "$repo" --exclude=./build -cf - . |
    in_system sh -c 'rm -rf --one-file-system /work/kelvor && mkdir -p /work/kelvor &&
                     tar -C /work/kelvor -xf -'

# The folders mounted below are the system's own, not links out of it.
for dir in proc sys dev tmp run; do
    if [ -L "$root/$dir" ] || [ ! -d "$root/$dir" ]; then
        refuse "$root/$dir is not a folder; nothing is mounted there."
    fi
done

echo "=== Debian 13: $* (in $root)"
# The mounts live in this mount namespace only.
exec unshare --mount --propagation private -- bash -euo pipefail -c '
    root=$1
    shift
    # The root of the system must be a mount point of its own: the tests
    # make mount namespaces of their own inside it, which needs one.
    mount --bind "$root" "$root"
    mount -t proc proc "$root/proc"
    mount -t sysfs sysfs "$root/sys"
    mount --rbind /dev "$root/dev"
    mount -t tmpfs tmpfs "$root/tmp"
    mount -t tmpfs tmpfs "$root/run"
    mkdir -p "$root/run/lock"
    # This shell holds the lock until the command ends; the command does
    # not get the descriptor of the lock.
    status=0
    env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" CI="${CI:-}" \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        ${KELVOR_PRESETS+KELVOR_PRESETS="$KELVOR_PRESETS"} \
        ${KELVOR_PACKAGE+KELVOR_PACKAGE="$KELVOR_PACKAGE"} \
        ${KELVOR_FUZZ_SECONDS+KELVOR_FUZZ_SECONDS="$KELVOR_FUZZ_SECONDS"} \
        chroot "$root" bash -c "cd /work/kelvor && exec \"\$@\"" debian13 "$@" 9<&- || status=$?
    exit "$status"
' debian13 "$root" "$@"
