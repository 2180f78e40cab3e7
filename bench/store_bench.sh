#!/usr/bin/env bash
# The --cache store beside the JSON-lines cache, in one run: a list whose links are all decided
# (time and peak memory of both kinds), how long a store of many checks takes to open against
# one of a thousand, what storing every check adds to a loopback run against the fixture
# server, and the peak memory of fetching runs of two sizes with the bytes each link adds.
# Builds nothing: give it an existing build folder (default: build), ideally a Release one.
#
#   bench/store_bench.sh [BUILD_FOLDER] [DECIDED_LINKS] [BIG_STORE_CHECKS] [FETCHED_LINKS]
set -euo pipefail

build=${1:-build}
decided=${2:-1000000}
big_store=${3:-10000000}
fetched=${4:-100000}
loopback=10000

check="$build/src/brindlewood-check"
server="$build/tests/fixture/brindlewood-fixture-server"
for program in "$check" "$server"; do
    [[ -x $program ]] || { echo "missing $program: build the project in $build first" >&2; exit 2; }
done
for tool in sqlite3 bc; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: apt-get install $tool" >&2; exit 2; }
done
[[ -x /usr/bin/time ]] || { echo "GNU time is missing: apt-get install time" >&2; exit 2; }

work=$(mktemp -d)
server_pids=()
cleanup() {
    for pid in "${server_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/temp"
export TEMP="$work/temp"

start_server() {
    local fifo="$work/port.$RANDOM"
    mkfifo "$fifo"
    "$server" "$@" >"$fifo" 2>/dev/null &
    server_pids+=($!)
    read -r port <"$fifo"
    rm -f "$fifo"
}
now() { date +%s.%N; }
seconds() { printf '%.3f' "$(echo "$2 - $1" | bc -l)"; }

# Runs the check with GNU time; sets $elapsed (seconds), $cpu (user + system seconds, which
# other work on a shared machine disturbs less) and $peak_mib.
measure() {
    /usr/bin/time -f '%e %M %U %S' -o "$work/time.txt" "$check" --no-progress "$@" \
        >"$work/out.txt" 2>/dev/null || true
    read -r elapsed peak_kb user system <"$work/time.txt"
    cpu=$(printf '%.2f' "$(echo "$user + $system" | bc -l)")
    peak_mib=$(printf '%.1f' "$(echo "$peak_kb / 1024" | bc -l)")
}

# An empty store of the current schema, filled by the sqlite3 shell: rows of valid checks of
# links .../watch?v=<11-digit number>, from $2 links, $3 checks each, decided an hour ago.
make_store() {
    local path=$1 links=$2 checks_each=$3
    : >"$work/empty.txt"
    "$check" --quiet --cache "$path" "$work/empty.txt" >/dev/null 2>&1 || true
    local at=$(($(date +%s) - 3600))
    sqlite3 "$path" "PRAGMA synchronous = OFF;
        WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < $links * $checks_each)
        INSERT INTO checks (link, video_id, checked_at, verdict, status, reason, http_status,
                            attempts, window_reason)
        SELECT 'https://www.youtube.com/watch?v=' || printf('%011d', i % $links),
               printf('%011d', i % $links), $at - i / $links, 'valid', 'OK', '', 200, 1, ''
        FROM n;" >/dev/null
}

echo "brindlewood-check: $check"
echo

# 1. Every link decided: the store against today's JSON-lines cache.
for ((i = 0; i < decided; ++i)); do printf 'https://www.youtube.com/watch?v=%011d\n' "$i"; done \
    >"$work/decided.txt"
make_store "$work/decided.db" "$decided" 1
decided_at=$(date -u -d @$(($(date +%s) - 3600)) +%Y-%m-%dT%H:%M:%SZ)
awk -v at="$decided_at" '{ printf "{\"decided\":\"%s\",\"http\":200,\"link\":\"%s\",\"reason\":\"\",\"status\":\"OK\",\"verdict\":\"valid\",\"window\":\"\"}\n", at, $0 }' \
    "$work/decided.txt" >"$work/decided.jsonl"
measure --cache "$work/decided.db" "$work/decided.txt"
echo "$decided links all decided, store:            $elapsed s ($cpu s CPU), peak $peak_mib MiB," \
    "$(grep -c '^valid' "$work/out.txt" || true) valid  (target: at most 5 s and 150 MiB)"
measure --cache "$work/decided.jsonl" "$work/decided.txt"
echo "$decided links all decided, JSON-lines cache: $elapsed s ($cpu s CPU), peak $peak_mib MiB," \
    "$(grep -c '^valid' "$work/out.txt" || true) valid"
rm -f "$work/decided.jsonl"

# 2. Opening: a store of $big_store checks against one of 1,000, each asked for the same
# 100 links; the best of five runs each.
make_store "$work/small.db" 1000 1
make_store "$work/big.db" $((big_store / 10)) 10
head -n 100 "$work/decided.txt" >"$work/hundred.txt"
best_of_five() {
    local best=""
    for _ in 1 2 3 4 5; do
        local start
        start=$(now)
        "$check" --quiet --cache "$1" "$work/hundred.txt" >/dev/null || true
        local took
        took=$(seconds "$start" "$(now)")
        if [[ -z $best ]] || (($(echo "$took < $best" | bc -l))); then best=$took; fi
    done
    echo "$best"
}
small_seconds=$(best_of_five "$work/small.db")
big_seconds=$(best_of_five "$work/big.db")
echo "store of 1,000 checks, 100 links decided: $small_seconds s;" \
    "store of $big_store checks ($(du -m "$work/big.db" | cut -f1) MiB): $big_seconds s" \
    "(target: within 10 %)"
rm -f "$work"/big.db*

# 3. Storing every check in a loopback run.
start_server --page-kb 20
for ((i = 0; i < loopback; ++i)); do echo "http://127.0.0.1:$port/watch?v=ok&n=$i"; done \
    >"$work/loopback.txt"
for run in 1 2; do
    measure --jobs 8 "$work/loopback.txt"
    plain=$elapsed plain_cpu=$cpu
    rm -f "$work"/loopback.db*
    measure --jobs 8 --cache "$work/loopback.db" "$work/loopback.txt"
    stored=$elapsed
    echo "$loopback links on loopback (run $run): $plain s without a store, $stored s storing" \
        "every check ($(printf '%+.1f' "$(echo "100 * ($stored - $plain) / $plain" | bc -l)") %;" \
        "target: at most +5 %); CPU $plain_cpu s against $cpu s"
done

# 4. Peak memory of fetching runs: what each further link costs.
small_run=10000
((fetched > small_run)) || exit 0
for size in "$small_run" "$fetched"; do
    for ((i = 0; i < size; ++i)); do echo "http://127.0.0.1:$port/watch?v=ok&n=$i"; done \
        >"$work/fetch.txt"
    measure --jobs 8 "$work/fetch.txt"
    echo "fetching run of $size links, --jobs 8: $elapsed s, peak $peak_mib MiB"
    eval "peak_$size=$peak_kb"
done
small_peak_var=peak_$small_run
big_peak_var=peak_$fetched
echo "each further link: $(echo "(${!big_peak_var} - ${!small_peak_var}) * 1024 / ($fetched - $small_run)" | bc) bytes" \
    "(target: under 200)"
