#!/usr/bin/env python3
"""A DNS server one network hop away, for benchmarks in the test world: a UDP
forwarder that passes each query to the real server at once and holds each
answer back for DELAY_MS before returning it, as a resolver with that round
trip would. Queries are renumbered on the way up, so that two clients'
equal ids cannot cross. Usage:
  slow_dns.py LISTEN_ADDRESS UPSTREAM_ADDRESS DELAY_MS"""
import heapq
import itertools
import selectors
import socket
import sys
import time

listen_address, upstream_address, delay = sys.argv[1], sys.argv[2], float(sys.argv[3]) / 1000.0
server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
server.bind((listen_address, 53))
upstream = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
upstream.connect((upstream_address, 53))
selector = selectors.DefaultSelector()
selector.register(server, selectors.EVENT_READ)
selector.register(upstream, selectors.EVENT_READ)

ids = itertools.cycle(range(65536))
asked = {}   # our id -> (client's id, client's address)
held = []    # (due, sequence, answer, address)
sequence = itertools.count()

while True:
    timeout = max(0.0, held[0][0] - time.monotonic()) if held else None
    for key, _ in selector.select(timeout):
        if key.fileobj is server:
            query, client = server.recvfrom(4096)
            if len(query) < 12:
                continue
            ours = next(ids)
            asked[ours] = (query[:2], client)
            upstream.send(ours.to_bytes(2, "big") + query[2:])
        else:
            answer = upstream.recv(4096)
            entry = asked.pop(int.from_bytes(answer[:2], "big"), None) if len(answer) >= 12 else None
            if entry is not None:
                heapq.heappush(held, (time.monotonic() + delay, next(sequence),
                                      entry[0] + answer[2:], entry[1]))
    now = time.monotonic()
    while held and held[0][0] <= now:
        _, _, answer, client = heapq.heappop(held)
        server.sendto(answer, client)
