#!/usr/bin/env bash
# Builds the upload benchmark in an optimised build and runs it: a 1 GiB
# file stored through CFtpConnection::PutFile and with `curl -T` on the same
# vsftpd on loopback. Needs root (vsftpd logs a local user in). It runs in a
# network namespace with only loopback up, where vsftpd listens on port 21
# of a loopback address.
#
#     bench/run-upload-bench.sh [--size-mib N] [--runs N]
#
# BUILD_DIR chooses the build folder (default build/bench).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/bench}

if [ "$(id -u)" -ne 0 ]; then
    echo "run-upload-bench.sh: run as root (vsftpd logs a local user in)" >&2
    exit 1
fi

"$root/tools/setup-test-peers.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DKELVOR_BUILD_TESTS=ON -DKELVOR_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target bench_upload
exec "$root/tools/isolated.sh" "$build/bench/bench_upload" "$@"
