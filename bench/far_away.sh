#!/usr/bin/env bash
# The far-away figures: 20,000 hosts whose servers answer 500 ms after each request, queried by
# palvex at -j 256, 1024 and 2048, each against the bound its jobs allow (jobs / 0.5 s); palvex's
# peak RSS at -j 2048; and curl's parallel mode fetching the same URLs as the peer. Every run has a
# time limit, so that a stall shows as a row rather than a hang. Prints rows in the layout of
# bench/Report.py.
#   bench/far_away.sh BUILD [REPETITIONS]   (BUILD holds palvex and far_away_server, and the
#   component is registered in the registry the environment names; bench/run.sh does both)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$1
reps=${2:-1}
hosts=20000
delay_ms=500

source "$root/bench/Scratch.sh"

# Both clients and the server hold a descriptor per connection in flight.
ulimit -n "$(ulimit -Hn)"

# 32 loopback addresses on one port: the kernel picks client ports per destination, so each
# address has its own range and 20,000 connections (some left in TIME_WAIT) never run out.
port=$(free_port)
addresses=()
for i in $(seq 32); do addresses+=("127.0.1.$i"); done
mkfifo "$work/ready"
"$build/bin/far_away_server" "$delay_ms" "$port" "${addresses[@]}" >"$work/ready" &
server_pid=$!
if ! timeout 10 head -n1 "$work/ready" | grep -q ready; then
  echo "far_away_server did not start" >&2
  exit 1
fi

for path in $(seq $((hosts / ${#addresses[@]}))); do
  for address in "${addresses[@]}"; do echo "http://$address:$port/$path"; done
done >"$work/hosts"
sed 's/^/url = /' "$work/hosts" >"$work/curl.config"

limit() {  # seconds a run at JOBS may take: four times the bound's time, and 30 s to start up
  echo $((hosts * delay_ms * 4 / 1000 / $1 + 30))
}
run() {  # NAME JOBS LIMIT COMMAND...: appends "NAME JOBS SECONDS PEAK_KIB STATUS" to the runs
  local name=$1 jobs=$2 seconds=$3
  shift 3
  # timeout kills its command's process group on expiry and returns 124; time sees the status
  # and the peak RSS of the command.
  /usr/bin/time -f "$name $jobs %e %M %x" -a -o "$work/runs" timeout -k 5 "$seconds" "$@" || true
}
: >"$work/runs"
for _ in $(seq "$reps"); do
  for jobs in 256 1024 2048; do
    run palvex "$jobs" "$(limit "$jobs")" "$build/bin/palvex" -j "$jobs" --json -f "$work/hosts" >"$work/palvex.out"
    echo "palvex-failed $jobs $((hosts - $(grep -c '"ok":true' "$work/palvex.out" || true)))" >>"$work/runs"
  done
  for jobs in 256 1024 2048; do
    # Without --parallel-immediate, curl holds the transfers to a host back until the first
    # connection shows whether it multiplexes, and runs a few at a time.
    run curl "$jobs" "$(limit "$jobs")" curl -S -Z --parallel-immediate --parallel-max "$jobs" -w '%{http_code}\n' \
      -K "$work/curl.config" >"$work/curl.out" 2>"$work/curl.err"
    echo "curl-failed $jobs $((hosts - $(grep -c '^200$' "$work/curl.out" || true)))" >>"$work/runs"
    # curl lowers a --parallel-max above its cap without a word: its progress meter's "Live"
    # column shows how many transfers it really ran at once.
    echo "curl-live $jobs $(tr '\r' '\n' <"$work/curl.err" | awk '$1 == "--" && $6 > m { m = $6 } END { print m + 0 }')" \
      >>"$work/runs"
  done
done

python3 "$root/bench/FarAwayReport.py" "$work/runs" "$hosts" "$((delay_ms))e-3"
