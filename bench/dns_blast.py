#!/usr/bin/env python3
"""The floor under any resolver, for bench/resolve_queue.sh: COUNT bare DNS
queries for NAME (type A) written to SERVER at once on one socket, timed
until every answer has been read; no hosts file, no sorting, no events.
Prints the median of RUNS such blasts in microseconds. Usage:
  dns_blast.py SERVER NAME COUNT RUNS"""
import socket
import statistics
import struct
import sys
import time

server, name, count, runs = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
question = b"".join(bytes([len(p)]) + p.encode() for p in name.split(".")) + b"\0"
queries = [struct.pack(">HHHHHH", i, 0x0100, 1, 0, 0, 0) + question + struct.pack(">HH", 1, 1)
           for i in range(count)]
times = []
for _ in range(runs):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.settimeout(5)
    s.connect((server, 53))
    begin = time.perf_counter()
    for query in queries:
        s.send(query)
    for _ in queries:
        s.recv(4096)
    times.append((time.perf_counter() - begin) * 1e6)
    s.close()
print("%.0f" % statistics.median(times))
