"""The daemon's footprint on the unit's own kernel, guarded at about twice
the figures of docs/performance.md: a request that leaks, or a loop that
wakes more often than its one-second pace, fails here."""

from emulated_unit import Unit

IDLE_SECONDS = 60
REQUESTS = 1000
# Measured: 10 ms (0-10) idle, VmHWM 3708 KiB, RssAnon 184 KiB.
MOST = {"idle ms": 100, "VmHWM": 7680, "RssAnon": 384}


def test_idle_cpu_and_memory_after_1000_requests(tmp_path):
    # Its own port: it runs beside the other checks of the image.
    with Unit(str(tmp_path), port=3181) as unit:
        unit.boot()
        idle_ms, memory = unit.footprint(IDLE_SECONDS, REQUESTS)
    figures = {"idle ms": idle_ms, **memory}
    assert all(figures[name] <= most for name, most in MOST.items()), f"{figures}, guards {MOST}"
