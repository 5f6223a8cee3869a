"""The exporter's HTTP side: /probe?target=ADDR[:PORT] asks one unit, as
Prometheus's multi-target exporters do; /metrics holds the exporter's own
figures. Each request has a thread of its own: a probe waits seconds on a
unit's one-second polls, and hundreds are in flight at once."""
import http.server
import math
import urllib.parse

from prometheus_client import CONTENT_TYPE_LATEST, Counter, Histogram, generate_latest

from .probe import Probe
from .targets import Refused, target

# Prometheus says how long it waits for the scrape; the probe leaves this much
# of it for the answer to travel, as the blackbox exporter does.
TIMEOUT_OFFSET = 0.5
DEFAULT_SCRAPE_TIMEOUT = 10.0

PROBES = Counter("kip_exporter_probes", "Probes of units")
FAILURES = Counter("kip_exporter_probe_failures", "Probes whose unit did not answer both queries")
REFUSED = Counter("kip_exporter_refused_targets", "Probes refused: a target outside --targets or malformed")
DURATION = Histogram("kip_exporter_probe_duration_seconds", "How long probes took",
                     buckets=(0.5, 1, 1.5, 2, 2.5, 3, 4, 5, 7.5, 10, 15))


def probe_seconds(header):
    """The probe's time from Prometheus's scrape time-out header."""
    try:
        seconds = float(header)
    except (TypeError, ValueError):
        seconds = DEFAULT_SCRAPE_TIMEOUT
    if not math.isfinite(seconds) or seconds <= TIMEOUT_OFFSET:
        seconds = DEFAULT_SCRAPE_TIMEOUT
    return seconds - TIMEOUT_OFFSET


class Handler(http.server.BaseHTTPRequestHandler):
    # A client that connects and sends nothing would hold its thread for ever.
    timeout = 30
    # Set by main(): the networks probes may reach and the intended settings.
    allowed = ()
    settings = None

    def _answer(self, status, body, content_type="text/plain; charset=utf-8"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path == "/probe":
            self._probe(urllib.parse.parse_qs(url.query).get("target", []))
        elif url.path == "/metrics":
            self._answer(200, generate_latest(), CONTENT_TYPE_LATEST)
        elif url.path == "/":
            self._answer(200, b"kip-param-exporter: /probe?target=ADDR[:PORT], /metrics\n")
        else:
            self._answer(404, b"no such page: try /probe?target=ADDR or /metrics\n")

    def _probe(self, targets):
        try:
            if len(targets) != 1:
                raise Refused("give exactly one target: /probe?target=ADDR[:PORT]")
            host, port = target(targets[0], self.allowed)
        except Refused as refusal:
            REFUSED.inc()
            # Escaped, a target holding a line end still makes one line.
            self._answer(400, str(refusal).encode("unicode_escape") + b"\n")
            return
        wanted = self.settings.wanted(host) if self.settings else {}
        probe = Probe(host, port, probe_seconds(self.headers.get("X-Prometheus-Scrape-Timeout-Seconds")), wanted)
        PROBES.inc()
        with DURATION.time():
            if not probe.run():
                FAILURES.inc()
        self._answer(200, generate_latest(probe), CONTENT_TYPE_LATEST)

    def log_message(self, *args):
        pass  # a line per scrape would flood the journal; /metrics counts them


class Server(http.server.ThreadingHTTPServer):
    # Prometheus opens many scrapes at once; the default backlog of 5 would
    # turn a burst into connection time-outs.
    request_queue_size = 1024
    daemon_threads = True
