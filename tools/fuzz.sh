#!/usr/bin/env bash
# Builds the fuzz targets (tests/fuzz: the distribution's clang and
# libFuzzer, under AddressSanitizer and UndefinedBehaviorSanitizer) in
# build/fuzz and runs each for SECONDS on its seed corpus, as many at a time
# as there are cores, printing one line per target:
#
#   NAME: N executions, no finding
#
# Exits non-zero on any finding; the input that did it and the target's log
# are under build/fuzz/findings/NAME/. New inputs that libFuzzer finds go to
# build/fuzz/work/NAME, never into the tree.
#
#   tools/fuzz.sh SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -ne 1 ] || ! [[ $1 =~ ^[0-9]+$ ]] || [ "$1" -eq 0 ]; then
    echo "usage: $0 SECONDS (per target)" >&2
    exit 2
fi
seconds=$1

# What the build needs besides the program's own dependencies; installed
# only when missing.
tools/install-deps.sh
missing=()
for p in clang libclang-rt-dev; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -ne 0 ]; then
    sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}" >&2
fi

build=build/fuzz
mkdir -p "$build"
if ! { cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_COMPILER=clang++ -DKELVOR_BUILD_TESTS=OFF -DKELVOR_BUILD_BENCH=OFF \
        -DKELVOR_BUILD_FUZZ=ON && cmake --build "$build" --target fuzz_targets; } \
        > "$build/build.log" 2>&1; then
    cat "$build/build.log" >&2
    echo "fuzz.sh: the fuzz targets did not build" >&2
    exit 1
fi

# One target: its line goes to $build/results/NAME.
run_target() {
    local name=$1
    local corpus=tests/fuzz/corpus/$name/
    local work=$build/work/$name
    local findings=$build/findings/$name
    local log=$findings/fuzz.log
    local rc=0 executions
    rm -rf "$work" "$findings"
    mkdir -p "$work" "$findings" "$build/tmp"
    TMPDIR=$PWD/$build/tmp "$build/tests/fuzz/fuzz_$name" -max_total_time="$seconds" \
        -print_final_stats=1 -artifact_prefix="$findings/" "$work" "$corpus" > "$log" 2>&1 ||
        rc=$?
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if [ $rc -eq 0 ] && [ -z "$(find "$findings" -type f ! -name fuzz.log)" ] &&
        [ -n "$executions" ]; then
        echo "$name: $executions executions, no finding" > "$build/results/$name"
        rm -f "$log"
    else
        echo "$name: FINDING (exit $rc), see $findings/" > "$build/results/$name"
    fi
}

rm -rf "$build/results"
mkdir -p "$build/results"
jobs=$(nproc)
names=()
for corpus in tests/fuzz/corpus/*/; do
    name=$(basename "$corpus")
    names+=("$name")
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
        wait -n || true
    done
    run_target "$name" &
done
wait

status=0
for name in "${names[@]}"; do
    line=$(cat "$build/results/$name" 2> /dev/null || echo "$name: FINDING (no result), see $build/findings/$name/")
    case $line in
    *"no finding") echo "$line" ;;
    *)
        echo "$line" >&2
        status=1
        ;;
    esac
done
rm -rf "$build/tmp"
exit $status
