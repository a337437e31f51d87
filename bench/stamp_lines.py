#!/usr/bin/env python3
"""Runs the command given as arguments and copies its output (stderr joined
to stdout), each line prefixed with the milliseconds since the command was
started (three decimals), so a benchmark can see when each probe line
appeared. Starting the command from here keeps this interpreter's own
start-up out of the figures. Lines end with LF; a CR before it is dropped."""
import subprocess
import sys
import time

start = time.monotonic()
child = subprocess.Popen(sys.argv[1:], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
for raw in child.stdout:
    line = raw.rstrip(b"\n").rstrip(b"\r").decode("latin-1")
    sys.stdout.write("%.3f %s\n" % ((time.monotonic() - start) * 1000.0, line))
    sys.stdout.flush()
child.wait()
