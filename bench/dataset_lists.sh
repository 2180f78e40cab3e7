#!/usr/bin/env bash
# Times dataset-sized lists without the network: --dry-run --extract and --extract --shard over
# a generated AudioSet-shaped list (two million rows by default), --extract over one row with a
# 100 MB cell, and --dry-run --normalize over ten million distinct bare ids (120 MB). Prints the
# wall time, the CPU time (the figure to compare on a busy machine) and the peak memory of
# each. Give a second build folder to print the same figures for another build beside them
# (say one of the commit before a change). Builds nothing.
#
#   bench/dataset_lists.sh [BUILD_FOLDER] [ROWS] [OTHER_BUILD_FOLDER]
set -euo pipefail

build=${1:-build}
rows=${2:-2000000}
other=${3:-}
ids=$((rows * 5))

[[ -x /usr/bin/time ]] || { echo "GNU time is missing: apt-get install time" >&2; exit 2; }
programs=("$build/src/brindlewood-check")
[[ -n $other ]] && programs+=("$other/src/brindlewood-check")
for program in "${programs[@]}"; do
    [[ -x $program ]] || { echo "missing $program: build it first" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Ids of the whole alphabet, "-" and "_" first as often as any other character; the same list
# on every run.
generate_ids() {
    awk -v count="$1" 'BEGIN {
        srand(23)
        a = "-_ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
        for (i = 0; i < count; ++i) {
            id = ""
            for (c = 0; c < 11; ++c) id = id substr(a, int(rand() * 64) + 1, 1)
            print id
        }
    }'
}

{
    printf '# Segments csv created Sun Mar  5 10:54:31 2017\n'
    printf '# num_ytids=%d, num_segs=%d, num_unique_labels=527, num_positive_labels=0\n' "$rows" "$rows"
    printf '# YTID, start_seconds, end_seconds, positive_labels\n'
    generate_ids "$rows" | awk '{ printf "%s, %d.000, %d.000, \"/m/09x0r,/t/dd00088\"\n", $0, NR % 600, NR % 600 + 10 }'
} > "$work/segments.csv"
{
    printf 'YTID,label\nAAAAAAAAAAA,"'
    head -c 100000000 /dev/zero | tr '\0' 'x'
    printf ' youtu.be/BBBBBBBBBBB\n'
} > "$work/long-cell.csv"
generate_ids "$ids" > "$work/ids.txt"
echo "segments.csv: $(wc -l < "$work/segments.csv") lines, $(( $(stat -c %s "$work/segments.csv") / 1048576 )) MiB;" \
     "ids.txt: $ids ids, $(( $(stat -c %s "$work/ids.txt") / 1048576 )) MiB"

measure() { # LABEL PROGRAM ARGUMENTS...
    local label=$1 program=$2
    shift 2
    local lines
    lines=$( { /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$program" "$@" | wc -l; } 2> "$work/err" ) || true
    # GNU time puts "Command exited with non-zero status N" first when the program failed.
    read -r seconds user system kib < <(tail -n 1 "$work/time")
    printf '%-50s %9d lines %7.1f s (%5.1f s CPU) %6d MiB\n' "$label" "$lines" "$seconds" \
        "$(echo "$user + $system" | bc)" $((kib / 1024))
}

for program in "${programs[@]}"; do
    echo "== $program"
    measure "--dry-run --extract segments.csv" "$program" --dry-run --extract "$work/segments.csv"
    measure "--dry-run --extract --shard 1/4 segments.csv" "$program" --dry-run --extract \
        --shard 1/4 "$work/segments.csv"
    measure "--dry-run --extract long-cell.csv (100 MB cell)" "$program" --dry-run --extract \
        "$work/long-cell.csv"
    measure "--dry-run --normalize ids.txt" "$program" --dry-run --normalize "$work/ids.txt"
done
