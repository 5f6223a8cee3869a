#!/usr/bin/python3
"""Scrapes the exporter as Prometheus would: each of COUNT targets
(127.1.0.1 onwards) every INTERVAL seconds, at an offset of its own, with a
10 s time-out, for SECONDS. Prints one line per scrape: its start (seconds
since the first), duration in seconds, and kip_probe_success (or 'timeout').
  scraper.py EXPORTER_PORT COUNT INTERVAL SECONDS"""
import asyncio
import ipaddress
import random
import sys
import time

FIRST = ipaddress.IPv4Address("127.1.0.1")
TIMEOUT = 10.0


async def scrape(port, target, start):
    began = time.monotonic()
    try:
        reader, writer = await asyncio.wait_for(asyncio.open_connection("127.0.0.1", port), TIMEOUT)
        writer.write(("GET /probe?target=%s HTTP/1.0\r\nX-Prometheus-Scrape-Timeout-Seconds: %g\r\n\r\n"
                      % (target, TIMEOUT)).encode())
        body = await asyncio.wait_for(reader.read(), TIMEOUT - (time.monotonic() - began))
        writer.close()
        success = "1" if b"\nkip_probe_success 1.0\n" in body else "0"
    except (asyncio.TimeoutError, OSError):
        success = "timeout"
    print("%.3f %.3f %s" % (began - start, time.monotonic() - began, success))


async def target_loop(port, target, start, interval, seconds, offset):
    tasks = []
    next_scrape = start + offset
    while next_scrape < start + seconds:
        await asyncio.sleep(next_scrape - time.monotonic())
        tasks.append(asyncio.ensure_future(scrape(port, target, start)))
        next_scrape += interval
    await asyncio.gather(*tasks)


async def main(port, count, interval, seconds):
    start = time.monotonic()
    await asyncio.gather(*(target_loop(port, str(FIRST + n), start, interval, seconds, random.uniform(0, interval))
                           for n in range(count)))


if __name__ == "__main__":
    asyncio.run(main(int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4])))
