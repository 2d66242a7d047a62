#!/usr/bin/env bash
# Builds the benchmarks in Release (build-bench/), starts nginx on a free loopback port and a
# private registry, measures every figure next to its baseline in the same run (interleaved,
# medians) and prints one table. Stops what it started on every path.
#   bench/run.sh [REPETITIONS]   (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
reps=${1:-5}
build=$root/build-bench

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUENVAR_BENCH=ON -DQUENVAR_TESTS=OFF -DQUENVAR_WERROR=ON >/dev/null
cmake --build "$build" -j2 --target component_bench raw_client far_away_server palvex regsvr Quenvar >/dev/null

source "$root/bench/Scratch.sh"

port=$(free_port)
mkdir -p "$work/nginx/logs" "$work/nginx/html"
chmod 755 "$work"  # nginx workers run as an unprivileged user
echo ok >"$work/nginx/html/index.html"
cat >"$work/nginx/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  client_body_temp_path $work/nginx/tmp;
  proxy_temp_path $work/nginx/tmp;
  fastcgi_temp_path $work/nginx/tmp;
  uwsgi_temp_path $work/nginx/tmp;
  scgi_temp_path $work/nginx/tmp;
  server {
    listen 127.0.0.1:$port;
    root $work/nginx/html;
  }
}
CONF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" &
server_pid=$!
for _ in $(seq 50); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done

export QUENVAR_REGISTRY=$work/registry.db
export QUENVAR_BENCH_PORT=$port
export QUENVAR_BENCH_LIBRARY=$build/lib/Quenvar.so
"$build/bin/regsvr" -s "$build/lib/Quenvar.so"

echo "nginx on 127.0.0.1:$port; $reps repetitions, interleaved; $(nproc) cores" >&2

# In-process figures: Google Benchmark interleaves the repetitions of all of them at random.
"$build/bin/component_bench" --benchmark_filter='-RegisterUnregister' \
  --benchmark_repetitions="$reps" --benchmark_enable_random_interleaving=true \
  --benchmark_min_time=0.2 --benchmark_report_aggregates_only=true \
  --benchmark_format=json --benchmark_out="$work/component.json" >/dev/null
"$build/bin/component_bench" --benchmark_filter='RegisterUnregister' --benchmark_repetitions="$reps" \
  --benchmark_report_aggregates_only=true --benchmark_format=json --benchmark_out="$work/register.json" >/dev/null

# Throughput: palvex -j N against the raw client with N threads, 2000 exchanges each, alternated.
for _ in $(seq 2000); do echo "127.0.0.1:$port"; done >"$work/hosts2000"
elapsed() {  # seconds that the command takes
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo "$(( (end - start) / 1000 ))e-6"
}
: >"$work/throughput"
for jobs in 1 4 16; do
  for _ in $(seq "$reps"); do
    echo "palvex $jobs $(elapsed "$build/bin/palvex" -j "$jobs" -f "$work/hosts2000")" >>"$work/throughput"
    echo "raw $jobs $(elapsed "$build/bin/raw_client" -j "$jobs" "$work/hosts2000")" >>"$work/throughput"
  done
done

# Peak resident memory after 1,000 and after 10,000 queries, alternated.
for _ in $(seq 1000); do echo "127.0.0.1:$port"; done >"$work/hosts1000"
for _ in $(seq 10000); do echo "127.0.0.1:$port"; done >"$work/hosts10000"
: >"$work/rss"
for _ in $(seq 3); do
  for count in 1000 10000; do
    /usr/bin/time -f "rss $count %M" -a -o "$work/rss" "$build/bin/palvex" -f "$work/hosts$count" >/dev/null
    /usr/bin/time -f "rss-json $count %M" -a -o "$work/rss" "$build/bin/palvex" --json -f "$work/hosts$count" >/dev/null
  done
done

# Instruction counts, which load does not move: user-space instructions (every thread) of a
# command run for 101 queries, less the same command for 1, divided by 100. The hardware counter
# where the kernel grants it, callgrind otherwise.
if perf stat -x, -e instructions:u -o "$work/perf" true 2>/dev/null && grep -q '^[0-9]' "$work/perf"; then
  counter=perf
else
  counter=callgrind
fi
instructions() {
  if [ "$counter" = perf ]; then
    perf stat -x, -e instructions:u -o "$work/perf" "$@" >/dev/null
    grep -o '^[0-9]*' "$work/perf"
  else
    valgrind --tool=callgrind --trace-children=yes --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null | sed -n 's/^==[0-9]*== Collected : //p'
  fi
}
for n in 1 101; do
  for _ in $(seq $n); do echo "127.0.0.1:$port"; done >"$work/hosts-$n"
done
per_query() {  # FIGURE COMMAND...: "{n}" in the command stands for the number of queries
  local figure=$1 one many
  shift
  one=$(instructions "${@//\{n\}/1}")
  many=$(instructions "${@//\{n\}/101}")
  echo "$figure $(((many - one) / 100))" >>"$work/instructions"
}
echo "counter $counter" >"$work/instructions"
per_query raw-client "$build/bin/raw_client" -j 1 "$work/hosts-{n}"
per_query palvex-late "$build/bin/palvex" -f "$work/hosts-{n}"
per_query palvex-early "$build/bin/palvex" --early -f "$work/hosts-{n}"
for figure in RawSocketExchange EarlyBoundQueryServer LateBoundSequence EarlyBoundSequence; do
  per_query "$figure" env QUENVAR_BENCH_ITERATIONS={n} "$build/bin/component_bench" --benchmark_filter="^$figure/"
done

python3 "$root/bench/Report.py" "$work/component.json" "$work/register.json" "$work/throughput" "$work/rss" "$work/instructions"
"$root/bench/far_away.sh" "$build"
