#!/usr/bin/env python3
"""Hostile clients of a server on the loopback interface, kept up while the
script runs (a connection the server closes is opened again at once), for the
load measurements in docs/performance.md. Connections come from 127.0.0.2 on,
a few dozen from each address, as from many machines.

  --idle N        connections that never send a byte
  --slow N        connections that send a request's head one byte a second
  --seconds S     how long to keep them up (default 60)
"""
import argparse
import selectors
import socket
import time

HEAD = b"POST /api/play HTTP/1.1\r\nHost: x\r\nContent-Length: 30\r\n" + b"X-Slow: " + b"a" * 4000


def open_connection(port, number, per_address):
    address = "127.0.0.%d" % (2 + number // per_address)
    connection = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    connection.setblocking(False)
    connection.bind((address, 0))
    try:
        connection.connect(("127.0.0.1", port))
    except BlockingIOError:
        pass
    return connection


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("port", type=int)
    parser.add_argument("--idle", type=int, default=0)
    parser.add_argument("--slow", type=int, default=0)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--per-address", type=int, default=50)
    options = parser.parse_args()

    selector = selectors.DefaultSelector()
    slow = {}  # connection -> bytes of the head sent

    def start(number, kind):
        connection = open_connection(options.port, number, options.per_address)
        selector.register(connection, selectors.EVENT_READ, (number, kind))
        if kind == "slow":
            slow[connection] = 0

    for number in range(options.idle):
        start(number, "idle")
    for number in range(options.slow):
        start(options.idle + number, "slow")
    print("hostile: %d idle and %d slow connections open" % (options.idle, options.slow), flush=True)

    end = time.monotonic() + options.seconds
    next_byte = time.monotonic()
    while time.monotonic() < end:
        for key, _ in selector.select(timeout=0.2):
            connection = key.fileobj
            try:
                closed = not connection.recv(65536)
            except (BlockingIOError, InterruptedError):
                closed = False
            except OSError:
                closed = True
            if closed:
                selector.unregister(connection)
                slow.pop(connection, None)
                connection.close()
                start(*key.data)
        if time.monotonic() >= next_byte:
            next_byte += 1
            for connection, sent in list(slow.items()):
                try:
                    connection.send(HEAD[sent % len(HEAD):sent % len(HEAD) + 1])
                    slow[connection] = sent + 1
                except OSError:
                    pass


if __name__ == "__main__":
    main()
