#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Shows tag-mirror at work against the simulator: builds it, starts
# "tag-mirror Valve BoardIO:DO.1", switches Valve 0 -> 1 -> 0 -> 1 and prints
# every change of Valve and of BoardIO:DO.1 with its time stamp, then stops
# everything it started.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh host
cmake --preset host >/dev/null
cmake --build --preset host --target tag-mirror quorvel-sim >/dev/null

work=$(mktemp -d)
export QUORVEL_SIM_SOCKET="$work/sim.sock" QUORVEL_SIM_EVENT_LOG="$work/events.log"
# The simulator stands where the gateway's libQuorvel.so would be.
export LD_LIBRARY_PATH="$PWD/build/host/simulator"
sim=build/host/simulator/quorvel-sim
mirror_pid= watch_pid=
cleanup() {
    [ -n "$mirror_pid" ] && kill "$mirror_pid" 2>/dev/null && wait "$mirror_pid" 2>/dev/null
    [ -n "$watch_pid" ] && kill "$watch_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Waits up to two seconds for a tag to hold a value.
wait_for() {
    for _ in $(seq 200); do
        [ "$("$sim" get "$1" 2>/dev/null | cut -d' ' -f1)" = "$2" ] && return 0
        sleep 0.01
    done
    echo "demo: $1 did not become $2" >&2
    return 1
}

touch "$QUORVEL_SIM_EVENT_LOG"
# --pid: even if this script is killed, tail does not outlive it.
tail -n +1 -F --pid=$$ "$QUORVEL_SIM_EVENT_LOG" 2>/dev/null \
    > >(grep --line-buffered -E ' (open|set|output) ') &
watch_pid=$!

echo "\$ tag-mirror Valve BoardIO:DO.1"
build/host/src/tag-mirror Valve BoardIO:DO.1 &
mirror_pid=$!
wait_for BoardIO:DO.1 0
echo "-- Valve is $("$sim" get Valve | cut -d' ' -f1), BoardIO:DO.1 is $("$sim" get BoardIO:DO.1 | cut -d' ' -f1)"

for value in 1 0 1; do
    sleep 1
    echo "-- switching Valve to $value"
    "$sim" set Valve "$value"
    wait_for BoardIO:DO.1 "$value"
done
sleep 0.2
echo "-- BoardIO:DO.1 followed Valve; stopping tag-mirror"
