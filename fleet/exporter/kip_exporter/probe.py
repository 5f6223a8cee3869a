"""One probe of a unit: its DOR and LUN documents, asked with queries only
(never a document, which would rewrite its status files), within the time
Prometheus gives the scrape, and what they show as metric families."""
import time

from prometheus_client.core import GaugeMetricFamily

from plugin_utils.documents import BadReply
from plugin_utils.exchange import ExchangeError, NoReply
from plugin_utils.key_table import KEYS
from plugin_utils.unit import Unit

# The daemon answers a lone query at its next one-second poll: a try every
# TRY_SECONDS, and a reply to any of them is the answer.
TRY_SECONDS = 1.5
QUERIES = ("DOR", "LUN")
NUMBERS = frozenset(key["path"] for key in KEYS if key["encoding"] in ("u8", "u16", "u32"))


def _retries_within(wait, left):
    """The most further tries, one every `wait` seconds, whose waits all end
    within `left` seconds."""
    return max(int(left // wait) - 1, 0)


def _gauge(name, documentation, samples, labels=()):
    family = GaugeMetricFamily(name, documentation, labels=list(labels))
    for label_values, value in samples:
        family.add_metric(list(label_values), value)
    return family


def families(success, duration, retries, values, wanted):
    """The probe's metric families: success, duration and further tries
    always; the unit's values and their drift from `wanted` when it answered."""
    found = [_gauge("kip_probe_success", "Whether the unit answered both queries", [((), success)]),
             _gauge("kip_probe_duration_seconds", "How long the probe took", [((), duration)]),
             _gauge("kip_probe_retries", "Queries sent again beyond the first try of each", [((), retries)])]
    if not success:
        return found
    found.append(_gauge("kip_param_value", "A numeric key's value, unsigned as kip-param-client get prints it",
                        [((path,), float(values[path])) for path in values if path in NUMBERS], ["key"]))
    found.append(_gauge("kip_param_info", "An address or character key's value, as kip-param-client get prints it",
                        [((path, values[path]), 1) for path in values if path not in NUMBERS], ["key", "value"]))
    if wanted:
        drifting = [path for path in wanted if values.get(path) != wanted[path]]
        found.append(_gauge("kip_param_drift", "1 when the unit's key differs from its intended setting",
                            [((path,), int(path in drifting)) for path in wanted], ["key"]))
        found.append(_gauge("kip_param_drift_keys", "How many keys differ from the intended settings",
                            [((), len(drifting))]))
    return found


class Probe(object):
    """One probe; `families` holds its result once run. Its `collect` lets
    the exposition format take it as a registry."""

    def __init__(self, host, port, seconds, wanted):
        self.unit = Unit(host, port, TRY_SECONDS, 0)
        self.seconds, self.wanted = seconds, wanted
        self.asked = 0
        self.families = []

    def _ask(self, deadline):
        values = {}
        for query in QUERIES:
            left = deadline - time.monotonic()
            if left <= 0:
                raise NoReply("no time left for the %s query" % query, 0)
            self.unit.timeout = min(TRY_SECONDS, left)
            self.unit.retries = _retries_within(self.unit.timeout, left)
            self.asked += 1
            values.update(self.unit.query(query))
        return values

    def run(self):
        """Asks the unit; True when it answered both queries."""
        start = time.monotonic()
        try:
            values = self._ask(start + self.seconds)
        except (NoReply, BadReply, ExchangeError, ValueError):
            values = None
        self.families = families(values is not None, time.monotonic() - start, self.unit.tries - self.asked,
                                 values, self.wanted)
        return values is not None

    def collect(self):
        return self.families
