# The exchange against a daemon stand-in on the loopback.
import socket
import threading
import time

import pytest

from ansible_collections.kip.param.plugins.plugin_utils.exchange import ExchangeError, NoReply, exchange


@pytest.fixture
def daemon():
    # Answers only the first datagram, 0.3 s late: after the next try left.
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        sock.bind(("127.0.0.1", 0))

        def answer_late():
            request, sender = sock.recvfrom(2048)
            time.sleep(0.3)
            sock.sendto(b"reply to " + request, sender)
        thread = threading.Thread(target=answer_late)
        thread.start()
        yield sock.getsockname()[1]
        thread.join()


def test_a_late_reply_to_an_earlier_try_is_the_answer(daemon):
    assert exchange("127.0.0.1", daemon, b"DOR", lambda reply: reply.startswith(b"reply"), 0.2, 3) == (b"reply to DOR", 2)


def test_silence_names_its_likely_causes_after_every_try():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as deaf:
        deaf.bind(("127.0.0.1", 0))
        start = time.monotonic()
        with pytest.raises(NoReply, match=r"after 3 tries in 0.3 s \(.*allow-list \(--allow\) hold this control node"):
            exchange("127.0.0.1", deaf.getsockname()[1], b"DOR", bool, 0.1, 2)
        assert 0.3 <= time.monotonic() - start < 2


@pytest.mark.parametrize("host, error", [
    ("10.77.1.300", "'10.77.1.300' is not an IPv4 address"), ("10.1", "'10.1' is not an IPv4 address"),
    ("unit001.invalid", "cannot resolve host 'unit001.invalid'")])
def test_a_host_that_is_no_address_is_refused_before_sending(host, error):
    with pytest.raises(ExchangeError, match=error):
        exchange(host, 3180, b"DOR", bool, 0.1, 0)
