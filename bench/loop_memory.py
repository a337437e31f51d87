#!/usr/bin/env python3
"""Runs a loop-mode command (tavro /l ...) until it has printed PROBES reply
lines, interrupts it with SIGINT and reads on to its summary. Prints, tab
separated: the reply lines before the interrupt, the milliseconds they took,
the peak resident memory of the process in KiB (GNU time's figure, so the
summary's own work is counted), the milliseconds from the interrupt to the
summary's "Average:" line, and the exit status.
    loop_memory.py PROBES COMMAND..."""
import os
import signal
import subprocess
import sys
import tempfile
import time

probes = int(sys.argv[1])
# The command runs under GNU time, which ignores SIGINT and reports the peak
# of its child alone. A child of this interpreter would not do: its peak
# starts at the interpreter's own, which the exec does not reset.
figures = tempfile.NamedTemporaryFile(mode="r", suffix=".time")
timer = subprocess.Popen(["/usr/bin/time", "-o", figures.name, "-f", "%M"] + sys.argv[2:],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, bufsize=1 << 20)
start = time.monotonic()
replies = 0
for line in timer.stdout:
    if line.startswith(b"Reply from"):
        replies += 1
        if replies >= probes:
            break
elapsed = time.monotonic() - start
with open("/proc/%d/task/%d/children" % (timer.pid, timer.pid)) as children:
    command = int(children.read().split()[0])
interrupted = time.monotonic()
os.kill(command, signal.SIGINT)
summary = None
for line in timer.stdout:
    if line.startswith(b"Average:"):
        summary = time.monotonic() - interrupted
        break
timer.stdout.read()
timer.wait()
# The last line is the figure; GNU time exits with the command's status.
peak = figures.read().split()[-1]
status = timer.returncode
print("%d\t%d\t%s\t%s\t%d" % (replies, elapsed * 1000, peak,
                              "-" if summary is None else "%.1f" % (summary * 1000), status))
