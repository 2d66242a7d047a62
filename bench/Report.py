"""Prints the benchmark table of bench/run.sh: each figure, its baseline, the ratio, the goal."""
import json
import statistics
import sys
from collections import defaultdict

component_json, register_json, throughput_file, rss_file, instructions_file = sys.argv[1:6]


def medians(path):
    """Median real time per benchmark, in nanoseconds. One repetition has no aggregates: its run is
    the median."""
    with open(path) as f:
        data = json.load(f)
    scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}
    out, runs = {}, defaultdict(list)
    for b in data["benchmarks"]:
        ns = b["real_time"] * scale[b["time_unit"]]
        if b.get("aggregate_name") == "median":
            out[b["run_name"]] = ns
        elif b.get("run_type") == "iteration":
            runs[b["run_name"]].append(ns)
    return {name: statistics.median(times) for name, times in runs.items()} | out


def show(ns):
    if ns >= 1e6:
        return f"{ns / 1e6:.2f} ms"
    if ns >= 1e3:
        return f"{ns / 1e3:.1f} us"
    return f"{ns:.0f} ns"


rows = []


def row(figure, value, baseline, ratio, goal, met):
    rows.append((figure, value, baseline, f"{ratio:.2f}" if ratio is not None else "-", goal,
                 "-" if met is None else ("yes" if met else "NO")))


m = medians(component_json)
r = medians(register_json)

q, raw = m["EarlyBoundQueryServer"], m["RawSocketExchange"]
row("QueryServer, early-bound (per query)", show(q), show(raw) + " raw socket", q / raw, "<= 1.05", q / raw <= 1.05)
late, early = m["LateBoundSequence"], m["EarlyBoundSequence"]
row("palvex sequence, late-bound (per host)", show(late), show(early) + " early-bound", late / early, "<= 1.03",
    late / early <= 1.03)
inv, vt = m["InvokePropertyGet"], m["VtablePropertyGet"]
row("Invoke of a property get", show(inv), show(vt) + " vtable get", inv / vt, "<= 3", inv / vt <= 3)
cr, nd = m["FactoryCreateRelease"], m["NewDeleteSixStrings"]
row("CreateInstance + Release (cached factory)", show(cr), show(nd) + " new + delete", cr / nd, "<= 3",
    cr / nd <= 3)

times = defaultdict(list)
with open(throughput_file) as f:
    for line in f:
        who, jobs, seconds = line.split()
        times[(who, int(jobs))].append(float(seconds))
for jobs in sorted({j for _, j in times}):
    p = 2000 / statistics.median(times[("palvex", jobs)])
    b = 2000 / statistics.median(times[("raw", jobs)])
    row(f"palvex -j {jobs}, 2000 queries", f"{p:.0f} q/s", f"{b:.0f} q/s raw client", p / b, ">= 0.9", p / b >= 0.9)

reg = r["RegisterUnregister"]
row("DllRegisterServer + DllUnregisterServer", show(reg), "-", None, "report", None)

peaks = defaultdict(list)
with open(rss_file) as f:
    for line in f:
        parts = line.split()
        if len(parts) == 3 and parts[0] in ("rss", "rss-json"):
            peaks[(parts[0], int(parts[1]))].append(int(parts[2]))
for kind, label in (("rss", "palvex"), ("rss-json", "palvex --json")):
    big, small = statistics.median(peaks[(kind, 10000)]), statistics.median(peaks[(kind, 1000)])
    growth = big - small
    row(f"{label} peak RSS, 10,000 queries", f"{big:.0f} KiB", f"{small:.0f} KiB after 1,000", None,
        "<= +1024 KiB", growth <= 1024)
    rows[-1] = rows[-1][:3] + (f"+{growth:.0f} KiB",) + rows[-1][4:]

counts = {}
with open(instructions_file) as f:
    for line in f:
        name, value = line.split()
        counts[name] = value
counter = counts.pop("counter")
counts = {name: int(value) for name, value in counts.items()}


def count_row(figure, name, baseline, baseline_label, limit):
    value, base = counts[name], counts[baseline]
    row(f"{figure}, instructions ({counter})", f"{value:,}", f"{base:,} {baseline_label}", value / base,
        "report" if limit is None else f"<= {limit:,}", None if limit is None else value <= limit)


count_row("QueryServer, early-bound (per query)", "EarlyBoundQueryServer", "RawSocketExchange", "raw socket", 8000)
count_row("palvex sequence, late-bound (per host)", "LateBoundSequence", "EarlyBoundSequence", "early-bound", None)
count_row("palvex per host, late-bound", "palvex-late", "raw-client", "raw client", 20000)
count_row("palvex per host, early-bound (--early)", "palvex-early", "raw-client", "raw client", 15000)

header = ("Figure", "Measured", "Baseline", "Ratio", "Goal", "Met")
widths = [max(len(str(x[i])) for x in rows + [header]) for i in range(len(header))]
for line in [header, tuple("-" * w for w in widths)] + rows:
    print("  ".join(str(c).ljust(w) for c, w in zip(line, widths)).rstrip())
