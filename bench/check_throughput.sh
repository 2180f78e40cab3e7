#!/usr/bin/env bash
# Times checking links from the shell against the fixture web server on loopback: a plain
# shell loop running curl once per link, brindlewood-check --jobs 1 and --jobs 8, all in the
# same run; then the peak memory of brindlewood-check over 10,000 links, 200 links against a
# server that allows 20 requests a second, the peak memory with eight pages near the size
# limit at once, and the time of --dry-run on a 100,000-line link file. Builds nothing: give it an existing build folder
# (default: build), ideally a Release one.
#
#   bench/check_throughput.sh [BUILD_FOLDER] [LINKS]
set -euo pipefail

build=${1:-build}
links=${2:-400}
memory_links=10000
dry_run_lines=100000
delay_ms=50
page_kb=300

check="$build/src/brindlewood-check"
server="$build/tests/fixture/brindlewood-fixture-server"
for program in "$check" "$server"; do
    [[ -x $program ]] || { echo "missing $program: build the project in $build first" >&2; exit 2; }
done
curl_program=$(command -v curl) || { echo "curl is not installed" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "GNU time is missing: apt-get install time" >&2; exit 2; }

work=$(mktemp -d)
server_pids=()
cleanup() {
    for pid in "${server_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# Starts a fixture server with the given options; sets $port.
start_server() {
    local fifo="$work/port.$RANDOM"
    mkfifo "$fifo"
    "$server" "$@" >"$fifo" 2>/dev/null &
    server_pids+=($!)
    read -r port <"$fifo"
    rm -f "$fifo"
}

now() { date +%s.%N; }
seconds() { echo "$2 - $1" | bc -l; }
rate() { printf '%.1f' "$(echo "$1 / $2" | bc -l)"; }
ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }

start_server --delay-ms "$delay_ms" --page-kb "$page_kb"
base="http://127.0.0.1:$port"
for ((i = 0; i < links; ++i)); do echo "$base/watch?v=ok&n=$i"; done >"$work/links.txt"

mkdir "$work/temp"
export TEMP="$work/temp"
user_agent='Mozilla/5.0 (Macintosh; Intel Mac OS X 10_10_3) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/80.0.1111.11 Safari/537.36 Firefox/74.0'

echo "brindlewood-check: $check"
echo "fixture server: $page_kb KiB pages, $delay_ms ms delay per answer, $links links"
echo

# (a) The plain loop: one curl per link with the window's options, then grep the page.
loop_valid=0
start=$(now)
while IFS= read -r link; do
    "$curl_program" -q -L --user-agent "$user_agent" --cookie SOCS=CAI --globoff \
        --proto =http,https --proto-redir =http,https --connect-timeout 30 --max-time 120 \
        --max-filesize 67108864 --silent --output "$TEMP/message.txt" --url "$link" || true
    if grep -q '"status":"OK"' "$TEMP/message.txt" 2>/dev/null; then
        loop_valid=$((loop_valid + 1))
    fi
    rm -f "$TEMP/message.txt"
done <"$work/links.txt"
loop_seconds=$(seconds "$start" "$(now)")

# (b) and (c): brindlewood-check with one and with eight fetches at once.
run_check() {
    local jobs=$1 start
    start=$(now)
    "$check" --no-progress --jobs "$jobs" "$work/links.txt" >"$work/out.$jobs" || true
    seconds "$start" "$(now)"
}
one_seconds=$(run_check 1)
eight_seconds=$(run_check 8)
one_valid=$(grep -c '^valid' "$work/out.1" || true)
eight_valid=$(grep -c '^valid' "$work/out.8" || true)

printf '%-34s %8s %10s %8s\n' "run" "seconds" "links/s" "valid"
printf '%-34s %8.2f %10s %8s\n' "(a) shell loop, curl per link" "$loop_seconds" \
    "$(rate "$links" "$loop_seconds")" "$loop_valid"
printf '%-34s %8.2f %10s %8s\n' "(b) brindlewood-check --jobs 1" "$one_seconds" \
    "$(rate "$links" "$one_seconds")" "$one_valid"
printf '%-34s %8.2f %10s %8s\n' "(c) brindlewood-check --jobs 8" "$eight_seconds" \
    "$(rate "$links" "$eight_seconds")" "$eight_valid"
echo
echo "(b) time / (a) time: $(ratio "$one_seconds" "$loop_seconds")  (target: at most 1.15)"
echo "(a) time / (c) time: $(ratio "$loop_seconds" "$eight_seconds")  (target: at least 5)"
if cmp -s "$work/out.1" "$work/out.8"; then
    echo "(b) and (c) printed the same lines"
else
    echo "(b) and (c) printed DIFFERENT lines"
fi
echo

# Peak memory over many links. A server without the delay keeps this part short; memory
# does not depend on it.
start_server --page-kb "$page_kb"
for ((i = 0; i < memory_links; ++i)); do echo "http://127.0.0.1:$port/watch?v=ok&n=$i"; done \
    >"$work/many.txt"
/usr/bin/time -v "$check" --no-progress --jobs 8 "$work/many.txt" >"$work/many.out" \
    2>"$work/time.txt" || true
peak_kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
elapsed=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.txt")
echo "peak memory, $memory_links links, --jobs 8: $((peak_kb / 1024)) MiB ($peak_kb KiB)" \
    "in $elapsed, $(grep -c '^valid' "$work/many.out" || true) valid  (target: under 64 MiB)"

# A server that answers at most 20 requests a second and sends 429 with Retry-After: 1
# beyond that: every link must still be judged, at close to the rate the server allows.
limited_links=200
start_server --page-kb "$page_kb" --rate 20
for ((i = 0; i < limited_links; ++i)); do echo "http://127.0.0.1:$port/watch?v=ok&n=$i"; done \
    >"$work/limited.txt"
start=$(now)
"$check" --no-progress --jobs 8 "$work/limited.txt" >"$work/limited.out" || true
limited_seconds=$(seconds "$start" "$(now)")
echo "rate-limited server (20/s), $limited_links links, --jobs 8:" \
    "$(printf '%.2f' "$limited_seconds") s," \
    "$(grep -c '^valid' "$work/limited.out" || true) valid," \
    "$(grep -c '^invalid' "$work/limited.out" || true) invalid," \
    "$(grep -c '^unknown' "$work/limited.out" || true) unknown" \
    "($(printf '%.0f' "$(echo "100 * $limited_links / $limited_seconds / 20" | bc -l)")% of the" \
    "allowed rate; target: all valid within 13 s)"

# The worst case for memory: eight pages just under the 64 MiB limit in flight at once.
start_server --page-kb 65000
for ((i = 0; i < 8; ++i)); do echo "http://127.0.0.1:$port/watch?v=ok&big=$i"; done \
    >"$work/big.txt"
/usr/bin/time -v "$check" --no-progress --jobs 8 "$work/big.txt" >"$work/big.out" \
    2>"$work/time.txt" || true
peak_kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
echo "peak memory, 8 pages of 63.5 MiB, --jobs 8: $((peak_kb / 1024)) MiB," \
    "$(grep -c '^valid' "$work/big.out" || true) valid"

# --dry-run over a long link file.
for ((i = 0; i < dry_run_lines; ++i)); do
    printf 'https://www.youtube.com/watch?v=%011d\r\n' "$i"
done >"$work/long.txt"
start=$(now)
"$check" --dry-run "$work/long.txt" >/dev/null
echo "--dry-run on $dry_run_lines lines: $(printf '%.3f' "$(seconds "$start" "$(now)")") s" \
    "(target: under 1 s)"

left=$(find "$TEMP" -mindepth 1 | wc -l)
echo "files left in the temporary folder: $left"
