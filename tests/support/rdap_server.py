#!/ usr / bin / env python3
"""A small RDAP server for tests: answers GET .../domain/NAME from a folder.

NAME.json        200 with that body (application/rdap+json)
NAME.429         "COUNT SECONDS": the first COUNT questions get 429, with Retry-After SECONDS
                 ("-" for none)
NAME.slow        "SECONDS": waits that long before answering
NAME.status      "CODE": answers with that HTTP status and an empty body
otherwise        404 with an RDAP error object

Every request is logged to --log as it arrives: "MONOTONIC_SECONDS PATH".
"""

import argparse
import json
import os
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

lock = threading.Lock()
throttled = {}


def read(root, name, suffix):
    path = os.path.join(root, name + suffix)
    if not os.path.isfile(path):
        return None
    with open(path, "rb") as f:
        return f.read()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        root = self.server.root
        marker = "/domain/"
        at = self.path.find(marker)
        name = self.path[at + len(marker):].lower() if at >= 0 else ""
        if "/" in name or name.startswith("."):
            name = ""
        with lock:
            with open(self.server.log, "a") as log:
                log.write("%.6f %s\n" % (time.monotonic(), self.path))
        status, body, headers = self.answer(root, name)
        self.send_response(status)
        self.send_header("Content-Type", "application/rdap+json")
        self.send_header("Content-Length", str(len(body)))
        for key, value in headers:
            self.send_header(key, value)
        self.end_headers()
        self.wfile.write(body)

    def answer(self, root, name):
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
            return int(status), b"", []
        body = read(root, name, ".json")
        if body is not None:
            return 200, body, []
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
