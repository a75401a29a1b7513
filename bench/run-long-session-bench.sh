#!/usr/bin/env bash
# Builds the long-session benchmark in an optimised build and runs it in a
# network namespace with only loopback up (its unit stand-in listens on
# port 21 of a loopback address): 200 failed uploads and 200 deletes on one
# connection, with the memory, descriptors and threads after 10 and 200.
#
#     bench/run-long-session-bench.sh [--cycles N]
#
# BUILD_DIR chooses the build folder (default build/bench).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/bench}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DKELVOR_BUILD_TESTS=ON -DKELVOR_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target bench_long_session
exec "$root/tools/isolated.sh" "$build/bench/bench_long_session" "$@"
