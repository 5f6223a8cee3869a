"""A unit's daemon as the tasks talk to it: queries, configuration documents
and REBOOT, every datagram sent counted in `tries`."""
from . import documents
from .exchange import NoReply, exchange, watch
from .values import KEYS_BY_PATH

# The daemon takes half a second more for each address it applies.
ADDRESS_SECONDS = 0.5


class Unit(object):
    def __init__(self, host, port, timeout, retries, send=exchange, listen=watch):
        self.host, self.port, self.timeout, self.retries = host, port, timeout, retries
        self.tries = 0
        self._send = send
        self._listen = listen

    def _ask(self, request, fits, retries, timeout=None):
        try:
            reply, tries = self._send(self.host, self.port, request, fits, timeout or self.timeout, retries)
        except NoReply as silence:
            self.tries += silence.tries
            raise
        self.tries += tries
        return reply

    def query(self, query):
        """Normalised values of the keys the DOR or LUN document shows."""
        reply = self._ask(documents.query_message(query), lambda r: documents.is_document(query, r), self.retries)
        return documents.read_document(query, reply)

    def report(self):
        """The report on a document that holds no key: the request count
        and the KipParams values."""
        return documents.read_report(self._ask(documents.KEYLESS_DOCUMENT, documents.is_report, self.retries))

    def apply(self, document, paths):
        """Sends a configuration document once, and waits for its report
        twice as long as for a query's reply; None when no reply came (the
        caller decides by reading the unit back)."""
        addresses = sum(KEYS_BY_PATH[path]["encoding"] in ("atcs", "ipv4") for path in paths)
        try:
            reply = self._ask(document, documents.is_report, 0, 2 * self.timeout + ADDRESS_SECONDS * addresses)
        except NoReply:
            return None
        return documents.read_report(reply)

    def watch_reboot(self, finished, interval, limit):
        """Sends REBOOT once and key-less documents after it (see
        exchange.watch): events (seconds, 'reboot', None) for its reply and
        (seconds, 'count', N) for a report with Response count N."""
        kinds = {"reboot": lambda r: r == documents.REBOOT_REPLY, "count": documents.is_report}

        def counted(events):
            return [(seconds, kind, documents.read_report(reply)["responses"] if kind == "count" else None)
                    for seconds, kind, reply in events]

        events, sent = self._listen(self.host, self.port, documents.query_message("REBOOT"),
                                    documents.KEYLESS_DOCUMENT, kinds, lambda seen: finished(counted(seen)),
                                    interval, limit)
        self.tries += sent
        return counted(events)
