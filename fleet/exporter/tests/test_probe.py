# What a probe shows of a unit on loopback when datagrams are lost; the
# Prometheus test shows the rest against real daemons.
import socket
import threading

import pytest

from conftest import HERE
from kip_exporter.probe import Probe

DOCUMENTS = {b"<ParamMessage><QueryType>%s</QueryType></ParamMessage>" % query: (HERE / name).read_bytes()
             for query, name in ((b"DOR", "dor.xml"), (b"LUN", "lun.xml"))}


class FakeUnit(threading.Thread):
    """Answers queries with the documents a daemon wrote; `drop` says of each
    datagram in turn whether it is lost. `received` counts them all."""

    def __init__(self, drop):
        super().__init__(daemon=True)
        self.drop, self.received = list(drop), 0
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind(("127.0.0.1", 0))
        self.start()

    def run(self):
        while True:
            request, sender = self.sock.recvfrom(2048)
            self.received += 1
            if not (self.drop and self.drop.pop(0)):
                self.sock.sendto(DOCUMENTS[request], sender)


# A lost query or reply is asked again within the time Prometheus gives; a
# unit that stays silent fails the probe within it, showing no values.
@pytest.mark.parametrize("drop, seconds, success, retries, sent", [
    ([True], 9.5, 1, 1, 3), ([False, True], 9.5, 1, 1, 3), ([True] * 9, 4.6, 0, 2, 3), ([True] * 9, 1.0, 0, 0, 1)])
def test_lost_datagrams_are_asked_again_within_the_scrape_time(drop, seconds, success, retries, sent):
    unit = FakeUnit(drop)
    probe = Probe("127.0.0.1", unit.sock.getsockname()[1], seconds, {})
    assert probe.run() == bool(success)
    found = dict(((sample.name, tuple(sample.labels.values())), sample.value)
                 for family in probe.collect() for sample in family.samples)
    assert (found["kip_probe_success", ()], found["kip_probe_retries", ()], unit.received) == (success, retries, sent)
    assert found["kip_probe_duration_seconds", ()] <= seconds + 0.2
    # Values as get prints them: unsigned, and a character's text without its control byte.
    assert len(found) == 3 if not success else \
        found["kip_param_value", ("config:RadioID",)] == 3e9 and found["kip_param_info", ("config:InstallType", "\\x01")]
