#!/usr/bin/env python3
"""Answers echo requests to 127.0.0.1 with crafted packets (a helper of
crafted_replies.sh, run inside its private network namespace, where the
kernel's own echo replies are switched off).

    icmp_responder.py SCENARIO READY_FILE PID_FILE

It writes READY_FILE once it listens, then answers every echo request it
sees the way SCENARIO says, until it is killed. PID_FILE names the prober,
which the flood holds stopped so that the whole burst is queued at once."""

import os
import signal
import socket
import struct
import sys
import time

LOOPBACK = "127.0.0.1"


def checksum(data):
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF


def icmp(kind, code, rest, body=b""):
    """An ICMP message: type, code, checksum, 4 bytes of `rest`, body."""
    packet = struct.pack("!BBH", kind, code, 0) + rest + body
    return packet[:2] + struct.pack("!H", checksum(packet)) + packet[4:]


def ip_header(source, destination, payload_length, protocol=1):
    return struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + payload_length, 0, 0, 64, protocol, 0,
                       socket.inet_aton(source), socket.inet_aton(destination))


def echo_reply(ident, seq, payload):
    return icmp(0, 0, struct.pack("!HH", ident, seq), payload)


def quoting_error(kind, code, request, destination):
    """An error about `request` (its ICMP part) as if it went to `destination`."""
    quoted = ip_header(LOOPBACK, destination, len(request)) + request[:8]
    return icmp(kind, code, b"\0\0\0\0", quoted)


def read_pid(path):
    for _ in range(100):
        try:
            with open(path) as f:
                return int(f.read())
        except (OSError, ValueError):
            time.sleep(0.01)
    raise SystemExit("no prober named in " + path)


class Responder:
    def __init__(self, scenario, pid_file):
        self.scenario = scenario
        self.pid_file = pid_file
        self.requests = 0
        self.out = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_RAW)

    def send(self, message, source=LOOPBACK):
        packet = ip_header(source, LOOPBACK, len(message)) + message
        self.out.sendto(packet, (LOOPBACK, 0))

    def answer(self, request):
        ident, seq = struct.unpack("!HH", request[4:8])
        payload = request[8:]
        ours = echo_reply(ident, seq, payload)
        first = self.requests == 1
        s = self.scenario
        if s == "reply":
            self.send(ours)
        elif s == "error":
            self.send(quoting_error(3, 1, request, LOOPBACK))
        elif s == "spoofed":
            self.send(ours, source="127.0.0.2")
        elif s == "error-other-destination":
            self.send(quoting_error(3, 1, request, "127.0.0.3"))
        elif s == "error-other-protocol":
            message = quoting_error(3, 1, request, LOOPBACK)
            # The quoted header's protocol byte: UDP, with the same bytes after it.
            message = message[:8 + 9] + b"\x11" + message[8 + 10:]
            message = message[:2] + b"\0\0" + message[4:]
            self.send(message[:2] + struct.pack("!H", checksum(message)) + message[4:])
        elif s == "flood":
            # Far more than the prober's receive queue holds, all queued
            # before it may read any.
            prober = read_pid(self.pid_file)
            os.kill(prober, signal.SIGSTOP)
            try:
                foreign = echo_reply(ident ^ 0x5A5A, seq, payload)
                for _ in range(3000):
                    self.send(foreign)
                self.send(ours)
            finally:
                os.kill(prober, signal.SIGCONT)
        elif s == "wrong-identifier":
            self.send(echo_reply(ident ^ 1, seq, payload))
        elif s == "wrong-sequence":
            self.send(echo_reply(ident, seq ^ 1, payload))
        elif s == "bad-checksum":
            self.send(ours[:2] + struct.pack("!H", (struct.unpack("!H", ours[2:4])[0] ^ 1)) +
                      ours[4:])
        elif s == "truncated":
            self.send(ours[:6])
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


def main():
    scenario, ready, pid_file = sys.argv[1:4]
    listener = socket.socket(socket.AF_INET, socket.SOCK_RAW, socket.IPPROTO_ICMP)
    responder = Responder(scenario, pid_file)
    open(ready, "w").close()
    while True:
        packet = listener.recv(65536)
        header_length = (packet[0] & 0x0F) * 4
        request = packet[header_length:]
        if len(request) < 8 or request[0] != 8:
            continue
        responder.requests += 1
        responder.answer(request)


if __name__ == "__main__":
    main()
