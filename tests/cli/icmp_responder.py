#!/usr/bin/env python3
"""Answers echo requests to 127.0.0.1 (or ::1) with crafted packets (a
helper of crafted_replies.sh and of the ICMPv6 echo tests, run inside their
private network namespace, where the kernel's own echo replies are switched
off).

    icmp_responder.py SCENARIO READY_FILE PID_FILE [ipv6]

It writes READY_FILE once it listens, then answers every echo request it
sees the way SCENARIO says, until it is killed. PID_FILE names the prober,
which the flood holds stopped so that the whole burst is queued at once.
With "ipv6" it answers ICMPv6 requests to ::1; a spoofed sender is ::2,
which the caller puts on the loopback interface."""

import os
import signal
import socket
import struct
import sys
import time


def checksum(data):
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF


def with_checksum(packet, pseudo_header=b""):
    packet = packet[:2] + b"\0\0" + packet[4:]
    return packet[:2] + struct.pack("!H", checksum(pseudo_header + packet)) + packet[4:]


class Ipv4:
    loopback = "127.0.0.1"
    spoofed = "127.0.0.2"
    echo_request, echo_reply = 8, 0
    unreachable = (3, 1)
    time_exceeded = (11, 0)

    def __init__(self):
        self.out = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_RAW)
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)

    def header(self, source, destination, payload_length, protocol=1):
        return struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + payload_length, 0, 0, 64, protocol, 0,
                           socket.inet_aton(source), socket.inet_aton(destination))

    def quoted(self, request, destination, protocol=1):
        """What an error quotes of `request` (its ICMP part) sent to `destination`."""
        return self.header(self.loopback, destination, len(request), protocol) + request[:8]

    def send(self, message, source, keep_checksum):
        message = message if keep_checksum else with_checksum(message)
        packet = self.header(source, self.loopback, len(message)) + message
        self.out.sendto(packet, (self.loopback, 0))

    def receive_request(self):
        packet = self.listener.recv(65536)
        return packet[(packet[0] & 0x0F) * 4:]


class Ipv6:
    loopback = "::1"
    spoofed = "::2"
    echo_request, echo_reply = 128, 129
    unreachable = (1, 3)
    time_exceeded = (3, 0)

    def __init__(self):
        # IPPROTO_RAW: the whole packet is ours, the sender and a wrong
        # checksum included.
        self.out = socket.socket(socket.AF_INET6, socket.SOCK_RAW, socket.IPPROTO_RAW)
        self.listener = socket.socket(socket.AF_INET6, socket.SOCK_RAW, socket.IPPROTO_ICMPV6)

    def header(self, source, destination, payload_length, next_header=58):
        return struct.pack("!IHBB16s16s", 0x60000000, payload_length, next_header, 64,
                           socket.inet_pton(socket.AF_INET6, source),
                           socket.inet_pton(socket.AF_INET6, destination))

    def quoted(self, request, destination, next_header=58):
        return self.header(self.loopback, destination, len(request), next_header) + request

    def send(self, message, source, keep_checksum):
        if not keep_checksum:
            pseudo = (socket.inet_pton(socket.AF_INET6, source) +
                      socket.inet_pton(socket.AF_INET6, self.loopback) +
                      struct.pack("!IxxxB", len(message), 58))
            message = with_checksum(message, pseudo)
        packet = self.header(source, self.loopback, len(message)) + message
        self.out.sendto(packet, (self.loopback, 0))

    def receive_request(self):
        return self.listener.recv(65536)


def icmp(kind, code, rest, body=b""):
    """An ICMP message: type, code, checksum (IPv4's), 4 bytes of `rest`, body."""
    return with_checksum(struct.pack("!BBH", kind, code, 0) + rest + body)


def earlier_request(request, step=1):
    """`request` as it was `step` sequence numbers before."""
    ident, seq = struct.unpack("!HH", request[4:8])
    return request[:4] + struct.pack("!HH", ident, (seq - step) & 0xFFFF) + request[8:]


def read_pid(path):
    for _ in range(100):
        try:
            with open(path) as f:
                return int(f.read())
        except (OSError, ValueError):
            time.sleep(0.01)
    raise SystemExit("no prober named in " + path)


class Responder:
    def __init__(self, scenario, pid_file, family):
        self.scenario = scenario
        self.pid_file = pid_file
        self.family = family
        self.requests = 0

    def send(self, message, source=None, keep_checksum=False):
        self.family.send(message, source or self.family.loopback, keep_checksum)

    def echo_reply(self, ident, seq, payload):
        return icmp(self.family.echo_reply, 0, struct.pack("!HH", ident, seq), payload)

    def error(self, kind_code, request, destination=None, protocol=None):
        """An error about `request` as if it went to `destination`."""
        f = self.family
        quoted = (f.quoted(request, destination or f.loopback) if protocol is None else
                  f.quoted(request, destination or f.loopback, protocol))
        return icmp(kind_code[0], kind_code[1], b"\0\0\0\0", quoted)

    def answer(self, request):
        f = self.family
        ident, seq = struct.unpack("!HH", request[4:8])
        payload = request[8:]
        ours = self.echo_reply(ident, seq, payload)
        first = self.requests == 1
        s = self.scenario
        if s == "reply":
            self.send(ours)
        elif s == "error":
            self.send(self.error(f.unreachable, request))
        elif s == "spoofed":
            self.send(ours, source=f.spoofed)
        elif s == "error-other-destination":
            other = "::3" if f.loopback == "::1" else "127.0.0.3"
            self.send(self.error(f.unreachable, request, other))
        elif s == "error-other-protocol":
            # The quoted header names UDP, with the same bytes after it.
            self.send(self.error(f.unreachable, request, protocol=17))
        elif s == "flood":
            # Far more than the prober's receive queue holds, all queued
            # before it may read any.
            prober = read_pid(self.pid_file)
            os.kill(prober, signal.SIGSTOP)
            try:
                foreign = self.echo_reply(ident ^ 0x5A5A, seq, payload)
                for _ in range(3000):
                    self.send(foreign)
                self.send(ours)
            finally:
                os.kill(prober, signal.SIGCONT)
        elif s == "wrong-identifier":
            self.send(self.echo_reply(ident ^ 1, seq, payload))
        elif s == "wrong-sequence":
            self.send(self.echo_reply(ident, seq ^ 1, payload))
        elif s == "bad-checksum":
            self.send(self.family_checksummed(ours, flip=True), keep_checksum=True)
        elif s == "truncated":
            self.send(ours[:6])
        elif s == "stray-error":
            # Answered, then an error about an earlier request of ours
            # arrives in the pause before the next probe.
            self.send(ours)
            time.sleep(0.05)
            self.send(self.error(f.unreachable, earlier_request(request)))
        elif s == "stray-burst":
            # Answered, then a router's burst of errors about earlier requests.
            self.send(ours)
            for n in range(1, 6):
                self.send(self.error(f.time_exceeded, earlier_request(request, n)))
        elif s == "duplicate":
            # The first probe is answered twice, the second copy while the
            # second probe waits; the second probe is not answered.
            if first:
                self.send(ours)
                time.sleep(0.3)
                self.send(ours)
        elif s == "late":
            # The first probe's answer comes after it timed out, while the
            # second probe waits; the second probe is not answered.
            if first:
                time.sleep(1.7)
                self.send(ours)
        else:
            raise SystemExit("unknown scenario " + s)

    def family_checksummed(self, message, flip):
        """`message` with the checksum its family's receiver expects, one bit
        off when `flip`."""
        pseudo = b""
        if isinstance(self.family, Ipv6):
            pseudo = (socket.inet_pton(socket.AF_INET6, self.family.loopback) * 2 +
                      struct.pack("!IxxxB", len(message), 58))
        message = with_checksum(message, pseudo)
        value = struct.unpack("!H", message[2:4])[0] ^ (1 if flip else 0)
        return message[:2] + struct.pack("!H", value) + message[4:]


def main():
    scenario, ready, pid_file = sys.argv[1:4]
    family = Ipv6() if sys.argv[4:5] == ["ipv6"] else Ipv4()
    responder = Responder(scenario, pid_file, family)
    open(ready, "w").close()
    while True:
        request = family.receive_request()
        if len(request) < 8 or request[0] != family.echo_request:
            continue
        responder.requests += 1
        responder.answer(request)


if __name__ == "__main__":
    main()
