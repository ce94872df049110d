#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Measures tag-mirror: its callback against a bare atomic access and a mutex
# baseline in the same run (Google Benchmark, inside the real binary), and its
# footprint: the armhf binary's stripped size, and a running tag-mirror's
# memory, threads and idle CPU on this machine. Prints a report.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh host armhf
# shellcheck source=build-quietly.sh
. scripts/build-quietly.sh
build_quietly host
build_quietly armhf tag-mirror

work=$(mktemp -d)
mirror_pid=
cleanup() {
    [ -n "$mirror_pid" ] && kill "$mirror_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

echo "## Machine"
echo
echo "- CPU: $(lscpu | sed -n 's/^Model name:[[:space:]]*//p'), $(nproc) cores"
echo "- kernel $(uname -r), $(g++ --version | head -n 1)"
echo
echo "## Callback (ns per call; median of 10 repetitions, and their range)"
echo
echo '```'
LD_LIBRARY_PATH=build/host/benchmarks \
TAG_MIRROR_BENCH_ARGS="--benchmark_repetitions=10 --benchmark_min_time=0.5" \
    build/host/src/tag-mirror Monitored Output 2>&1 | grep -v -e '^\*\*\*WARNING' -e '^Load Average'
echo '```'

echo
echo "## Footprint"
echo
# As the binary check counts and measures them.
tests/check_armhf_binary.sh build/armhf/src/tag-mirror |
    sed -n -e 's/^on_update_tag: \(.*\)/- armhf on_update_tag: \1/p' -e 's/^stripped: \(.*\)/- armhf tag-mirror, stripped: \1/p'

export QUORVEL_SIM_SOCKET="$work/sim.sock"
LD_LIBRARY_PATH=build/host/simulator build/host/src/tag-mirror Valve BoardIO:DO.1 &
mirror_pid=$!
for _ in $(seq 500); do [ -S "$QUORVEL_SIM_SOCKET" ] && break; sleep 0.01; done
sleep 1

status() { sed -n "s/^$1:[[:space:]]*//p" "/proc/$mirror_pid/status"; }
main_cpu_ns() { cut -d' ' -f1 "/proc/$mirror_pid/task/$mirror_pid/schedstat"; }
main_wakeups() { sed -n 's/^voluntary_ctxt_switches:[[:space:]]*//p' "/proc/$mirror_pid/task/$mirror_pid/status"; }
echo "- host tag-mirror running against the simulator: VmRSS $(status VmRSS)" \
     "(of which anonymous $(status RssAnon)), $(status Threads) threads" \
     "(the main thread; the rest are the simulator's)"

seconds=10
cpu0=$(main_cpu_ns) wake0=$(main_wakeups)
sleep "$seconds"
cpu1=$(main_cpu_ns) wake1=$(main_wakeups)
echo "- idle main thread over ${seconds} s: $(((cpu1 - cpu0) / 1000)) µs of CPU" \
     "($(((cpu1 - cpu0) / seconds / 1000)) ppm of one core), $((wake1 - wake0)) wake-ups"
