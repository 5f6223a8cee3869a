"""One request to a unit's daemon over UDP, tried again on loss.

All tries of one request go out from one socket, a try every `timeout`
seconds, and a reply to any of them is the answer: the daemon answers the
same request the same way, and a reply that comes late (the daemon polls
once a second) still saves the next try. Each request has a socket of its
own, so a late reply to an earlier request reaches a closed port instead of
being read as the answer to this one; a reply counts only when it comes from
the daemon's address and has the shape its request asks for.
"""
import re
import socket
import time

# The likely causes of silence, named in every "no reply" message. A unit
# whose allow-list leaves the control node out drops its datagrams unanswered.
SILENCE_CAUSES = "is the unit up, is the address right, and does the unit's allow-list (--allow) hold this control node?"
_DOTTED_DIGITS = re.compile(r"[0-9.]+\Z")


class NoReply(Exception):
    """The unit did not answer: every one of `tries` went unanswered."""

    def __init__(self, message, tries):
        Exception.__init__(self, message)
        self.tries = tries


class ExchangeError(Exception):
    """The request could not be sent at all (a name that does not resolve)."""


def address(host, port):
    """The daemon's (address, port); ExchangeError for a host that is no
    IPv4 address and no name that resolves to one."""
    if _DOTTED_DIGITS.match(host):
        parts = host.split(".")
        if len(parts) != 4 or any(not part or int(part) > 255 for part in parts):
            raise ExchangeError("'%s' is not an IPv4 address" % host)
        return ".".join(str(int(part)) for part in parts), port
    try:
        return socket.getaddrinfo(host, port, socket.AF_INET, socket.SOCK_DGRAM)[0][4]
    except (OSError, UnicodeError) as error:
        raise ExchangeError("cannot resolve host '%s': %s" % (host, error))


def _replies(sock, to, deadline):
    """The datagrams that come to `sock` from `to` until `deadline`."""
    while True:
        left = deadline - time.monotonic()
        if left <= 0:
            return
        sock.settimeout(left)
        try:
            reply, sender = sock.recvfrom(65535)
        except socket.timeout:
            return
        if sender == to:
            yield reply


def exchange(host, port, request, fits, timeout, retries):
    """Sends `request` up to 1 + `retries` times, one try every `timeout`
    seconds, and waits `timeout` after the last: at most (1 + `retries`) x
    `timeout` seconds in all.

    Returns (reply, tries); raises NoReply when every try went unanswered.
    """
    to = address(host, port)
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        for tries in range(1, retries + 2):
            try:
                sock.sendto(request, to)
            except OSError as error:
                raise ExchangeError("cannot send to %s:%d: %s" % (host, port, error))
            for reply in _replies(sock, to, time.monotonic() + timeout):
                if fits(reply):
                    return reply, tries
    raise NoReply("no reply from %s:%d after %d tries in %g s (%s)"
                  % (host, port, retries + 1, (retries + 1) * timeout, SILENCE_CAUSES), retries + 1)


def watch(host, port, first, probe, kinds, finished, interval, limit):
    """Sends `first`, then `probe` at once and again every `interval`
    seconds (or `interval(seconds since first)` when it is a function), all
    from one socket, and records each reply from the daemon's address that
    one of `kinds` (name -> shape test) accepts, as (seconds since `first`,
    name, reply), until `finished(events)` or `limit` seconds. Returns the
    events and the number of datagrams sent."""
    to = address(host, port)
    events = []
    start = next_send = time.monotonic()
    sent = 0
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        while not finished(events) and time.monotonic() - start < limit:
            try:
                sock.sendto(probe if sent else first, to)
            except OSError as error:
                raise ExchangeError("cannot send to %s:%d: %s" % (host, port, error))
            if sent:
                next_send += interval(next_send - start) if callable(interval) else interval
            sent += 1
            for reply in _replies(sock, to, min(next_send, start + limit)):
                kind = [name for name, fits in kinds.items() if fits(reply)]
                if kind:
                    events.append((time.monotonic() - start, kind[0], reply))
                if finished(events):
                    break
    return events, sent
