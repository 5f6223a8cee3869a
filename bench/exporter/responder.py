#!/usr/bin/python3
"""Simulated units for the exporter's benchmark: COUNT UDP sockets on
127.1.0.1 onwards, port 3180, in one process. Each answers as the daemon
does: it takes one datagram a second, at a phase of its own, and replies to
a DOR or LUN query with the document given, to any other query with the
daemon's refusal. Prints how many datagrams it took and how many were not
queries when it gets SIGTERM.
  responder.py COUNT DOR_FILE LUN_FILE"""
import heapq
import ipaddress
import random
import selectors
import signal
import socket
import sys
import time

FIRST = ipaddress.IPv4Address("127.1.0.1")


def main(count, dor, lun):
    replies = {b"<ParamMessage><QueryType>DOR</QueryType></ParamMessage>": open(dor, "rb").read(),
               b"<ParamMessage><QueryType>LUN</QueryType></ParamMessage>": open(lun, "rb").read()}
    selector = selectors.EpollSelector()
    phase = {}
    for n in range(count):
        sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        sock.setblocking(False)
        sock.bind((str(FIRST + n), 3180))
        selector.register(sock, selectors.EVENT_READ)
        phase[sock] = random.random()
    due = []  # (time of the unit's next poll, fd, socket): its queue holds something
    taken = not_queries = 0
    stopping = []
    signal.signal(signal.SIGTERM, lambda *_: stopping.append(1))
    while not stopping:
        now = time.monotonic()
        wait = max(due[0][0] - now, 0) if due else 1.0
        for key, _ in selector.select(min(wait, 1.0)):
            selector.unregister(key.fileobj)
            poll = now + (phase[key.fileobj] - now) % 1.0
            heapq.heappush(due, (poll, key.fd, key.fileobj))
        now = time.monotonic()
        while due and due[0][0] <= now:
            poll, _, sock = heapq.heappop(due)
            try:
                request, sender = sock.recvfrom(2048)
            except BlockingIOError:
                selector.register(sock, selectors.EVENT_READ)
                continue
            taken += 1
            if b"<QueryType>" not in request:
                not_queries += 1
            else:
                sock.sendto(replies.get(request, b"Invalid query parameter.\n"), sender)
            heapq.heappush(due, (poll + 1.0, sock.fileno(), sock))
    print("responder: %d datagrams taken, %d not queries" % (taken, not_queries))


if __name__ == "__main__":
    main(int(sys.argv[1]), sys.argv[2], sys.argv[3])
