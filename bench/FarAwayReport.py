"""Prints the far-away rows of bench/far_away.sh in the layout of bench/Report.py.

Usage: FarAwayReport.py RUNS HOSTS DELAY_S. RUNS holds lines "palvex JOBS SECONDS PEAK_KIB",
"palvex-failed JOBS COUNT" and "curl JOBS SECONDS PEAK_KIB", one set per repetition.
"""
import statistics
import sys
from collections import defaultdict

runs_file, hosts, delay = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])

seconds = defaultdict(list)
peaks = defaultdict(list)
failed = defaultdict(int)
with open(runs_file) as f:
    for line in f:
        parts = line.split()
        if len(parts) == 4 and parts[0] in ("palvex", "curl"):
            seconds[(parts[0], int(parts[1]))].append(float(parts[2]))
            peaks[(parts[0], int(parts[1]))].append(int(parts[3]))
        elif len(parts) == 3 and parts[0] == "palvex-failed":
            failed[int(parts[1])] += int(parts[2])

rows = []
for jobs in sorted({j for who, j in seconds if who == "palvex"}):
    bound = jobs / delay
    rate = hosts / statistics.median(seconds[("palvex", jobs)])
    measured = f"{rate:.0f} q/s" + (f" ({failed[jobs]} failed)" if failed[jobs] else "")
    ok = rate / bound >= 0.9 and failed[jobs] == 0
    rows.append((f"palvex -j {jobs}, {hosts:,} hosts answering after {delay * 1000:.0f} ms", measured,
                 f"{bound:.0f} q/s bound (jobs / delay)", f"{rate / bound:.2f}", ">= 0.9", "yes" if ok else "NO"))
    if ("curl", jobs) in seconds:
        peer = hosts / statistics.median(seconds[("curl", jobs)])
        rows.append((f"  peer: curl -Z --parallel-max {jobs}", f"{peer:.0f} q/s", f"{bound:.0f} q/s bound",
                     f"{peer / bound:.2f}", "report", "-"))
top = max(j for who, j in peaks if who == "palvex")
rss = statistics.median(peaks[("palvex", top)]) / 1024
rows.append((f"palvex -j {top} peak RSS, {hosts:,} far-away hosts", f"{rss:.0f} MiB", "-", "-", "<= 256 MiB",
             "yes" if rss <= 256 else "NO"))
if ("curl", top) in peaks:
    curl_rss = statistics.median(peaks[("curl", top)]) / 1024
    rows.append((f"  peer: curl -Z --parallel-max {top} peak RSS", f"{curl_rss:.0f} MiB", "-", "-", "report", "-"))

header = ("Figure", "Measured", "Baseline", "Ratio", "Goal", "Met")
widths = [max(len(str(x[i])) for x in rows + [header]) for i in range(len(header))]
for line in [header, tuple("-" * w for w in widths)] + rows:
    print("  ".join(str(c).ljust(w) for c, w in zip(line, widths)).rstrip())
