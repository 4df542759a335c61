#!/usr/bin/env python3
"""A small WHOIS server (RFC 3912) for tests: reads one question line, answers, closes.

The name asked is the question's last word ("NAME", "--opt NAME", "NAME/e" all ask about NAME).
Its first label picks a behaviour:

slow      waits --slow seconds, then answers
endless   sends text without end
closed    closes without a word
limited   the first question about the name gets a refusal ("Lookup quota exceeded"), later
          ones the answer
refused   always the refusal
echo      answers "query: LINE" with the line as received
otherwise the file NAME in --root (bytes as they are), else "No match for "NAME"."

Every question is logged to --log as it arrives, "MONOTONIC_SECONDS ask LINE", and the close after
its answer as "MONOTONIC_SECONDS done LINE".
"""

import argparse
import os
import socket
import socketserver
import sys
import threading
import time

lock = threading.Lock()
seen = {}


def log(path, event, line):
    with lock:
        with open(path, "a", encoding="utf-8") as f:
            f.write("%.6f %s %s\n" % (time.monotonic(), event, line))


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        server = self.server
        conn = self.request
        conn.settimeout(5)
        data = b""
        try:
            while b"\n" not in data and len(data) < 1024:
                chunk = conn.recv(1024)
                if not chunk:
                    break
                data += chunk
        except OSError:
            return
        line = data.split(b"\n")[0].rstrip(b"\r").decode("latin-1")
        log(server.log, "ask", line)
        words = line.split()
        name = words[-1].lower() if words else ""
        if name.endswith("/e"):
            name = name[:-2]
        label = name.split(".")[0]
        try:
            self.answer(conn, line, name, label)
            conn.shutdown(socket.SHUT_WR)
        except OSError:
            pass  # the client hung up
        finally:
            log(server.log, "done", line)
            conn.close()

    def answer(self, conn, line, name, label):
        server = self.server
        if label == "closed":
            return
        if label == "endless":
            chunk = b"% more and more\r\n" * 4096
            while True:
                conn.sendall(chunk)
        if label == "slow":
            time.sleep(server.slow)
        if label == "echo":
            conn.sendall(b"query: " + line.encode("latin-1") + b"\r\n")
            return
        with lock:
            count = seen.get(name, 0)
            seen[name] = count + 1
        if label == "refused" or (label == "limited" and count == 0):
            conn.sendall(b"Lookup quota exceeded\r\n")
            return
        path = os.path.join(server.root, name)
        if name and "/" not in name and os.path.isfile(path):
            with open(path, "rb") as f:
                conn.sendall(f.read())
            return
        conn.sendall(b'No match for "' + name.encode("latin-1") + b'".\r\n')


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bind", required=True)
    parser.add_argument("--port", type=int, default=43)
    parser.add_argument("--root", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--slow", type=float, default=3.0)
    args = parser.parse_args()
    try:
        server = Server((args.bind, args.port), Handler)
    except OSError as error:
        print("cannot listen on %s port %d: %s" % (args.bind, args.port, error.strerror),
              flush=True)
        sys.exit(2)
    server.root = args.root
    server.log = args.log
    server.slow = args.slow
    print("ready", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
