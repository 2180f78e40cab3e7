#!/usr/bin/env bash
# Times brindlewood-check --jobs 8 over 300 live links against a site that stops trusting it
# (the fixture server's block and allowance modes, 300 KiB pages, 50 ms per answer):
#   (a) a 20 s block from the 50th request, each request during it making it 0.25 s longer;
#   (b) an allowance of 40 requests at once and 4 more a second, an empty allowance blocking
#       for 15 s;
#   (c) a site that blocks for good, with the default --max-wait of 120 s;
# and the same links on a site that never blocks, for the unblocked run time. Takes about five
# minutes. Builds nothing: give it an existing build folder (default: build), ideally a Release
# one.
#
#   bench/blocking_site.sh [BUILD_FOLDER]
set -euo pipefail

build=${1:-build}
links=300
max_wait=120
check="$build/src/brindlewood-check"
server="$build/tests/fixture/brindlewood-fixture-server"
for program in "$check" "$server"; do
    [[ -x $program ]] || { echo "missing $program: build the project in $build first" >&2; exit 2; }
done

work=$(mktemp -d)
server_pid=
cleanup() {
    [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

now() { date +%s.%N; }
calc() { echo "$1" | bc -l; }
fixed() { printf "%.${2:-1}f" "$(calc "$1")"; }

# Runs one case: starts a fixture server with the given options, checks the links against it
# and sets seconds, valid, invalid, unknown, requests, blocked (requests that fell into a
# block) and blocks.
run_case() {
    local fifo="$work/port" log="$work/requests.log" port start
    rm -f "$fifo" "$log"
    mkfifo "$fifo"
    "$server" --delay-ms 50 --page-kb 300 --request-log "$log" "$@" >"$fifo" 2>/dev/null &
    server_pid=$!
    read -r port <"$fifo"
    for ((i = 0; i < links; ++i)); do echo "http://127.0.0.1:$port/watch?v=ok&n=$i"; done \
        >"$work/links.txt"
    start=$(now)
    "$check" --no-progress --jobs 8 --max-wait "$max_wait" "$work/links.txt" >"$work/out.txt" \
        2>"$work/err.txt" || true
    seconds=$(calc "$(now) - $start")
    kill "$server_pid"
    wait "$server_pid" 2>/dev/null || true
    server_pid=
    valid=$(grep -c '^valid' "$work/out.txt" || true)
    invalid=$(grep -c '^invalid' "$work/out.txt" || true)
    unknown=$(grep -c '^unknown' "$work/out.txt" || true)
    requests=$(wc -l <"$log")
    blocked=$(awk -F '\t' '$4 != ""' "$log" | wc -l)
    blocks=$(awk -F '\t' '$4 != "" { print $4 }' "$log" | sort -u | wc -l)
}

report() {
    echo "  $(fixed "$seconds") s: $valid valid, $invalid invalid, $unknown unknown;" \
        "$requests requests, $blocked of them in $blocks block(s)"
    sed 's/^/  stderr: /' "$work/err.txt"
}

echo "brindlewood-check: $check"
echo "$links links, --jobs 8, fixture server with 300 KiB pages and 50 ms per answer"
echo

run_case
unblocked=$seconds
echo "unblocked: $(fixed "$seconds" 2) s, $valid valid"

run_case --block-from 50 --block-seconds 20 --block-extend-ms 250
# The block lasts 20 s and a quarter second more for each request after the one that began it.
length=$(calc "20 + 0.25 * ($blocked - 1)")
echo "(a) 20 s block from the 50th request, +0.25 s per request during it"
report
echo "  block's length $(fixed "$length") s; allowed: 0 invalid, at most 15 requests during" \
    "the block, all valid within 1.2 x $(fixed "$length") + $(fixed "$unblocked" 2)" \
    "= $(fixed "1.2 * $length + $unblocked") s"

run_case --allowance 40 --allowance-rate 4 --block-seconds 15
least=$(calc "($links - 40) / 4")
echo "(b) allowance of 40 at once and 4 a second, an empty allowance blocks for 15 s"
report
echo "  least time $(fixed "$least" 0) s; allowed: 0 invalid, all valid within" \
    "$(fixed "1.5 * $least") s, at most 3 blocks"

run_case --block-from 1 --block-seconds 100000
echo "(c) a site that blocks for good, --max-wait $max_wait"
report
echo "  allowed: all unknown within $((max_wait + 30)) s, at most 20 requests in all"
