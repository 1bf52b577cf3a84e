#!/usr/bin/env bash
# CI: builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer), replays every kept input, then runs each target for a
# bounded time on a copy of its seed corpus. Any crash, leak, sanitizer report, broken
# promise or hang fails the run; the failing input is kept under the build folder.
#
# Environment: FUZZ_SECONDS per target (default 60), FUZZ_TARGETS (default: all seven),
# KELVARON_FUZZ_BUILD_DIR (default: build-fuzz in the checkout).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

dir=${KELVARON_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-60}
read -r -a targets <<<"${FUZZ_TARGETS:-receive decoders convert magellan gpx fit usb}"
fuzz_dir=$root/tests/fuzz

opts=(-DKELVARON_FUZZ=ON -DKELVARON_GUI=OFF -DKELVARON_BENCH=OFF)
[[ "${CI:-}" == true ]] && opts+=(-DKELVARON_WERROR=ON)
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo "${opts[@]}" >/dev/null
build_targets=()
for t in "${targets[@]}"; do build_targets+=("fuzz_$t" "replay_$t"); done
cmake --build "$dir" -j "$(nproc)" --target "${build_targets[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
kept=$dir/fuzz-findings
rm -rf "$kept"  # findings of an earlier run are not this run's
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Last value of a "name: value" figure on libFuzzer's status lines.
figure() { grep -o "$1: [0-9]*" "$2" | tail -n 1 | awk '{print $2}' || true; }
final_stat() { grep "^stat::$1:" "$2" | awk '{print $2}' || true; }

failed=0
summary=()
for t in "${targets[@]}"; do
    echo "== fuzz_$t: replaying kept inputs"
    "$dir/tests/fuzz/replay_$t" "$fuzz_dir/corpus/$t" "$fuzz_dir/regressions/$t" \
        >"$work/replay_$t.log" 2>&1 || {
        tail -n 40 "$work/replay_$t.log"
        summary+=("fuzz_$t: replay of kept inputs FAILED")
        failed=1
        continue
    }

    echo "== fuzz_$t: fuzzing for ${seconds}s"
    mkdir -p "$work/$t/corpus" "$work/$t/findings"
    cp "$fuzz_dir/corpus/$t"/* "$work/$t/corpus/"
    log=$work/$t/log
    rc=0
    # The regressions folder is read only: new inputs go to the first folder, the copy.
    (cd "$work/$t" && timeout $((seconds + 300)) "$dir/tests/fuzz/fuzz_$t" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -detect_leaks=1 \
        -print_final_stats=1 -artifact_prefix="$work/$t/findings/" \
        corpus "$fuzz_dir/regressions/$t") >"$log" 2>&1 || rc=$?

    findings=$(find "$work/$t/findings" -type f | wc -l)
    # A report that did not stop the run still fails it.
    if grep -qE "^SUMMARY: |runtime error:|broken promise:" "$log"; then
        rc=$((rc == 0 ? 1 : rc))
    fi
    line="fuzz_$t: runs $(final_stat number_of_executed_units "$log"),"
    line+=" $(final_stat average_exec_per_sec "$log") exec/s,"
    line+=" cov $(figure cov "$log"), ft $(figure ft "$log"), corpus $(figure corp "$log")"
    line+=" inputs, peak rss $(final_stat peak_rss_mb "$log") MB"
    if ((rc == 0 && findings == 0)); then
        summary+=("$line: pass")
    else
        failed=1
        mkdir -p "$kept/$t"
        cp -r "$work/$t/findings/." "$kept/$t/" 2>/dev/null || true
        cp "$log" "$kept/$t/fuzz.log"
        grep -vE "^#[0-9]+" "$log" | tail -n 60
        summary+=("$line: FAILED (exit $rc; input and log kept in $kept/$t)")
    fi
done

echo "== fuzz summary (${seconds}s per target)"
printf '%s\n' "${summary[@]}"
if ((failed)); then
    echo "Replay a finding with $dir/tests/fuzz/replay_<target> <file>; once it is fixed," \
        "keep the input in tests/fuzz/regressions/<target>/."
fi
exit "$failed"
