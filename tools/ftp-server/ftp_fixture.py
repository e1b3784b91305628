#!/usr/bin/python3
"""A real FTP server on loopback for the tests and the demo, with fault modes;
its control service starts the HTTP stand-ins of tools/http-server as well.

Two commands:

  serve --root DIR [--port N] [--mode MODE] [--log FILE] [--port-file FILE]
      Serves DIR to anonymous users on 127.0.0.1 until stopped (SIGTERM or
      Ctrl-C). Port 0 (the default) picks a free port. Once listening it prints
      "port N" on stdout and writes N to --port-file. With --log, every client
      action is appended to FILE, one event a line (see LOG FORMAT).

  run [--] COMMAND [ARGS...]
      Runs COMMAND with a control service on a free loopback port, named by the
      environment variable VORN_FTP_CONTROL. Over it a test starts and stops
      servers of its own, each a `serve` process with a fresh root folder.
      When COMMAND ends, every server still running is stopped by its pid, and
      the exit status of COMMAND is returned.

Every mode that sends part of a file sends that part of what a REST before
the RETR leaves, so that a client can go on where a transfer broke.

MODES
  normal          serve the tree
  refuse-login    answer every login with 530
  fail-retr=N     answer the first N RETR commands with 451, sending nothing
  drop-retr=N     on the first N RETR commands send half of the file, then
                  close the data connection (426 on the control connection)
  drop-after=N    on the first RETR send N bytes, then close the data
                  connection as drop-retr does
  drop-session    on the first RETR send half of the file, then close the data
                  and the control connection
  short-retr=N    on the first N RETR commands send half of the file and
                  report the transfer complete (226)
  slow-retr=N     send every file at about N bytes a second
  stall-retr=N    on the first N RETR commands send half of the file, then
                  send nothing more and keep both connections open
  idle-close=N    close a control connection that has been idle N seconds
                  (421), as servers do with clients that wait too long
  refuse-rest     answer every REST with 502, as servers without restarts do
  silent          accept connections and never answer (not even the banner)
  no-listen       (control only) report a free port with nothing listening
  http:MODE       (control only) an HTTP server of tools/http-server instead

LOG FORMAT (one event a line, fields separated by one space)
  connect
  login ok USER | login refused USER
  rest OFFSET          a REST command, before the RETR it applies to
  retr RESULT PATH     RESULT: sent, missing, failed, dropped, short, stalled
  bytes N              a data connection of a RETR ended after sending N bytes
  list PATH            LIST, NLST or MLSD; PATH is "-" without an argument
  data active|passive  PORT or EPRT | PASV or EPSV
  disconnect

CONTROL PROTOCOL (one command a line, answers end with a newline)
  start MODE [PORT]
               -> "ok PORT ROOT" (ROOT: the served folder) or "error TEXT";
                  PORT 0 or none: a free port
  log          -> the log lines so far, then a line "."
  sent         -> the bytes the server's data connections have sent so far
  stop         -> "ok"; the server process is ended and its root removed
Closing the control connection stops its server as well.
"""

import argparse
import io
import logging
import os
import shutil
import signal
import socket
import socketserver
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.abspath(__file__)
HTTP_FIXTURE = os.path.join(os.path.dirname(os.path.dirname(HERE)), "http-server", "http_fixture.py")


# ---------------------------------------------------------------- serve

def parse_mode(text):
    """Returns (name, count) for a mode text such as "fail-retr=2"."""
    name, _, count = text.partition("=")
    known = {"normal", "refuse-login", "fail-retr", "drop-retr", "drop-after", "drop-session", "slow-retr",
             "short-retr", "stall-retr", "idle-close", "silent", "refuse-rest"}
    if name not in known:
        raise ValueError("unknown mode: " + text)
    if name in ("slow-retr", "idle-close", "drop-after"):
        if not count or int(count) <= 0:
            raise ValueError("%s needs a positive number: %s" % (name, text))
        return name, int(count)
    if name in ("fail-retr", "drop-retr", "short-retr", "stall-retr"):
        return name, int(count or "1")
    if count:
        raise ValueError("mode takes no count: " + text)
    return name, 1


class EventLog:
    """The events, one a line, and beside them (PATH.sent) the bytes sent so
    far, which a test reads while a transfer runs. Shared with the HTTP
    stand-ins, whose requests run on threads of their own."""

    def __init__(self, path):
        self.path = path
        self.sent = 0
        self.lock = threading.Lock()

    def write(self, *fields):
        if self.path:
            with self.lock, open(self.path, "a", encoding="utf-8") as f:
                f.write(" ".join(str(x) for x in fields) + "\n")

    def count_sent(self, count):
        with self.lock:
            self.sent += count
            if self.path:
                tmp = self.path + ".sent.tmp"
                with open(tmp, "w") as f:
                    f.write("%d\n" % self.sent)
                os.replace(tmp, self.path + ".sent")


class NamedBytes(io.BytesIO):
    """In-memory file content with the name the data channel logs."""

    def __init__(self, data, name):
        super().__init__(data)
        self.name = name


def make_handler(mode, log):
    from pyftpdlib.handlers import DTPHandler, FileProducer, FTPHandler

    name, count = mode
    state = {"faults_left": 1 if name == "drop-after" else count}

    class Counting:
        """Counts what a data channel sends, and logs it when it ends."""

        def send(self, data):
            result = super().send(data)
            log.count_sent(result)
            return result

        def close(self):
            if not self._closed and getattr(self, "cmd", None) == "RETR":
                log.write("bytes", self.tot_bytes_sent)
            super().close()

    class DroppingDTP(Counting, DTPHandler):
        """A data channel that, when its command channel asks for a drop,
        reports the end of the data as an aborted transfer (426) and, for a
        dropped session, then closes the control connection too."""

        def close_when_done(self):
            # A stalled transfer: what was pushed is sent, then nothing more,
            # and the connection stays open.
            if getattr(self.cmd_channel, "drop_next", None) == "stall":
                self.cmd_channel.drop_next = None
                return
            super().close_when_done()

        def handle_close(self):
            drop = getattr(self.cmd_channel, "drop_next", None)
            if self._closed or not drop:
                return super().handle_close()
            self.cmd_channel.drop_next = None
            self.transfer_finished = False
            self._resp = ("426 Connection closed; transfer aborted.", logging.debug)
            self.close()
            if drop == "session":
                self.cmd_channel.close()

    class SlowDTP(Counting, DTPHandler):
        """A data channel that sends at a steady rate (bytes a second): a small
        block, then a pause as long as the block takes at that rate, so that
        what was sent follows the time closely."""

        block = 4096
        waker = None
        started = None

        def send(self, data):
            if self.started is None:
                self.started = time.monotonic()
            sent = super().send(data[: self.block])
            if sent > 0 and not self._closed and not self.all_sent(sent):
                # The next block goes when the rate allows all sent so far.
                due = self.started + self.tot_bytes_sent / count - time.monotonic()
                if due > 0:
                    self.del_channel()
                    self.waker = self.ioloop.call_later(due, self.wake, _errback=self.handle_error)
            return sent

        def all_sent(self, sent):
            """Whether that block was the file's last: then the connection
            closes at once, as a server's does after the last byte."""
            first = self.producer_fifo[0] if self.producer_fifo else None
            if not isinstance(first, bytes) or sent < len(first) or self.file_obj is None:
                return False
            return self.file_obj.tell() >= os.fstat(self.file_obj.fileno()).st_size

        def wake(self):
            if not self._closed:
                self.add_channel(events=self.ioloop.WRITE)

        def close(self):
            if self.waker is not None and not self.waker.cancelled:
                self.waker.cancel()
            super().close()

    class Handler(FTPHandler):
        auth_failed_timeout = 0  # answer refused logins at once
        timeout = count if name == "idle-close" else FTPHandler.timeout
        use_sendfile = False  # data goes through the producers below
        dtp_handler = SlowDTP if name == "slow-retr" else DroppingDTP
        drop_next = None

        def on_connect(self):
            log.write("connect")

        def on_disconnect(self):
            log.write("disconnect")

        def on_login(self, username):
            log.write("login", "ok", username)

        def on_login_failed(self, username, password):
            log.write("login", "refused", username)

        def _list(self, path):
            log.write("list", self.fs.fs2ftp(path) if path else "-")

        def ftp_LIST(self, path):
            self._list(path)
            return super().ftp_LIST(path)

        def ftp_NLST(self, path):
            self._list(path)
            return super().ftp_NLST(path)

        def ftp_MLSD(self, path):
            self._list(path)
            return super().ftp_MLSD(path)

        def ftp_PORT(self, line):
            log.write("data", "active")
            return super().ftp_PORT(line)

        def ftp_EPRT(self, line):
            log.write("data", "active")
            return super().ftp_EPRT(line)

        def ftp_PASV(self, line):
            log.write("data", "passive")
            return super().ftp_PASV(line)

        def ftp_EPSV(self, line):
            log.write("data", "passive")
            return super().ftp_EPSV(line)

        def ftp_REST(self, line):
            log.write("rest", line.strip())
            if name == "refuse-rest":
                self.respond("502 Command not implemented.")
                return None
            return super().ftp_REST(line)

        def ftp_RETR(self, file):
            ftp_path = self.fs.fs2ftp(file)
            if not os.path.isfile(file):
                log.write("retr", "missing", ftp_path)
                return super().ftp_RETR(file)  # answers 550
            faulty = (name in ("fail-retr", "drop-retr", "drop-after", "drop-session", "short-retr", "stall-retr")
                      and state["faults_left"] > 0)
            if not faulty:
                log.write("retr", "sent", ftp_path)
                return super().ftp_RETR(file)
            state["faults_left"] -= 1
            rest = self._restart_position
            self._restart_position = 0
            if name == "fail-retr":
                log.write("retr", "failed", ftp_path)
                self.respond("451 Requested action aborted: local error in processing.")
                return None
            # Send the first half of what is asked for (or the first N bytes),
            # then drop the connection (or, for a short transfer, end it as if
            # it were complete).
            result = {"short-retr": "short", "stall-retr": "stalled"}.get(name, "dropped")
            log.write("retr", result, ftp_path)
            with open(file, "rb") as f:
                data = f.read()[rest:]
            part = count if name == "drop-after" else len(data) // 2
            half = NamedBytes(data[:part], file)
            if name != "short-retr":
                self.drop_next = {"drop-session": "session", "stall-retr": "stall"}.get(name, "data")
            self.push_dtp_data(FileProducer(half, "i"), isproducer=True, file=half, cmd="RETR")
            return file

    return Handler


def announce(port, port_file):
    if port_file:
        tmp = port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, port_file)
    print("port %d" % port, flush=True)


def serve_silently(args, log):
    """Accepts connections and holds them open without a word."""
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(16)
    listener.settimeout(0.2)
    announce(listener.getsockname()[1], args.port_file)
    held = []
    try:
        while True:
            try:
                conn, _ = listener.accept()
            except socket.timeout:
                continue
            log.write("connect")
            held.append(conn)
    except KeyboardInterrupt:
        pass
    finally:
        for conn in held:
            conn.close()
        listener.close()
    return 0


def serve(args):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.servers import FTPServer

    logging.basicConfig(level=logging.CRITICAL)
    logging.getLogger("pyftpdlib").setLevel(logging.CRITICAL)
    mode, root = checked_arguments(args, parse_mode, "ftp_fixture")
    if mode is None:
        return 2

    def stop(signum, frame):
        raise KeyboardInterrupt

    signal.signal(signal.SIGTERM, stop)
    if args.stop_on_eof:
        # Started by the control service: end with it, even when it is killed
        # without a chance to stop its servers.
        def watch_stdin():
            sys.stdin.read()
            os.kill(os.getpid(), signal.SIGTERM)

        threading.Thread(target=watch_stdin, daemon=True).start()
    if mode[0] == "silent":
        return serve_silently(args, EventLog(args.log))

    authorizer = DummyAuthorizer()
    if mode[0] != "refuse-login":
        authorizer.add_anonymous(root, perm="elr")
    handler = make_handler(mode, EventLog(args.log))
    handler.authorizer = authorizer
    handler.banner = "test server ready."
    handler.permit_foreign_addresses = True

    server = FTPServer(("127.0.0.1", args.port), handler)
    announce(server.socket.getsockname()[1], args.port_file)
    try:
        # A slow server wakes often enough to keep its rate steady.
        server.serve_forever(timeout=0.005 if mode[0] == "slow-retr" else 0.2, handle_exit=False)
    except KeyboardInterrupt:
        pass
    finally:
        signal.signal(signal.SIGTERM, signal.SIG_IGN)  # a second stop waits for this one
        server.close_all()
    return 0


# ---------------------------------------------------------------- control

class ServerProcess:
    """One `serve` process with a root folder of its own."""

    def __init__(self, mode, port=0):
        self.proc = None
        self.mode = mode
        self.root = tempfile.mkdtemp(prefix="vorn-ftp-")
        self.log = os.path.join(self.root, ".events")
        self.tree = os.path.join(self.root, "tree")
        os.mkdir(self.tree)
        open(self.log, "w").close()
        if mode == "no-listen":
            # Take a free port from the system and let it go again: nothing
            # listens there afterwards.
            s = socket.socket()
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
            s.close()
            return
        if mode.startswith("http:"):
            # An HTTP stand-in over the same kind of root and log.
            program, kind, served = HTTP_FIXTURE, "HTTP", mode[5:]
        else:
            parse_mode(mode)  # refuse unknown modes here, with their text
            program, kind, served = HERE, "FTP", mode
        self.proc = subprocess.Popen(
            [sys.executable, program, "serve", "--root", self.tree, "--mode", served, "--log", self.log,
             "--port", str(port), "--stop-on-eof"],
            stdout=subprocess.PIPE, stdin=subprocess.PIPE, text=True)
        line = read_line_with_timeout(self.proc.stdout, 15)
        if not line.startswith("port "):
            self.stop()
            raise RuntimeError("%s server did not start (mode %s)" % (kind, mode))
        self.port = int(line.split()[1])

    def events(self):
        if self.mode.startswith("http:lighttpd") and self.proc is not None:
            # lighttpd writes its log when asked (see http_fixture.py).
            os.kill(self.proc.pid, signal.SIGUSR1)
            time.sleep(0.1)
        # Let the server finish writing what the client just did: wait until
        # the log has not changed for a short while (at most 3 s).
        deadline = time.time() + 3
        while time.time() < deadline:
            quiet = time.time() - os.path.getmtime(self.log)
            if quiet >= 0.3:
                break
            time.sleep(max(0.02, 0.3 - quiet))
        with open(self.log, encoding="utf-8") as f:
            return [line.rstrip("\n") for line in f]

    def sent(self):
        try:
            with open(self.log + ".sent") as f:
                return int(f.read().strip() or "0")
        except (OSError, ValueError):
            return 0

    def stop(self):
        if self.proc is not None:
            self.proc.terminate()  # by its pid
            self.proc.stdin.close()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
            self.proc = None
        shutil.rmtree(self.root, ignore_errors=True)


def read_line_with_timeout(stream, seconds):
    result = [""]

    def reader():
        result[0] = stream.readline()

    t = threading.Thread(target=reader, daemon=True)
    t.start()
    t.join(seconds)
    return result[0].strip()


live_servers = set()
live_lock = threading.Lock()


class ControlHandler(socketserver.StreamRequestHandler):
    def handle(self):
        server = None
        try:
            for raw in self.rfile:
                words = raw.decode("utf-8", "replace").split()
                if not words:
                    continue
                command = words[0]
                if command == "start" and len(words) in (2, 3):
                    if server is not None:
                        self.reply("error a server is already running on this connection")
                        continue
                    try:
                        server = ServerProcess(words[1], int(words[2]) if len(words) == 3 else 0)
                    except Exception as e:  # reported to the test, which fails with it
                        self.reply("error %s" % e)
                        server = None
                        continue
                    with live_lock:
                        live_servers.add(server)
                    self.reply("ok %d %s" % (server.port, server.tree))
                elif command == "log":
                    if server is None:
                        self.reply("error no server is running on this connection")
                        continue
                    for line in server.events():
                        self.reply(line)
                    self.reply(".")
                elif command == "sent":
                    self.reply(str(server.sent()) if server is not None else "0")
                elif command == "stop":
                    if server is not None:
                        self.forget(server)
                        server = None
                    self.reply("ok")
                else:
                    self.reply("error unknown command: " + " ".join(words))
        finally:
            if server is not None:
                self.forget(server)

    def forget(self, server):
        server.stop()
        with live_lock:
            live_servers.discard(server)

    def reply(self, text):
        self.wfile.write((text + "\n").encode("utf-8"))
        self.wfile.flush()


class ControlServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def run(args):
    command = args.command
    if command and command[0] == "--":
        command = command[1:]
    if not command:
        print("ftp_fixture: run needs a command", file=sys.stderr)
        return 2
    control = ControlServer(("127.0.0.1", 0), ControlHandler)
    thread = threading.Thread(target=control.serve_forever, daemon=True)
    thread.start()
    env = dict(os.environ, VORN_FTP_CONTROL=str(control.server_address[1]))
    child = subprocess.Popen(command, env=env)

    def forward(signum, frame):
        child.terminate()

    signal.signal(signal.SIGTERM, forward)
    signal.signal(signal.SIGINT, forward)
    try:
        status = child.wait()
    finally:
        control.shutdown()
        control.server_close()
        with live_lock:
            left = list(live_servers)
            live_servers.clear()
        for server in left:
            server.stop()
    return status if status >= 0 else 128 - status


def checked_arguments(args, parse, name):
    """The parsed mode and the served folder of `serve`; (None, None), said on
    stderr, when either is wrong."""
    try:
        mode = parse(args.mode)
    except ValueError as e:
        print("%s: %s" % (name, e), file=sys.stderr)
        return None, None
    root = os.path.abspath(args.root)
    if not os.path.isdir(root):
        print("%s: no such folder: %s" % (name, root), file=sys.stderr)
        return None, None
    return mode, root


def add_serve_parser(sub, default_mode):
    """The arguments of `serve`, the same for the FTP and the HTTP servers."""
    p = sub.add_parser("serve")
    p.add_argument("--root", required=True)
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--mode", default=default_mode)
    p.add_argument("--log")
    p.add_argument("--port-file")
    p.add_argument("--stop-on-eof", action="store_true", help="stop when stdin closes")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    sub = parser.add_subparsers(dest="action", required=True)
    add_serve_parser(sub, "normal")
    p = sub.add_parser("run")
    p.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    return serve(args) if args.action == "serve" else run(args)


if __name__ == "__main__":
    sys.exit(main())
