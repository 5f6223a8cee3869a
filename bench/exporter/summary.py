#!/usr/bin/python3
"""Summarises scripts/bench-exporter's runs and writes the Exporter section
of docs/performance.md.
  summary.py OUT UNITS SECONDS RUNS"""
import datetime
import re
import statistics
import sys


def spread(values, form):
    return ("%s (%s-%s)" % (form, form, form)) % (statistics.median(values), min(values), max(values))


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(int(len(ordered) * share), len(ordered) - 1)]


def main(out, units, seconds, runs):
    cpu, memory, medians, p99s, worst, failed, sent = [], [], [], [], [], [], []
    for run in range(1, runs + 1):
        figures = open("%s/exporter-%d.txt" % (out, run)).read()
        start = re.search(r"^start (\S+) (\S+)", figures, re.M).groups()
        end = re.search(r"^end (\S+) (\S+) (\S+)", figures, re.M).groups()
        ticks = float(end[2])
        cpu.append((float(end[0]) - float(start[0])) / ticks / (float(end[1]) - float(start[1])) * 1000)
        memory.append(int(re.search(r"VmHWM:\s+(\d+)", figures).group(1)) / 1024)
        scrapes = [line.split() for line in open("%s/scrapes-%d.txt" % (out, run))]
        durations = [float(s[1]) for s in scrapes]
        medians.append(statistics.median(durations))
        p99s.append(percentile(durations, 0.99))
        worst.append(max(durations))
        failed.append(sum(s[2] != "1" for s in scrapes))
        sent.append(int(re.search(r"(\d+) not queries", open("%s/responder-%d.txt" % (out, run)).read()).group(1)))
    rows = [("CPU per probe", spread(cpu, "%.2f") + " ms", "≤ 2 ms", max(cpu) <= 2),
            ("peak resident memory", spread(memory, "%.0f") + " MiB", "≤ 200 MB", max(memory) * 1.048576 <= 200),
            ("scrape duration, median", spread(medians, "%.2f") + " s", "report", None),
            ("scrape duration, 99th percentile", spread(p99s, "%.2f") + " s", "report", None),
            ("longest scrape", spread(worst, "%.2f") + " s", "< 10 s", max(worst) < 10),
            ("scrapes failed or timed out", spread(failed, "%d") + " of %d" % len(durations), "0", max(failed) == 0),
            ("datagrams that were not queries", spread(sent, "%d"), "0", max(sent) == 0)]
    section = """## Exporter

Measured by `scripts/bench-exporter` on %s, 2 cores shared with other work:
one `kip-param-exporter` against %d simulated units on loopback addresses
(`bench/exporter/responder.py`: one process, a socket per unit, each taking
one datagram a second at a phase of its own and answering with the real
daemon's documents), each unit scraped every 60 s with a 10 s time-out at an
offset of its own (`bench/exporter/scraper.py`), for %d s; %d runs, medians
with the spread in brackets. CPU per probe is the exporter's user + system
time over the steady minutes after the first, divided by the probes it
answered in them.

| figure | value | goal |
|---|---|---|
%s
""" % (datetime.date.today().isoformat(), units, seconds, runs, "\n".join(
        "| %s | %s | %s%s |" % (name, value, goal, "" if met is None else (" met" if met else " missed"))
        for name, value, goal, met in rows))
    print(section)
    doc = open("docs/performance.md").read()
    doc = re.sub(r"\n## Exporter\n.*?(?=\n## |\Z)", "", doc, flags=re.S).rstrip("\n") + "\n\n" + section
    open("docs/performance.md", "w").write(doc)


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]))
