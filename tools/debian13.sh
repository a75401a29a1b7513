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
# Needs root (or sudo), debootstrap (installed when missing) and amd64 or
# another architecture Debian 13 has.
set -euo pipefail

root=${KELVOR_DEBIAN13_ROOT:-/var/cache/kelvor-ci/debian13}
suite=trixie
marker=.kelvor-debootstrap-complete

if [ "$(id -u)" -ne 0 ]; then
    exec sudo --preserve-env=KELVOR_DEBIAN13_ROOT,KELVOR_PRESETS,KELVOR_PACKAGE,KELVOR_FUZZ_SECONDS,CI \
        "$0" "$@"
fi

repo=$(cd "$(dirname "$0")/.." && pwd)

mounted_below() {
    # Mount points at or below the system's folder, as the kernel lists them.
    awk -v root="$root" '$5 == root || index($5, root "/") == 1 { print $5 }' /proc/self/mountinfo
}

if [ "${1:-}" = --remove ]; then
    if [ -n "$(mounted_below)" ]; then
        echo "Something is mounted below $root; it is left as it is:" >&2
        mounted_below >&2
        exit 1
    fi
    rm -rf --one-file-system "$root"
    echo "Removed $root"
    exit 0
fi

if [ $# -eq 0 ]; then
    set -- tools/test.sh
fi

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

if [ ! -e "$root/$marker" ]; then
    if ! command -v debootstrap > /dev/null; then
        echo "Installing: debootstrap"
        DEBIAN_FRONTEND=noninteractive apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            debootstrap > /dev/null
    fi
    if [ -n "$(mounted_below)" ]; then
        echo "Something is mounted below $root; remove it by hand first." >&2
        exit 1
    fi
    echo "Making a Debian 13 system in $root (debootstrap $suite)"
    rm -rf --one-file-system "$root"
    mkdir -p "$root"
    if ! debootstrap --variant=minbase --include=ca-certificates,git "$suite" "$root" "$mirror" \
        > "$root.debootstrap.log" 2>&1; then
        tail -n 20 "$root.debootstrap.log" >&2
        echo "debootstrap failed; the whole log is $root.debootstrap.log" >&2
        exit 1
    fi
    touch "$root/$marker"
fi

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
} > "$root/etc/apt/sources.list.d/debian.sources"
rm -f "$root/etc/apt/sources.list"
cp -L /etc/resolv.conf "$root/etc/resolv.conf" 2> /dev/null || true

# A fresh copy of the tree as it stands, without its builds.
copy=$root/work/kelvor
rm -rf --one-file-system "$copy"
mkdir -p "$copy"
tar -C "$repo" --exclude=./build -cf - . | tar -C "$copy" -xf -

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
    exec env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" CI="${CI:-}" \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        ${KELVOR_PRESETS+KELVOR_PRESETS="$KELVOR_PRESETS"} \
        ${KELVOR_PACKAGE+KELVOR_PACKAGE="$KELVOR_PACKAGE"} \
        ${KELVOR_FUZZ_SECONDS+KELVOR_FUZZ_SECONDS="$KELVOR_FUZZ_SECONDS"} \
        chroot "$root" bash -c "cd /work/kelvor && exec \"\$@\"" debian13 "$@"
' debian13 "$root" "$@"
