# Imports the exporter and the collection's protocol library from the
# repository, and gives tests a unit on loopback that answers as the daemon
# does, with the documents a daemon wrote (dor.xml, lun.xml).
import pathlib
import socket
import sys
import threading

import pytest

HERE = pathlib.Path(__file__).resolve().parent
sys.path[0:0] = [str(HERE.parent), str(HERE.parents[1] / "plugins")]

DOCUMENTS = {b"<ParamMessage><QueryType>%s</QueryType></ParamMessage>" % query: (HERE / name).read_bytes()
             for query, name in ((b"DOR", "dor.xml"), (b"LUN", "lun.xml"))}


class FakeUnit(object):
    """Answers each query it keeps; `drop` says of each datagram in turn
    whether it is lost (the rest are kept). `received` holds every datagram."""

    def __init__(self, drop=()):
        self.drop = list(drop)
        self.received = []
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind(("127.0.0.1", 0))
        self.port = self.sock.getsockname()[1]
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        while True:
            try:
                request, sender = self.sock.recvfrom(2048)
            except OSError:
                return
            self.received.append(request)
            if not (self.drop and self.drop.pop(0)):
                self.sock.sendto(DOCUMENTS.get(request, b"Invalid query parameter.\n"), sender)


@pytest.fixture
def unit():
    fake = FakeUnit()
    yield fake
    fake.sock.close()
