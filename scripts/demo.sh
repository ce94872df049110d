#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Shows tag-mirror at work against the simulator: builds it, starts
# "tag-mirror Valve BoardIO:DO.1", switches Valve 0 -> 1 -> 0 -> 1 and prints
# every change of Valve and of BoardIO:DO.1 with its time stamp. Exits 0 when
# the output followed every time, and non-zero, saying so, when it did not.
# Either way, and on Ctrl-C, it stops what it started and leaves nothing behind.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh host
# shellcheck source=build-quietly.sh
. scripts/build-quietly.sh
build_quietly host tag-mirror quorvel-sim

work=$(mktemp -d)
export QUORVEL_SIM_SOCKET="$work/sim.sock" QUORVEL_SIM_EVENT_LOG="$work/events.log"
# The simulator stands where the gateway's libQuorvel.so would be.
export LD_LIBRARY_PATH="$PWD/build/host/simulator"
sim=build/host/simulator/quorvel-sim
mirror_pid= watch_pid=
cleanup() {
    set +e
    [ -z "$mirror_pid" ] || { kill "$mirror_pid"; wait "$mirror_pid"; } 2>/dev/null
    [ -z "$watch_pid" ] || { kill "$watch_pid"; wait "$watch_pid"; } 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Waits up to two seconds for a tag to hold a value.
wait_for() {
    for _ in $(seq 200); do
        [ "$("$sim" get "$1" 2>/dev/null | cut -d' ' -f1)" = "$2" ] && return 0
        sleep 0.01
    done
    echo "demo: FAILED: $1 did not become $2 within two seconds" >&2
    return 1
}

: >"$QUORVEL_SIM_EVENT_LOG"
tail -n +1 -F "$QUORVEL_SIM_EVENT_LOG" 2>/dev/null \
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
kill -0 "$mirror_pid" 2>/dev/null || { echo "demo: FAILED: tag-mirror ended by itself" >&2; exit 1; }
sleep 0.2
echo "-- BoardIO:DO.1 followed Valve every time; stopping tag-mirror"
