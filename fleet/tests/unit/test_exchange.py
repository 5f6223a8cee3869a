import socket
import threading

import pytest

from ansible_collections.kip.param.plugins.module_utils.exchange import NoReply, exchange


def serve(answer):
    """A daemon on a local port: `answer(try number, request, sender,
    socket)` replies as it likes. Returns the port."""
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("127.0.0.1", 0))
    sock.settimeout(5)

    def loop():
        with sock:
            for number in range(1, 10):
                try:
                    request, sender = sock.recvfrom(2048)
                except socket.timeout:
                    return
                answer(number, request, sender, sock)
    threading.Thread(target=loop, daemon=True).start()
    return sock.getsockname()[1]


def test_a_dropped_first_try_is_tried_again_from_a_fresh_socket():
    senders = []

    def answer(number, request, sender, sock):
        senders.append(sender)
        if number > 1:
            sock.sendto(b"reply to " + request, sender)
    port = serve(answer)
    assert exchange("127.0.0.1", port, b"ask", lambda r: True, 0.2, 2) == (b"reply to ask", 2)
    assert senders[0] != senders[1]


def test_stray_replies_are_ignored():
    def answer(number, request, sender, sock):
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as other:
            other.sendto(b"good, but from elsewhere", sender)
        sock.sendto(b"late document", sender)
        sock.sendto(b"good", sender)
    port = serve(answer)
    assert exchange("127.0.0.1", port, b"ask", lambda r: r.startswith(b"good"), 1, 0) == (b"good", 1)


def test_a_silent_unit_is_no_reply_after_every_try():
    port = serve(lambda *unused: None)
    with pytest.raises(NoReply, match="no reply from 127.0.0.1:%d after 3 tries" % port):
        exchange("127.0.0.1", port, b"ask", lambda r: True, 0.05, 2)
