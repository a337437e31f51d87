#!/usr/bin/env python3
"""A loopback listener that accepts and closes each connection at once, and
a reference client. Usage:
  tcp_listener.py serve PORTFILE        listen on 127.0.0.1, port written to PORTFILE
  tcp_listener.py connect PORT N PAUSE  N connects PAUSE ms apart; prints each
                                        connect time in ms"""
import socket
import sys
import time

if sys.argv[1] == "serve":
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(4096)
    with open(sys.argv[2], "w") as f:
        f.write("%d\n" % server.getsockname()[1])
    while True:
        server.accept()[0].close()
else:
    port, count, pause = int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
    for i in range(count):
        if i:
            time.sleep(pause / 1000.0)
        s = socket.socket()
        begin = time.monotonic()
        s.connect(("127.0.0.1", port))
        print("%.3f" % ((time.monotonic() - begin) * 1000.0), flush=True)
        s.close()
