#!/usr/bin/env bash
# The far-away figures: 20,000 hosts whose servers answer 500 ms after each request, queried by
# palvex at -j 256, 1024 and 2048, each against the bound its jobs allow (jobs / 0.5 s); palvex's
# peak RSS at -j 2048; and curl's parallel mode fetching the same URLs as the peer. Prints rows in
# the layout of bench/Report.py.
#   bench/far_away.sh BUILD [REPETITIONS]   (BUILD holds palvex and far_away_server, and the
#   component is registered in the registry the environment names; bench/run.sh does both)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$1
reps=${2:-1}

work=$(mktemp -d)
server_pid=""
cleanup() {
  if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
    kill "$server_pid"
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# 32 loopback addresses on one port: each has its own range of client ports.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
addresses=()
for i in $(seq 32); do addresses+=("127.0.1.$i"); done
mkfifo "$work/ready"
"$build/bin/far_away_server" 500 "$port" "${addresses[@]}" >"$work/ready" &
server_pid=$!
read -r _ <"$work/ready"

for path in $(seq 625); do
  for address in "${addresses[@]}"; do echo "http://$address:$port/$path"; done
done >"$work/hosts"
sed 's/^/url = /' "$work/hosts" >"$work/curl.config"

# Either client may raise its descriptor limit to the hard one.
ulimit -n "$(ulimit -Hn)"
: >"$work/runs"
for _ in $(seq "$reps"); do
  for jobs in 256 1024 2048; do
    /usr/bin/time -f "palvex $jobs %e %M" -a -o "$work/runs" \
      "$build/bin/palvex" -j "$jobs" --json -f "$work/hosts" >"$work/palvex.out" || true
    echo "palvex-failed $jobs $(grep -c '"ok":false' "$work/palvex.out" || true)" >>"$work/runs"
    /usr/bin/time -f "curl $jobs %e %M" -a -o "$work/runs" \
      curl -sS -Z --parallel-max "$jobs" -K "$work/curl.config" >/dev/null 2>"$work/curl.err" || true
  done
done

python3 "$root/bench/FarAwayReport.py" "$work/runs" 20000 0.5
