#!/usr/bin/env bash
# Runs pacing_sweep (the allowance sweep on the simulated clock) for this checkout's pacer and
# for an earlier commit's in the same run, and prints the two tables side by side: per case
# the seconds, blocks, lowest pace after the second block and misses of each. The earlier
# pacer is built from `git archive COMMIT` with this checkout's sweep program, so both are
# judged alike.
#
#   bench/pacing_sweep.sh BUILD COMMIT [LATENCY_MS] [CASE...]
# BUILD is this checkout's build folder (with tests, so pacing_sweep is there); COMMIT the one
# whose pacer to compare with (24bc658: the pacer before the ramp after a first block).
set -euo pipefail

build=${1:?BUILD}
commit=${2:?COMMIT}
shift 2
here=$(cd "$(dirname "$0")/.." && pwd)
cmake --build "$build" --target pacing_sweep >/dev/null

old=$(mktemp -d)
trap 'rm -rf "$old"' EXIT
git -C "$here" archive "$commit" | tar -x -C "$old"
cp "$here/bench/PacingSweep.cpp" "$old/bench/"
echo "building $commit's pacer..." >&2
cmake -S "$old" -B "$old/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$old/build" --target pacing_sweep --parallel 2 >/dev/null

"$build/bench/pacing_sweep" "$@" >"$old/new.txt"
"$old/build/bench/pacing_sweep" "$@" >"$old/old.txt"
head -1 "$old/new.txt"
echo "new: this checkout; old: $commit"
printf '%-22s %9s | %9s %6s %8s %-6s | %9s %6s %8s %s\n' case least+S "new s" blocks \
    "min pace" misses "old s" blocks "min pace" misses
# A case line: case, seconds, least+S, ratio, blocks, min pace, invalid and the misses, if any.
cases() { awk '/^[0-9]+:/ { print $1, $2, $3, $4, $5, $6, $7, ($8 == "" ? "-" : $8) }' "$1" | sort; }
join -o '1.1,1.3,1.2,1.5,1.6,1.8,2.2,2.5,2.6,2.8' <(cases "$old/new.txt") <(cases "$old/old.txt") \
    | sort -t: -k1,1n -k2,2n -k3,3n -k4,4n -k5,5n \
    | awk '{ printf "%-22s %9s | %9s %6s %8s %-6s | %9s %6s %8s %s\n", $1, $2, $3, $4, $5, $6, $7, $8, $9, $10 }'
for table in new old; do
    echo "$table: $(grep 'cases miss' "$old/$table.txt")"
    echo "$table: $(grep '^one 20 s block' "$old/$table.txt")"
done
