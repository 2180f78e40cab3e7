#!/usr/bin/env bash
# Sweeps the fixture server's allowances (B requests at once, R more a second, an empty
# allowance blocking for S s, each request during a block adding P ms) and runs two builds of
# brindlewood-check --jobs 8 on each in turn, so that a pacer can be compared with the one it
# replaces in the same run. Per case and pacer it prints the total time beside the least time
# plus one block (links beyond the burst at the refill rate, plus S), the blocks, the lowest
# pace over any 30 s after the second block as a share of the refill ("-" when the run had
# fewer than two blocks or less than 30 s after them) and the live links filed invalid (must
# be 0). Then the two figures a pacer must keep: 200 links against a 429 limit of 20 a second,
# and 300 links with one 20 s block from the 50th request; and 100 links of which every tenth
# draws a bot check of its own.
#
#   bench/allowance_sweep.sh NEW_BUILD OLD_BUILD [CASE...]
# SKIP_KEPT=1 leaves out the figures to keep, SWEEP=none runs only those, KEPT_PACERS=new
# runs them for the new pacer only (today's takes over ten minutes on the bot-checked paths).
# A build is a build folder (its brindlewood-check; the fixture server comes from NEW_BUILD).
# A case is LINKS:BURST:REFILL:BLOCK_SECONDS:PENALTY_MS; without any, a set with short blocks
# that takes about half an hour.
set -euo pipefail

new_check="${1:?NEW_BUILD}/src/brindlewood-check"
old_check="${2:?OLD_BUILD}/src/brindlewood-check"
server="$1/tests/fixture/brindlewood-fixture-server"
shift 2
cases=("$@")
if [[ ${SWEEP:-} == none ]]; then
    cases=()
elif ((${#cases[@]} == 0)); then
    cases=(300:40:4:15:0 300:10:20:5:0 300:100:10:10:250 300:20:5:5:0 1000:40:10:10:0)
fi
for program in "$new_check" "$old_check" "$server"; do
    [[ -x $program ]] || { echo "missing $program" >&2; exit 2; }
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

# Runs CHECK over LINKS links against a fixture server started with the other options; sets
# seconds, valid, invalid, blocks and leaves the server's request log in $work/requests.log.
run_case() {
    local check=$1 links=$2 fifo="$work/port" port start
    shift 2
    rm -f "$fifo" "$work/requests.log"
    mkfifo "$fifo"
    "$server" --delay-ms 50 --page-kb 300 --request-log "$work/requests.log" "$@" >"$fifo" \
        2>/dev/null &
    server_pid=$!
    read -r port <"$fifo"
    # Every tenth link a bot check of its own when BOT_PATHS is set.
    for ((i = 0; i < links; ++i)); do
        if [[ -n ${BOT_PATHS:-} ]] && ((i % 10 == 5)); then
            echo "http://127.0.0.1:$port/watch?v=bot-check&n=$i"
        else
            echo "http://127.0.0.1:$port/watch?v=ok&n=$i"
        fi
    done >"$work/links.txt"
    start=$(now)
    "$check" --no-progress --jobs 8 "$work/links.txt" >"$work/out.txt" 2>"$work/err.txt" || true
    seconds=$(calc "$(now) - $start")
    kill "$server_pid"
    wait "$server_pid" 2>/dev/null || true
    server_pid=
    valid=$(grep -c '^valid' "$work/out.txt" || true)
    invalid=$(grep -c '^invalid' "$work/out.txt" || true)
    blocks=$(awk -F '\t' '$4 != "" { print $4 }' "$work/requests.log" | sort -u | wc -l)
}

# The fewest answered requests in any 30 s after the second block, as a percentage of what
# the refill allows in 30 s.
lowest_pace() {
    awk -F '\t' -v refill="$1" '
        $4 == 2 { second_ends = $5 }
        { at[NR] = $5; blocked[NR] = ($4 != "") }
        END {
            if (second_ends == "") { print "-"; exit }
            n = 0
            for (i = 1; i <= NR; ++i)
                if (!blocked[i] && at[i] > second_ends) good[++n] = at[i]
            if (n == 0 || good[n] - second_ends < 30000) { print "-"; exit }
            lowest = -1
            for (from = second_ends; from + 30000 <= good[n]; from += 1000) {
                count = 0
                for (i = 1; i <= n; ++i) if (good[i] >= from && good[i] < from + 30000) ++count
                if (lowest < 0 || count < lowest) lowest = count
            }
            printf "%.0f%%", 100 * lowest / (30 * refill)
        }' "$work/requests.log"
}

echo "new: $new_check"
echo "old: $old_check"
echo "--jobs 8, fixture server with 300 KiB pages and 50 ms per answer"
echo
((${#cases[@]} > 0)) && printf '%-26s %-4s %9s %9s %6s %7s %8s %6s\n' case pacer seconds \
    "least+S" ratio blocks "min pace" invalid
for case_text in ${cases[@]+"${cases[@]}"}; do
    IFS=: read -r links burst refill block penalty <<<"$case_text"
    least=$(calc "($links > $burst) * ($links - $burst) / $refill")
    for pacer in new old; do
        check=$new_check
        [[ $pacer == old ]] && check=$old_check
        run_case "$check" "$links" --allowance "$burst" --allowance-rate "$refill" \
            --block-seconds "$block" --block-extend-ms "$penalty"
        printf '%-26s %-4s %9s %9s %6s %7s %8s %6s\n' \
            "$links ${burst}+${refill}/s ${block}s +${penalty}ms" "$pacer" "$(fixed "$seconds")" \
            "$(fixed "$least + $block")" "$(fixed "$seconds / ($least + $block)" 2)" "$blocks" \
            "$(lowest_pace "$refill")" "$invalid"
    done
done

[[ ${SKIP_KEPT:-} ]] && exit 0
echo
for pacer in ${KEPT_PACERS:-new old}; do
    check=$new_check
    [[ $pacer == old ]] && check=$old_check
    run_case "$check" 200 --rate 20 --delay-ms 0 # as bench/check_throughput.sh
    echo "$pacer: 429 limit of 20/s, 200 links: $(fixed "$seconds") s, $valid valid"
    run_case "$check" 300 --block-from 50 --block-seconds 20 --block-extend-ms 250
    echo "$pacer: one 20 s block from the 50th request, 300 links: $(fixed "$seconds") s," \
        "$valid valid, $invalid invalid"
    BOT_PATHS=1 run_case "$check" 100
    echo "$pacer: a bot check on every tenth path, 100 links: $(fixed "$seconds") s, $valid valid," \
        "$(grep -c '^unknown' "$work/out.txt" || true) unknown"
done
