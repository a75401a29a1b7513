#!/usr/bin/env bash
# tools/debian13.sh refuses a folder it did not make, however it is named; a
# run killed while debootstrap has /proc mounted leaves nothing mounted, and
# the next run makes the system. Needs root and the Debian mirror.
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "Needs root: skipped"; exit 77; }
script=$(cd "$(dirname "$0")/../.." && pwd)/tools/debian13.sh
work=$(mktemp -d /var/tmp/kelvor-debian13-test.XXXXXX)
sys=$work/system
trap 'KELVOR_DEBIAN13_ROOT=$sys "$script" --remove > /dev/null || true
      grep -q " $work/" /proc/self/mountinfo || rm -rf --one-file-system "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
mounted_below() { awk -v dir="$1/" 'index($5, dir) == 1' /proc/self/mountinfo; }
cd "$work"

# Someone else's folder, named with a trailing slash, relatively, through a link.
mkdir theirs && echo kept > theirs/file && ln -s theirs link
for name in theirs/ ./theirs link "$work/link/"; do
    out=$(KELVOR_DEBIAN13_ROOT=$name "$script" true 2>&1) && fail "made a system in $name"
    [[ $out == *"$work/theirs holds files"* ]] || fail "$name: $out"
    ! KELVOR_DEBIAN13_ROOT=$name "$script" --remove 2> /dev/null || fail "--remove removed $name"
done
[ "$(ls -A theirs)" = file ] && [ "$(cat theirs/file)" = kept ] || fail "their folder changed"

# Its own folder with something mounted below, named through a link.
mkdir -p ours/proc && : > ours/.kelvor-debootstrap-started && ln -s ours ourlink
unshare --mount --propagation private bash -c 'mount -t tmpfs kept ours/proc &&
    ! KELVOR_DEBIAN13_ROOT=ourlink/ "$1" true && ! KELVOR_DEBIAN13_ROOT=ourlink/ "$1" --remove &&
    [ -e ours/.kelvor-debootstrap-started ]' check "$script" || fail "a mount below ourlink/ was not seen"

# SIGKILL to every process of a run once debootstrap has mounted /proc.
setsid env KELVOR_DEBIAN13_ROOT="$sys" "$script" true > first.log 2>&1 &
run=$!
proc_mounted() {
    for pid in $(pgrep -g "$run"); do grep -qs " $sys/proc " "/proc/$pid/mountinfo" && return; done
    false
}
for ((i = 0; i < 900; i++)); do
    proc_mounted && break
    kill -0 "$run" 2> /dev/null || fail "the run ended before debootstrap mounted /proc: $(tail -n 5 first.log)"
    sleep 1
done
proc_mounted || fail "debootstrap did not mount /proc within 15 min"
kill -KILL -- "-$run"
wait "$run" || true
for ((i = 0; i < 300 && $(pgrep -c -g "$run"); i++)); do sleep 0.1; done
[ -z "$(mounted_below "$sys")" ] || fail "left mounted: $(mounted_below "$sys")"
[ ! -e "$sys/.kelvor-debootstrap-complete" ] || fail "a killed run marked the system complete"

# The next run makes the system and runs the command in Debian 13.
out=$(KELVOR_DEBIAN13_ROOT=$sys "$script" cat /etc/debian_version) || fail "the run after the kill: $out"
[[ $out == *$'\n'13.* ]] && [ -z "$(mounted_below "$sys")" ] || fail "not Debian 13, or left mounted: $out"
KELVOR_DEBIAN13_ROOT=$sys "$script" --remove > /dev/null && [ ! -e "$sys" ] || fail "--remove"
