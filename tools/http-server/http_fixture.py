#!/usr/bin/python3
"""The HTTP stand-ins of the maker's mirror on loopback, for the tests and
the demo: Debian's lighttpd serving a tree as the mirror would, or a small
server of ours that misbehaves.

  serve --root DIR [--port N] [--mode MODE] [--log FILE] [--port-file FILE]
        [--stop-on-eof]
      Serves DIR on 127.0.0.1 until stopped (SIGTERM or Ctrl-C). Port 0 (the
      default) picks a free port. Once listening it prints "port N" on stdout
      and writes N to --port-file. With --log, every request is appended to
      FILE (see LOG FORMAT), and the bytes sent so far to FILE.sent.

Tests start it through the FTP fixture's control service
(tools/ftp-server/ftp_fixture.py: "start http:MODE"); a port nobody listens
on ("refuse") is its no-listen.

MODES
  lighttpd        lighttpd serves the tree: whole files and Range requests
  lighttpd=N      the same, at about N kilobytes a second
  drop-get=N      the first N GETs send half of what they ask for (from the
                  Range's first byte), then the connection closes
  drop-after=N    the first GET sends N bytes of its body, then the
                  connection closes
  stall-get=N     the first N GETs send half of what they ask for, then
                  nothing more, the connection left open
  not-found       every GET is answered 404
  status=N        every GET is answered with the status N, without a body
  slow=N          every body is sent at about N bytes a second
  unknown-total   a 206 tells no whole size: "Content-Range: bytes A-B/*"
  wrong-start     a 206 sends from one byte past the one asked for, as its
                  Content-Range says
  The modes of our own server answer Range requests ("bytes=N-") with 206,
  and with 416 ("Content-Range: bytes */SIZE") from the file's end on.

LOG FORMAT (one event a line)
  get PATH STATUS RANGE   RANGE: the Range header, "-" without one
  bytes N                 the body bytes that request was sent
  With lighttpd the log is written when the log file is asked for (SIGUSR1
  makes lighttpd write it out).
"""

import argparse
import http.server
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "ftp-server"))
from ftp_fixture import EventLog, add_serve_parser, announce, checked_arguments  # noqa: E402


def parse_mode(text):
    name, _, count = text.partition("=")
    if name == "lighttpd":
        return name, int(count or "0")
    if name in ("not-found", "unknown-total", "wrong-start"):
        if count:
            raise ValueError("mode takes no count: " + text)
        return name, 0
    if name == "status":
        return name, int(count)
    if name in ("drop-get", "stall-get"):
        return name, int(count or "1")
    if name in ("drop-after", "slow"):
        if not count or int(count) <= 0:
            raise ValueError("%s needs a positive number: %s" % (name, text))
        return name, int(count)
    raise ValueError("unknown mode: " + text)


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def serve_lighttpd(args, rate, stopping):
    """lighttpd in the foreground, with a configuration of its own."""
    lighttpd = shutil.which("lighttpd") or "/usr/sbin/lighttpd"
    work = tempfile.mkdtemp(prefix="vorn-http-")
    port = args.port or free_port()
    log = os.path.abspath(args.log) if args.log else os.devnull
    conf = os.path.join(work, "lighttpd.conf")
    with open(conf, "w") as f:
        f.write('server.document-root = "%s"\n' % os.path.abspath(args.root))
        f.write('server.bind = "127.0.0.1"\nserver.port = %d\n' % port)
        f.write('server.errorlog = "%s"\n' % os.path.join(work, "error.log"))
        f.write('server.modules = ("mod_accesslog")\n')
        f.write('accesslog.filename = "%s"\n' % log)
        f.write('accesslog.format = "get %U %>s %{Range}i\\nbytes %b"\n')
        if rate:
            f.write("connection.kbytes-per-second = %d\n" % rate)
    child = subprocess.Popen([lighttpd, "-D", "-f", conf], stdin=subprocess.DEVNULL)
    try:
        deadline = time.time() + 10
        while time.time() < deadline:
            if child.poll() is not None:
                print("http_fixture: lighttpd ended at its start", file=sys.stderr)
                return 1
            try:
                socket.create_connection(("127.0.0.1", port), 0.2).close()
                break
            except OSError:
                time.sleep(0.05)
        else:
            print("http_fixture: lighttpd did not listen on %d" % port, file=sys.stderr)
            return 1
        # lighttpd writes its access log every few seconds; SIGHUP makes it
        # write it now.
        signal.signal(signal.SIGUSR1, lambda *_: child.send_signal(signal.SIGHUP))
        announce(port, args.port_file)
        while not stopping.wait(0.2):
            if child.poll() is not None:
                return 1
        return 0
    finally:
        if child.poll() is None:
            child.terminate()  # by its pid
            try:
                child.wait(5)
            except subprocess.TimeoutExpired:
                child.kill()
                child.wait()
        shutil.rmtree(work, ignore_errors=True)


def make_handler(root, mode, log, stopping):
    name, count = mode
    state = {"faults_left": 1 if name == "drop-after" else count, "lock": threading.Lock()}

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def do_GET(self):
            path = self.path.split("?", 1)[0]
            asked = self.headers.get("Range")
            local = os.path.join(root, *[p for p in path.split("/") if p not in ("", ".", "..")])
            if name in ("not-found", "status") or not os.path.isfile(local):
                status = count if name == "status" else 404
                log.write("get", path, status, asked or "-")
                self.send_response(status)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            with open(local, "rb") as f:
                data = f.read()
            start = 0
            if asked and asked.startswith("bytes=") and asked.endswith("-"):
                try:
                    start = int(asked[6:-1])
                except ValueError:
                    start = 0
            if start > 0 and start >= len(data):
                log.write("get", path, 416, asked)
                self.send_response(416)
                self.send_header("Content-Range", "bytes */%d" % len(data))
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            if name == "wrong-start" and start > 0:
                start += 1
            status = 206 if asked and start > 0 else 200
            log.write("get", path, status, asked or "-")
            body = data[start:]
            with state["lock"]:
                faulty = name in ("drop-get", "drop-after", "stall-get") and state["faults_left"] > 0
                if faulty:
                    state["faults_left"] -= 1
            self.send_response(status)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(len(body)))
            if status == 206:
                total = "*" if name == "unknown-total" else len(data)
                self.send_header("Content-Range", "bytes %d-%d/%s" % (start, len(data) - 1, total))
            self.end_headers()
            part = body
            if faulty:
                part = body[:count] if name == "drop-after" else body[: len(body) // 2]
            sent = 0
            chunk = 8192
            try:
                while sent < len(part):
                    piece = part[sent:sent + chunk]
                    self.wfile.write(piece)
                    self.wfile.flush()
                    sent += len(piece)
                    log.count_sent(len(piece))
                    if name == "slow":
                        time.sleep(len(piece) / count)
            except OSError:
                pass
            log.write("bytes", sent)
            if faulty and name == "stall-get":
                stopping.wait()  # nothing more, the connection left open
            if faulty:
                self.close_connection = True

    return Handler


class QuietServer(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass


def serve(args):
    mode, root = checked_arguments(args, parse_mode, "http_fixture")
    if mode is None:
        return 2
    stopping = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stopping.set())
    signal.signal(signal.SIGINT, lambda *_: stopping.set())
    if args.stop_on_eof:
        # Started by the control service: end with it.
        def watch_stdin():
            sys.stdin.read()
            stopping.set()

        threading.Thread(target=watch_stdin, daemon=True).start()
    if mode[0] == "lighttpd":
        return serve_lighttpd(args, mode[1], stopping)

    server = QuietServer(("127.0.0.1", args.port), make_handler(root, mode, EventLog(args.log), stopping))
    threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True).start()
    announce(server.server_address[1], args.port_file)
    stopping.wait()
    server.shutdown()
    server.server_close()
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    sub = parser.add_subparsers(dest="action", required=True)
    add_serve_parser(sub, "lighttpd")
    args = parser.parse_args()
    return serve(args)


if __name__ == "__main__":
    sys.exit(main())
