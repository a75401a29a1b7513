#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. The tests run in a
# network namespace with only loopback up: they reach their own FTP servers
# on 127.0.0.0/8 and nothing else.
#
# Every test runs three times: in a Debug build, under AddressSanitizer with
# UndefinedBehaviorSanitizer (memory errors and leaks), and under
# ThreadSanitizer (the worker threads and their stop). Then every fuzz
# target runs for a short time (tools/fuzz.sh).
#
# First it builds the Debian package and checks it with lintian
# (tools/package.sh), so that the package keeps building.
#
#   tools/test.sh                          debug, asan and tsan (build/<preset>)
#   KELVOR_PRESETS=debug tools/test.sh     only the presets named
#   KELVOR_PACKAGE=no tools/test.sh        without the package, when iterating
#   KELVOR_FUZZ_SECONDS=60 tools/test.sh   fuzz each target longer (default
#                                          20 s; 0 leaves fuzzing out)
set -euo pipefail
cd "$(dirname "$0")/.."

presets=${KELVOR_PRESETS:-debug asan tsan}

tools/install-deps.sh
tools/setup-test-peers.sh

if [ "${KELVOR_PACKAGE:-yes}" != no ]; then
    echo "=== package"
    tools/package.sh
fi

for preset in $presets; do
    echo "=== $preset"
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    tools/isolated.sh ctest --preset "$preset" --output-on-failure
done

fuzz_seconds=${KELVOR_FUZZ_SECONDS:-20}
if [ "$fuzz_seconds" != 0 ]; then
    echo "=== fuzz"
    tools/fuzz.sh "$fuzz_seconds"
fi
