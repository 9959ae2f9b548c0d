#!/usr/bin/env python3
"""A tile server on the loopback interface that misbehaves on purpose, for
trying the map engine's defences by hand and for the measurements in
docs/performance.md. Prints "listening on http://127.0.0.1:PORT" and serves
until interrupted. Every request for any path gets the chosen misbehaviour:

  --huge MB       a 200 answer whose chunked body is MB megabytes of zeros
  --trickle S     a 200 answer whose chunked body is one byte every S seconds
  --html          a 200 answer with an HTML page instead of a picture
  --close         accepts the connection and closes it at once
"""
import argparse
import http.server
import socket
import socketserver
import sys
import time


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    mode = parser.add_mutually_exclusive_group(required=True)
    mode.add_argument("--huge", type=int, metavar="MB")
    mode.add_argument("--trickle", type=float, metavar="S")
    mode.add_argument("--html", action="store_true")
    mode.add_argument("--close", action="store_true")
    parser.add_argument("--port", type=int, default=0)
    options = parser.parse_args()

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *_):
            pass

        def setup(self):
            super().setup()
            if options.close:
                self.connection.close()

        def handle(self):
            if not options.close:
                super().handle()

        def chunk(self, data):
            self.wfile.write(b"%x\r\n%s\r\n" % (len(data), data))

        def do_GET(self):
            self.send_response(200)
            if options.html:
                page = b"<html><body>Please log in to use this network</body></html>"
                self.send_header("Content-Type", "text/html")
                self.send_header("Content-Length", str(len(page)))
                self.end_headers()
                self.wfile.write(page)
                return
            self.send_header("Content-Type", "image/png")
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            try:
                if options.huge is not None:
                    megabyte = bytes(1 << 20)
                    for _ in range(options.huge):
                        self.chunk(megabyte)
                else:
                    while True:
                        self.chunk(b"x")
                        self.wfile.flush()
                        time.sleep(options.trickle)
                self.wfile.write(b"0\r\n\r\n")
            except OSError:
                pass  # the client gave up

    class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
        daemon_threads = True
        address_family = socket.AF_INET

    server = Server(("127.0.0.1", options.port), Handler)
    print(f"listening on http://127.0.0.1:{server.server_address[1]}", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        sys.exit(0)


if __name__ == "__main__":
    main()
