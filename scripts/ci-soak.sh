#!/usr/bin/env bash
# CI: the fault-injection soak. Builds kelvaron-sim and the soak program into the regular
# build folder, then runs long downloads through the real window and serial port against
# the simulated receiver:
#   - Garmin: SOAK_POINTS points (20,000) at 115200 bit/s, random faults on about 1% of
#     the packets (corrupted bytes, dropped packets, dropped acknowledgements, duplicated
#     packets, noise between frames), once per seed in SOAK_SEEDS;
#   - Magellan: SOAK_MAGELLAN_POINTS points at 115200 bit/s, noise and malformed lines.
# A run fails when a point is lost, out of order or written twice, when the program
# crashes, or when it neither finishes nor says why within SOAK_LIMIT seconds.
#
# Environment: SOAK_POINTS (20000), SOAK_SEEDS ("1"), SOAK_MAGELLAN_POINTS (5000),
# SOAK_LIMIT (600), KELVARON_BUILD_DIR (build in the checkout).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

dir=${KELVARON_BUILD_DIR:-$root/build}
points=${SOAK_POINTS:-20000}
read -r -a seeds <<<"${SOAK_SEEDS:-1}"
magellan_points=${SOAK_MAGELLAN_POINTS:-5000}
limit=${SOAK_LIMIT:-600}

opts=()
[[ "${CI:-}" == true ]] && opts+=(-DKELVARON_WERROR=ON)
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVARON_TESTS=ON "${opts[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" --target kelvaron_soak kelvaron-sim
soak=$dir/tests/reliability/kelvaron_soak
export QT_QPA_PLATFORM=offscreen

passed=0
failed=0
summary=()
run() {
    local out rc=0
    out=$(mktemp)
    # The program keeps its own limit; this one catches a program that stopped responding.
    timeout $((limit + 120)) "$soak" "$@" "$limit" 2>&1 | tee "$out" || rc=$?
    if ((rc == 0)); then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        ((rc == 124)) && echo "soak $1: killed after $((limit + 120)) s"
    fi
    summary+=("$(grep '^soak .*: \(PASS\|FAIL\)' "$out" || echo "soak $1: FAIL (exit $rc)")")
    rm -f "$out"
}

for seed in "${seeds[@]}"; do
    echo "== soak: Garmin, seed $seed"
    run garmin "$points" "$seed" 0.01
done
echo "== soak: Magellan"
run magellan "$magellan_points" 1 0.01

echo "== soak summary"
printf '%s\n' "${summary[@]}"
echo "soak: $passed passed, $failed failed"
((failed == 0))
