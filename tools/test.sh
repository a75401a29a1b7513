#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. The tests run in a
# network namespace with only loopback up: they reach their own FTP servers
# on 127.0.0.0/8 and nothing else.
#
# Every test runs twice: under AddressSanitizer with UndefinedBehaviorSanitizer
# (memory errors, leaks, undefined behaviour; and the long session, which
# looks for descriptors and threads piling up), and under ThreadSanitizer
# (the worker threads and their stop). A plain Debug build would catch
# nothing that the first does not, so it is left to the developer's loop
# (README). Then every fuzz target runs for a short time (tools/fuzz.sh).
#
# First it builds the Debian package and checks it with lintian
# (tools/package.sh), so that the package keeps building; an unchanged tree
# is not built again.
#
#   tools/test.sh                          asan and tsan (build/<preset>)
#   KELVOR_PRESETS=debug tools/test.sh     only the presets named
#   KELVOR_PACKAGE=no tools/test.sh        without the package, when iterating
#   KELVOR_FUZZ_SECONDS=60 tools/test.sh   fuzz each target longer (default
#                                          10 s; 0 leaves fuzzing out)
set -euo pipefail
cd "$(dirname "$0")/.."

presets=${KELVOR_PRESETS:-asan tsan}

# Each part's wall time, printed at the end.
times=()
timed() {
    local part=$1 start=$SECONDS
    shift
    "$@"
    times+=("$part: $((SECONDS - start)) s")
}

timed install tools/install-deps.sh
tools/setup-test-peers.sh

if [ "${KELVOR_PACKAGE:-yes}" != no ]; then
    echo "=== package"
    timed package tools/package.sh
fi

for preset in $presets; do
    echo "=== $preset"
    timed "$preset build" bash -c 'cmake --preset "$1" > /dev/null && cmake --build --preset "$1"' \
        build "$preset"
    timed "$preset tests" tools/isolated.sh ctest --preset "$preset" --output-on-failure
done

fuzz_seconds=${KELVOR_FUZZ_SECONDS:-10}
if [ "$fuzz_seconds" != 0 ]; then
    echo "=== fuzz"
    timed fuzz tools/fuzz.sh "$fuzz_seconds"
fi

echo "=== time"
printf '%s\n' "${times[@]}"
