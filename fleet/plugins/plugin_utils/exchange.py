"""One request to a unit's daemon over UDP, tried again on loss.

Each try uses a fresh socket, so a late reply to an earlier try reaches a
closed port instead of being read as the answer to this one; a reply counts
only when it comes from the daemon's address and has the shape its request
asks for. The wait doubles with each try: a unit on a slow link that answers
late gets the time on the next.
"""
import socket
import time


class NoReply(Exception):
    """The unit did not answer: every one of `tries` went unanswered."""

    def __init__(self, message, tries):
        Exception.__init__(self, message)
        self.tries = tries


class ExchangeError(Exception):
    """The request could not be sent at all (a name that does not resolve)."""


def _address(host, port):
    try:
        return socket.getaddrinfo(host, port, socket.AF_INET, socket.SOCK_DGRAM)[0][4]
    except (OSError, UnicodeError) as error:
        raise ExchangeError("cannot resolve host '%s': %s" % (host, error))


def _one_try(address, request, fits, wait):
    deadline = time.monotonic() + wait
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        sock.sendto(request, address)
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            sock.settimeout(left)
            try:
                reply, sender = sock.recvfrom(65535)
            except socket.timeout:
                return None
            if sender == address and fits(reply):
                return reply


def exchange(host, port, request, fits, timeout, retries):
    """Sends `request` up to 1 + `retries` times, waiting `timeout` seconds
    for the first reply and twice as long on each further try.

    Returns (reply, tries); raises NoReply when every try went unanswered.
    """
    address = _address(host, port)
    wait = timeout
    for tries in range(1, retries + 2):
        try:
            reply = _one_try(address, request, fits, wait)
        except OSError as error:
            raise ExchangeError("cannot send to %s:%d: %s" % (host, port, error))
        if reply is not None:
            return reply, tries
        wait *= 2
    raise NoReply("no reply from %s:%d after %d tries" % (host, port, retries + 1), retries + 1)


def watch(host, port, first, probe, kinds, finished, interval, limit):
    """Sends `first`, then `probe` every `interval` seconds, all from one
    socket, and records each reply from the daemon's address that one of
    `kinds` (name -> shape test) accepts, as (seconds since `first`, name),
    until `finished(events)` or `limit` seconds. Returns the events and the
    number of datagrams sent."""
    address = _address(host, port)
    events = []
    start = time.monotonic()
    next_probe = start + interval
    sent = 1
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        sock.sendto(first, address)
        while not finished(events):
            now = time.monotonic()
            if now - start >= limit:
                break
            if now >= next_probe:
                sock.sendto(probe, address)
                sent += 1
                next_probe += interval
            sock.settimeout(max(min(next_probe, start + limit) - now, 0.001))
            try:
                reply, sender = sock.recvfrom(65535)
            except socket.timeout:
                continue
            kind = [name for name, fits in kinds.items() if fits(reply)] if sender == address else []
            if kind:
                events.append((time.monotonic() - start, kind[0]))
    return events, sent
