#!/bin/sh
# Builds the libFuzzer targets (clang) into build/fuzz and runs each for SECONDS on a scratch
# copy of its seed corpus. Fails when a target finds a crash or a broken invariant.
#   scripts/fuzz.sh SECONDS [TARGET...]
set -eu
seconds=${1:?usage: scripts/fuzz.sh SECONDS [TARGET...]}
shift
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"
targets=${*:-"fuzz_farm_file fuzz_server_file fuzz_settings"}

cmake -S "$root/fuzz" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j2 --target $targets >/dev/null

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zelt-fuzz-run.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
status=0
for target in $targets; do
    corpus="$scratch/$target/corpus"
    artifacts="$build/artifacts/$target/"
    mkdir -p "$corpus" "$artifacts"
    cp "$root/fuzz/corpus/${target#fuzz_}/"* "$corpus/" 2>/dev/null || true
    log="$build/$target.log"
    echo "== $target: ${seconds}s"
    if (cd "$scratch" && "$build/$target" -max_total_time="$seconds" -timeout=20 \
            -rss_limit_mb=2048 -max_len=8192 -artifact_prefix="$artifacts" \
            -print_final_stats=1 "$corpus") >"$log" 2>&1; then
        grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+.*DONE" "$log" || true
    else
        echo "$target FAILED (log: $log, inputs: $artifacts)"
        tail -n 40 "$log"
        status=1
    fi
done
exit $status
