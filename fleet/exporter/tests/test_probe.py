# What a probe shows of a unit on loopback when datagrams are lost or late;
# the Prometheus test shows the rest against real daemons.
import socket
import threading
import time

import pytest

from conftest import HERE
from kip_exporter.probe import Probe
from kip_exporter.server import probe_seconds

DOCUMENTS = {b"<ParamMessage><QueryType>%s</QueryType></ParamMessage>" % query: (HERE / name).read_bytes()
             for query, name in ((b"DOR", "dor.xml"), (b"LUN", "lun.xml"))}


# The probe takes Prometheus's scrape time-out less half a second (10 s when
# the header is no use). A lost query or reply is asked again within that
# time, and a late answer to an earlier try is the answer; a unit that stays
# silent fails the probe within it.
@pytest.mark.parametrize("fates, header, seconds, success, retries, sent", [
    ([None], None, 9.5, 1, 1, 3), ([None], "0.3", 9.5, 1, 1, 3), ([None], "nan", 9.5, 1, 1, 3),
    ([2, None], "x", 9.5, 1, 1, 3), ([None] * 9, "5.1", 4.6, 0, 2, 3), ([None] * 9, "1.5", 1.0, 0, 0, 1)])
def test_lost_datagrams_are_asked_again_within_the_scrape_time(fates, header, seconds, success, retries, sent):
    # A daemon stand-in: `fates` says of each datagram in turn how many
    # seconds late the documents a daemon wrote answer it, or None when it is
    # lost; the rest are answered at once.
    daemon = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    daemon.bind(("127.0.0.1", 0))
    received = []

    def answer():
        for late in fates + [0] * 9:
            request, sender = daemon.recvfrom(2048)
            received.append(request)
            if late is not None:
                time.sleep(late)
                daemon.sendto(DOCUMENTS[request], sender)
    threading.Thread(target=answer, daemon=True).start()
    probe = Probe("127.0.0.1", daemon.getsockname()[1], probe_seconds(header), {})
    assert (probe.seconds, probe.run()) == (seconds, bool(success))
    found = dict((sample.name, sample.value) for family in probe.collect() for sample in family.samples)
    assert (found["kip_probe_success"], found["kip_probe_retries"], len(received)) == (success, retries, sent)
    assert found["kip_probe_duration_seconds"] <= seconds + 0.2
    # A character's value as get prints it, not its control byte.
    assert not success or {"key": "config:InstallType", "value": "\\x01"} in [s.labels for s in probe.collect()[4].samples]
