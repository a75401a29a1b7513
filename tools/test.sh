#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. The tests run in a
# network namespace with only loopback up: they reach their own FTP servers
# on 127.0.0.0/8 and nothing else.
#
#   tools/test.sh                 Debug build (build/debug)
#   KELVOR_PRESET=asan tools/test.sh   any preset of CMakePresets.json
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${KELVOR_PRESET:-debug}

tools/install-deps.sh
tools/setup-test-peers.sh

cmake --preset "$preset"
cmake --build --preset "$preset"
tools/isolated.sh ctest --preset "$preset" --output-on-failure
