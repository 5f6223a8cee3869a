#!/usr/bin/env python3
"""The daemon's whole-process figures on the unit's own kernel: the emulated
unit of scripts/image, booted by scripts/boot. Prints markdown for
docs/performance.md. Runs the emulator in scripts/sandbox --net, so port
3180 and everything else it could reach are the sandbox's own.
  bench/target_figures.py [RUNS [REQUESTS]]"""

import concurrent.futures
import os
import statistics
import sys
import tempfile

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(TOP, "image"))
from emulated_unit import Unit  # noqa: E402

IDLE_SECONDS = 60


def spread(values, unit):
    return f"{statistics.median(values):.1f} {unit} ({min(values):.1f}-{max(values):.1f})"


def one_run(port, requests):
    with tempfile.TemporaryDirectory() as work, Unit(work, port=port) as unit:
        boot = unit.boot()
        return (boot, *unit.footprint(IDLE_SECONDS, requests))


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    requests = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    # The daemon takes one datagram a second: the runs go side by side, each
    # unit on a port of its own, and idle between their datagrams.
    with concurrent.futures.ThreadPoolExecutor(runs) as pool:
        results = list(pool.map(one_run, range(3180, 3180 + runs), [requests] * runs))
    print(f"- power-on to the first answer: {spread([r[0] for r in results], 's')}")
    print(f"- idle CPU over {IDLE_SECONDS} s: {spread([r[1] for r in results], 'ms')}")
    for field in ("VmHWM", "VmRSS", "RssAnon"):
        print(f"- {field} after {requests} requests: {spread([r[2][field] for r in results], 'KiB')}")


if __name__ == "__main__":
    if os.environ.get("KIP_IN_SANDBOX") != "1":
        os.environ["KIP_IN_SANDBOX"] = "1"
        sandbox = os.path.join(TOP, "scripts", "sandbox")
        os.execv(sandbox, [sandbox, "--net", "--scratch", sys.executable, *sys.argv])
    main()
