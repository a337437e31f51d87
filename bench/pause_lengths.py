#!/usr/bin/env python3
"""Runs an ICMP probe command (tavro /c N /d MS ...) under strace and prints,
tab separated, the number of pauses between its probes and the shortest,
median and longest in milliseconds (three decimals). A pause runs from the
return of the receive that brought a reply to the send of the next request,
as the kernel saw the calls: an upper bound of where the program's pause
begins and a lower bound of where it ends, so a pause shorter than asked
shows here as shorter too.
    pause_lengths.py COMMAND..."""
import re
import subprocess
import sys
import tempfile

# 1765000000.123456 recvmsg(3, {...}, MSG_DONTWAIT) = 64 <0.000012>
CALL = re.compile(r"^(\d+\.\d+) (\w+)\(.*\) = (-?\d+).*<(\d+\.\d+)>$")

with tempfile.NamedTemporaryFile(mode="r", suffix=".strace") as trace:
    # The probes run on the main thread, the only one strace follows here.
    subprocess.run(["strace", "-ttt", "-T", "-e", "trace=sendto,recvmsg", "-o", trace.name] +
                   sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   check=False)
    lines = trace.read().splitlines()

pauses = []
reply_end = None
for line in lines:
    match = CALL.match(line)
    if not match:
        continue
    at, call, result, took = float(match[1]), match[2], int(match[3]), float(match[4])
    if call == "recvmsg" and result > 0:
        reply_end = at + took
    elif call == "sendto" and reply_end is not None:
        pauses.append((at - reply_end) * 1000.0)
        reply_end = None
if not pauses:
    sys.exit("no pause between two probes in the trace")
pauses.sort()
print("%d\t%.3f\t%.3f\t%.3f" % (len(pauses), pauses[0], pauses[len(pauses) // 2], pauses[-1]))
