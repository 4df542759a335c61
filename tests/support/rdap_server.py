#!/usr/bin/env python3
"""A small RDAP server for tests: answers GET .../domain/NAME from a folder.

NAME.json        200 with that body (application/rdap+json)
NAME.429         "COUNT SECONDS": the first COUNT questions get 429, with Retry-After SECONDS
                 ("-" for none)
NAME.slow        "SECONDS": waits that long before answering
NAME.status      "CODE [PHRASE]": answers with that HTTP status (and reason phrase), empty body
NAME.redirect    "CODE LOCATION": answers with that redirect, unless LOCATION is what was asked
NAME.forever     anything: a chunked body that never ends
NAME.drip        "SECONDS": a 1000-byte body, one byte every SECONDS
NAME.cut         a body that ends 1000 bytes before its Content-Length, then the connection closes
NAME.reset       a body cut off at half its Content-Length by a connection reset
otherwise        404 with an RDAP error object

Any other path is a file, FILE its last part: FILE itself is the body of a 200 answer, and
FILE.slow, FILE.status and FILE.redirect apply as above; FILE.modified holds its Last-Modified
date, and a request whose If-Modified-Since is not older gets 304.

Every request is logged to --log as it arrives: "MONOTONIC_SECONDS PATH<TAB>IF_MODIFIED_SINCE".
"""

import argparse
import json
import os
import socket
import struct
import threading
import time
from email.utils import parsedate_to_datetime
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

lock = threading.Lock()
throttled = {}


def read(root, name, suffix):
    path = os.path.join(root, name + suffix)
    if not os.path.isfile(path):
        return None
    with open(path, "rb") as f:
        return f.read()


def not_older(since, modified):
    """Whether the HTTP date since is at or after modified; False when either is unreadable."""
    try:
        return parsedate_to_datetime(since) >= parsedate_to_datetime(modified)
    except (TypeError, ValueError):
        return False


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        root = self.server.root
        marker = "/domain/"
        at = self.path.find(marker)
        plain = at < 0
        name = self.path[at + len(marker):].lower() if at >= 0 else self.path.rsplit("/", 1)[-1]
        if "/" in name or name.startswith("."):
            name = ""
        since = self.headers.get("If-Modified-Since", "")
        with lock:
            with open(self.server.log, "a") as log:
                log.write("%.6f %s\t%s\n" % (time.monotonic(), self.path, since))
        if name and self.misbehave(root, name):
            self.close_connection = True
            return
        status, body, headers = self.answer(root, name, plain, since)
        code, phrase = status if isinstance(status, tuple) else (status, None)
        self.send_response(code, phrase)
        self.send_header("Content-Type", "application/rdap+json")
        self.send_header("Content-Length", str(len(body)))
        for key, value in headers:
            self.send_header(key, value)
        self.end_headers()
        self.wfile.write(body)

    def misbehave(self, root, name):
        """The hostile answers; True when one was given."""
        try:
            if read(root, name, ".forever") is not None:
                self.start(200, [("Transfer-Encoding", "chunked")])
                start = b'{"objectClassName": "domain", "ldhName": "'
                self.wfile.write(b"%x\r\n%s\r\n" % (len(start), start))
                chunk = b"%x\r\n%s\r\n" % (65536, b"a" * 65536)
                while True:
                    self.wfile.write(chunk)
            drip = read(root, name, ".drip")
            if drip is not None:
                self.start(200, [("Content-Length", "1000")])
                for _ in range(1000):
                    self.wfile.write(b" ")
                    self.wfile.flush()
                    time.sleep(float(drip))
                return True
            for suffix in (".cut", ".reset"):
                body = read(root, name, suffix)
                if body is None:
                    continue
                promised = len(body) + 1000 if suffix == ".cut" else 2 * len(body)
                self.start(200, [("Content-Length", str(promised))])
                self.wfile.write(body)
                self.wfile.flush()
                if suffix == ".reset":
                    self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                               struct.pack("ii", 1, 0))
                self.connection.close()
                return True
        except OSError:
            return True  # the client hung up
        redirect = read(root, name, ".redirect")
        if redirect is not None and redirect.decode().split()[1] != self.path:
            code, location = redirect.decode().split()
            self.start(int(code), [("Location", location), ("Content-Length", "0")])
            return True
        return False

    def start(self, status, headers):
        self.send_response(status)
        self.send_header("Content-Type", "application/rdap+json")
        for key, value in headers:
            self.send_header(key, value)
        self.end_headers()

    def answer(self, root, name, plain=False, since=""):
        if not name:
            return 400, b"", []
        slow = read(root, name, ".slow")
        if slow is not None:
            time.sleep(float(slow))
        rule = read(root, name, ".429")
        if rule is not None:
            count, seconds = rule.decode().split()
            with lock:
                seen = throttled.get(name, 0)
                throttled[name] = seen + 1
            if seen < int(count):
                return 429, b"", [] if seconds == "-" else [("Retry-After", seconds)]
        status = read(root, name, ".status")
        if status is not None:
            code, _, phrase = status.decode().partition(" ")
            return (int(code), phrase) if phrase else int(code), b"", []
        modified = read(root, name, ".modified") if plain else None
        if modified is not None and since and not_older(since, modified.decode().strip()):
            return 304, b"", []
        body = read(root, name, "" if plain else ".json")
        if body is not None:
            return 200, body, [] if modified is None else [("Last-Modified", modified.decode().strip())]
        error = {"errorCode": 404, "title": "Not Found", "description": ["No such domain"]}
        return 404, json.dumps(error).encode(), []

    def log_message(self, *args):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bind", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--log", required=True)
    args = parser.parse_args()
    server = ThreadingHTTPServer((args.bind, args.port), Handler)
    server.daemon_threads = True
    server.root = args.root
    server.log = args.log
    print("ready", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
