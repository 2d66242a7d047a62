"""Prints the far-away rows of bench/far_away.sh in the layout of bench/Report.py.

Usage: FarAwayReport.py RUNS HOSTS DELAY_S. RUNS holds lines "palvex|curl JOBS SECONDS PEAK_KIB
STATUS" (status 124: stopped at its time limit), "palvex-failed|curl-failed JOBS COUNT" (hosts
without an answer) and "curl-live JOBS MOST" (transfers curl ran at once), one set per repetition.
"""
import statistics
import sys
from collections import defaultdict

runs_file, hosts, delay = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])

seconds = defaultdict(list)
peaks = defaultdict(list)
stalled = defaultdict(int)
failed = defaultdict(int)
live = defaultdict(int)
last_stalled = {}  # a stalled run's missing answers are in its row already
with open(runs_file) as f:
    for line in f:
        parts = line.split()
        if len(parts) == 5 and parts[0] in ("palvex", "curl"):
            key = (parts[0], int(parts[1]))
            last_stalled[key] = parts[4] == "124"
            if last_stalled[key]:
                stalled[key] += 1
            else:
                seconds[key].append(float(parts[2]))
                peaks[key].append(int(parts[3]))
        elif len(parts) == 3 and parts[0] in ("palvex-failed", "curl-failed"):
            key = (parts[0].split("-")[0], int(parts[1]))
            if not last_stalled.get(key):
                failed[key] += int(parts[2])
        elif len(parts) == 3 and parts[0] == "curl-live":
            live[int(parts[1])] = max(live[int(parts[1])], int(parts[2]))


def measured(key):
    """The rate and what went wrong, or None with the text when no run finished."""
    if not seconds[key]:
        return None, f"stalled ({stalled[key]} of {stalled[key]} runs)"
    rate = hosts / statistics.median(seconds[key])
    notes = []
    if failed[key]:
        notes.append(f"{failed[key]} failed")
    if stalled[key]:
        notes.append(f"{stalled[key]} runs stalled")
    return rate, f"{rate:.0f} q/s" + (f" ({', '.join(notes)})" if notes else "")


rows = []
all_jobs = sorted({j for who, j in list(seconds) + list(stalled) if who == "palvex"})
for jobs in all_jobs:
    bound = jobs / delay
    rate, text = measured(("palvex", jobs))
    ok = rate is not None and rate / bound >= 0.9 and not failed[("palvex", jobs)] and not stalled[("palvex", jobs)]
    rows.append((f"palvex -j {jobs}, {hosts:,} hosts answering after {delay * 1000:.0f} ms", text,
                 f"{bound:.0f} q/s bound (jobs / delay)", f"{rate / bound:.2f}" if rate else "-", ">= 0.9",
                 "yes" if ok else "NO"))
    label = f"  peer: curl -Z --parallel-max {jobs}"
    if 0 < live[jobs] < jobs:
        label += f" (runs {live[jobs]} at once: curl's cap)"
    if ("curl", jobs) in seconds or ("curl", jobs) in stalled:
        peer, text = measured(("curl", jobs))
        rows.append((label, text, f"{bound:.0f} q/s bound", f"{peer / bound:.2f}" if peer else "-", "report", "-"))
top = max(all_jobs)
if peaks[("palvex", top)]:
    rss = statistics.median(peaks[("palvex", top)]) / 1024
    rows.append((f"palvex -j {top} peak RSS, {hosts:,} far-away hosts", f"{rss:.0f} MiB", "-", "-", "<= 256 MiB",
                 "yes" if rss <= 256 else "NO"))
else:
    rows.append((f"palvex -j {top} peak RSS, {hosts:,} far-away hosts", "stalled", "-", "-", "<= 256 MiB", "NO"))
if peaks[("curl", top)]:
    curl_rss = statistics.median(peaks[("curl", top)]) / 1024
    rows.append((f"  peer: curl -Z --parallel-max {top} peak RSS", f"{curl_rss:.0f} MiB", "-", "-", "report",
                 "-"))

header = ("Figure", "Measured", "Baseline", "Ratio", "Goal", "Met")
widths = [max(len(str(x[i])) for x in rows + [header]) for i in range(len(header))]
for line in [header, tuple("-" * w for w in widths)] + rows:
    print("  ".join(str(c).ljust(w) for c, w in zip(line, widths)).rstrip())
