#!/usr/bin/env bash
# Fuzzing the file readers and the line primitives with libFuzzer (clang).
#
#   scripts/fuzz.sh SECONDS [TARGET...]
#       A smoke run: each target for SECONDS under AddressSanitizer and UBSan, on a scratch
#       copy of its seed corpus (fuzz/corpus/NAME). What ./test runs.
#   scripts/fuzz.sh --long SECONDS [TARGET...]
#       A long run that resumes where the last one stopped: each target for SECONDS, built
#       without AddressSanitizer (several times faster; UBSan stays), on its working corpus
#       build/fuzz/work/TARGET (made from the seeds the first time). Afterwards the seeds and
#       the working corpus are merged (-merge=1, by edges alone: -use_counters=0) by the
#       AddressSanitizer build into a minimal fuzz/corpus/NAME: the hand-named seeds stay, and
#       every other input on the way runs once under AddressSanitizer.
#       A long run keeps every processor busy: one worker per processor (ZELT_FUZZ_WORKERS
#       sets another number), all on the one working corpus.
#
# Each run prints, per target, its executions, wall time, executions per second (also per
# second of processor time) and the edges it covered (cov) and its features (ft), and appends
# them to build/fuzz/runs.tsv.
# Fails when a target finds a crash or a broken invariant; the input is kept in
# build/fuzz/artifacts/TARGET/. Targets: fuzz_farm_file fuzz_server_file fuzz_settings.
set -euo pipefail
long=0
if [ "${1:-}" = "--long" ]; then
    long=1
    shift
fi
seconds=${1:?usage: scripts/fuzz.sh [--long] SECONDS [TARGET...]}
shift
root=$(cd "$(dirname "$0")/.." && pwd)
targets=${*:-"fuzz_farm_file fuzz_server_file fuzz_settings"}
checked="$root/build/fuzz"       # AddressSanitizer and UBSan
fast="$root/build/fuzz-fast"     # UBSan only
options=(-timeout=20 -rss_limit_mb=2048 -max_len=8192)

build() {  # FOLDER ASAN
    cmake -S "$root/fuzz" -B "$1" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DZELT_FUZZ_ASAN="$2" >/dev/null
    cmake --build "$1" -j2 --target $targets >/dev/null
}
build "$checked" ON
[ $long = 0 ] || build "$fast" OFF

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zelt-fuzz-run.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
record="$checked/runs.tsv"
[ -f "$record" ] || printf 'date\ttarget\tbuild\texecutions\tseconds\texec/s\texec/cpu-s\tcov\tft\tresult\n' >"$record"

status=0
for target in $targets; do
    seeds="$root/fuzz/corpus/${target#fuzz_}"
    artifacts="$checked/artifacts/$target/"
    log="$checked/$target.log"
    mkdir -p "$artifacts"
    if [ $long = 1 ]; then
        program="$fast/$target"
        corpus="$checked/work/$target"
        [ -d "$corpus" ] || { mkdir -p "$corpus"; cp "$seeds"/* "$corpus/"; }
    else
        program="$checked/$target"
        corpus="$scratch/$target"
        mkdir -p "$corpus"
        cp "$seeds"/* "$corpus/" 2>/dev/null || true
    fi
    echo "== $target: ${seconds}s ($([ $long = 1 ] && echo "long run, $(ls "$corpus" | wc -l) inputs" || echo smoke run))"
    start=$(date +%s.%N)
    result=ok
    TIMEFORMAT='%U %S'
    workers=1
    [ $long = 0 ] || workers=${ZELT_FUZZ_WORKERS:-$(nproc)}
    parallel=()
    [ "$workers" = 1 ] || parallel=(-jobs="$workers" -workers="$workers")
    rm -f "$scratch"/fuzz-*.log
    cpu=$( { time (cd "$scratch" && "$program" -max_total_time="$seconds" "${options[@]}" \
        "${parallel[@]}" -artifact_prefix="$artifacts" -print_final_stats=1 "$corpus" \
        >"$log" 2>&1); } 2>&1) || result=FAILED
    wall=$(awk -v from="$start" -v to="$(date +%s.%N)" 'BEGIN { printf "%.1f", to - from }')
    cpu=$(echo "$cpu" | tail -1 | awk '{ printf "%.1f", $1 + $2 }')
    # Workers write their own logs (fuzz-N.log in the working folder); the figures add up.
    logs=("$log")
    if [ "$workers" != 1 ]; then
        logs=("$scratch"/fuzz-*.log)
        cat "${logs[@]}" >>"$log"
    fi
    executions=0
    cov=
    ft=
    for each in "${logs[@]}"; do
        n=$(sed -n 's/^stat::number_of_executed_units: *//p' "$each" | tail -1)
        executions=$((executions + ${n:-0}))
        last=$(grep -E '^#[0-9]+.*cov: ' "$each" | tail -1 || true)
        c=$(echo "$last" | sed -n 's/.*cov: \([0-9]*\).*/\1/p')
        f=$(echo "$last" | sed -n 's/.*ft: \([0-9]*\).*/\1/p')
        [ -z "$c" ] || [ "${cov:-0}" -ge "$c" ] || cov=$c
        [ -z "$f" ] || [ "${ft:-0}" -ge "$f" ] || ft=$f
    done
    rate=$(awk -v n="$executions" -v s="$wall" 'BEGIN { printf "%d", n / s }')
    # On a shared machine the rate per second of processor time says more.
    cpurate=$(awk -v n="$executions" -v s="$cpu" 'BEGIN { printf "%d", (s > 0 ? n / s : 0) }')
    printf '%s: %s executions in %.0f s (%s worker(s)), %s exec/s (%s per processor second), cov %s ft %s: %s\n' \
        "$target" "$executions" "$wall" "$workers" "$rate" "$cpurate" "${cov:-?}" "${ft:-?}" "$result"
    printf '%s\t%s\t%s\t%s\t%.0f\t%s\t%s\t%s\t%s\t%s\n' "$(date -u +%FT%TZ)" "$target" \
        "$([ $long = 1 ] && echo "ubsan x$workers" || echo asan+ubsan)" "$executions" "$wall" "$rate" \
        "$cpurate" "${cov:-}" "${ft:-}" "$result" >>"$record"
    if [ $result != ok ]; then
        echo "$target FAILED (log: $log, inputs: $artifacts)"
        grep -E "invariant broken|ERROR|SUMMARY|runtime error" "$log" | head -n 10 || true
        status=1
        continue
    fi
    if [ $long = 1 ]; then
        # The hand-named seeds, then whatever of the rest adds a feature to them.
        merged="$scratch/merged-$target"
        mkdir -p "$merged"
        find "$seeds" -maxdepth 1 -type f ! -regex '.*/[0-9a-f]\{40\}' -exec cp {} "$merged/" \;
        if (cd "$scratch" && "$checked/$target" -merge=1 -use_counters=0 "${options[@]}" \
                -artifact_prefix="$artifacts" "$merged" "$seeds" "$corpus") >"$log.merge" 2>&1; then
            rm -f "$seeds"/*
            cp "$merged"/* "$seeds/"
            echo "$target: fuzz/corpus/${target#fuzz_} holds $(ls "$seeds" | wc -l) inputs," \
                "$(du -sk "$seeds" | cut -f1) KB (checked under AddressSanitizer)"
        else
            echo "$target: the merge under AddressSanitizer FAILED (log: $log.merge)"
            grep -E "invariant broken|ERROR|SUMMARY|runtime error" "$log.merge" | head -n 10 || true
            status=1
        fi
    fi
done
exit $status
