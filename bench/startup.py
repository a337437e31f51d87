#!/usr/bin/env python3
"""Start-up of several commands, measured by turns so that a change in the
machine's load falls on all of them alike. Usage:
  startup.py RUNS 'COMMAND ARGS' 'COMMAND ARGS' ...
Prints, per command, the median and the 10th percentile wall time of one run
in microseconds (process creation included, the same for every command)."""
import shlex
import statistics
import subprocess
import sys
import time

runs = int(sys.argv[1])
commands = [shlex.split(c) for c in sys.argv[2:]]
times = [[] for _ in commands]
for _ in range(runs):
    for i, command in enumerate(commands):
        begin = time.perf_counter()
        subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times[i].append((time.perf_counter() - begin) * 1e6)
for command, samples in zip(sys.argv[2:], times):
    samples.sort()
    print("%s\t%.0f\t%.0f" % (command, statistics.median(samples), samples[len(samples) // 10]))
