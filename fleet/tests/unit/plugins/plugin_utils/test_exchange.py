# The exchange against a daemon stand-in on the loopback.
import socket
import threading
import time

import pytest

from ansible_collections.kip.param.plugins.plugin_utils.exchange import ExchangeError, NoReply, exchange


def test_a_late_reply_to_an_earlier_try_is_the_answer():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as daemon:
        daemon.bind(("127.0.0.1", 0))

        def answer_late():  # the first datagram only, 0.3 s late: after the next try left
            request, sender = daemon.recvfrom(2048)
            time.sleep(0.3)
            daemon.sendto(b"reply to " + request, sender)
        threading.Thread(target=answer_late).start()
        assert exchange("127.0.0.1", daemon.getsockname()[1], b"DOR", lambda reply: reply.startswith(b"reply"),
                        0.2, 3) == (b"reply to DOR", 2)


DEAF = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)  # bound, and never answers
DEAF.bind(("127.0.0.1", 0))


# Silence names its likely causes after every try; a host that is no address
# is refused before sending.
@pytest.mark.parametrize("host, error", [
    ("127.0.0.1", r"after 3 tries in 0.3 s \(.*allow-list \(--allow\) hold this control node"),
    ("10.77.1.300", "'10.77.1.300' is not an IPv4 address"), ("10.1", "'10.1' is not an IPv4 address"),
    ("unit001.invalid", "cannot resolve host 'unit001.invalid'")])
def test_what_gets_no_answer_says_why(host, error):
    with pytest.raises((ExchangeError, NoReply), match=error):
        exchange(host, DEAF.getsockname()[1], b"DOR", bool, 0.1, 2)
