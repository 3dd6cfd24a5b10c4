"""An FTP server on a loopback address for the tests, with ways to misbehave.

Writes the port it listens on to --port-file once it accepts connections. Modes:
  normal     a plain server
  no-rest    refuses REST
  no-epsv    refuses EPSV and EPRT, so that clients fall back to PASV and PORT
  foreign    like no-epsv, and PASV replies name an address that is not the server's
  mute       logs in, then never answers a transfer or delete command
  stall      sends the first 1000 bytes of a download, then nothing more
  cut        closes the data connection of an upload after --cut-after bytes (of the first
             --cut-times uploads only, when given)
  different  serves, on download, each byte of the stored file inverted
  silent     accepts connections and never says a word
--refuse REST,SIZE (any mode) answers those commands with 502.
With --certfile (certificate, chain and key in one PEM file) the server speaks explicit TLS
(AUTH TLS) and demands it on the control and every data connection.
"""
import argparse
import logging
import os
import socket
import sys
import time

parser = argparse.ArgumentParser()
parser.add_argument("--home", required=True)
parser.add_argument("--user", default="reporter")
parser.add_argument("--password", default="secret")
parser.add_argument("--mode", default="normal")
parser.add_argument("--host", default="127.0.0.1")
parser.add_argument("--port-file", required=True)
parser.add_argument("--cut-after", type=int, default=65536)
parser.add_argument("--cut-times", type=int, default=0)
parser.add_argument("--refuse", default="")
parser.add_argument("--certfile")
parser.add_argument("--tls-optional", action="store_true", help="let clients stay in clear")
args = parser.parse_args()


def announce(port):
    tmp = args.port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write(str(port))
    os.rename(tmp, args.port_file)


if args.mode == "silent":
    family = socket.AF_INET6 if ":" in args.host else socket.AF_INET
    listener = socket.socket(family, socket.SOCK_STREAM)
    listener.bind((args.host, 0))
    listener.listen(8)
    announce(listener.getsockname()[1])
    held = []
    while True:
        conn, _ = listener.accept()
        held.append(conn)

if args.mode in ("wait120", "trickle"):
    # Hostile greetings: "120" (wait a little) without end, or a greeting a byte a second.
    import threading
    import time

    def serve(conn):
        try:
            if args.mode == "wait120":
                while True:
                    conn.sendall(b"120 Ready in a moment\r\n")
                    time.sleep(0.1)
            for byte in b"220 " + b"x" * 1000:
                conn.sendall(bytes([byte]))
                time.sleep(1)
        except OSError:
            pass

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind((args.host, 0))
    listener.listen(8)
    announce(listener.getsockname()[1])
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=serve, args=(conn,), daemon=True).start()

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer

if args.certfile:
    from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler as BaseHandler

    class BaseDTP(TLS_DTPHandler):
        # Clients like curl shake hands on the data connection before they send the transfer
        # command; pyftpdlib would take that early traffic for a hang-up and close.
        def readable(self):
            return self._ssl_accepting or super().readable()
else:
    BaseDTP, BaseHandler = DTPHandler, FTPHandler

refused = {c.strip().upper() for c in args.refuse.split(",") if c.strip()}
cuts_left = [args.cut_times]


class CutDTP(BaseDTP):
    def __init__(self, *a, **k):
        super().__init__(*a, **k)
        self.cuts = cuts_left[0] != 0 or args.cut_times == 0

    def handle_read_event(self):
        super().handle_read_event()
        if self.cuts and self.receive and self.tot_bytes_received > args.cut_after and not self._closed:
            if args.cut_times:
                cuts_left[0] -= 1
            self.cuts = False
            self._resp = ("426 Connection closed; transfer aborted.", lambda *a: None)
            self.close()


class StallDTP(BaseDTP):
    def close_when_done(self):
        pass


class Handler(BaseHandler):
    def pre_process_command(self, line, cmd, arg):
        if cmd.upper() in refused:
            self.respond("502 Command not implemented.")
            return
        return super().pre_process_command(line, cmd, arg)

    def ftp_REST(self, line):
        if args.mode == "no-rest":
            self.respond("502 Command not implemented.")
            return
        return super().ftp_REST(line)

    def ftp_EPSV(self, line):
        if args.mode in ("no-epsv", "foreign"):
            self.respond("500 Command not understood.")
            return
        if args.mode == "mute":
            return
        return super().ftp_EPSV(line)

    def ftp_EPRT(self, line):
        if args.mode == "no-epsv":
            self.respond("500 Command not understood.")
            return
        if args.mode == "mute":
            return
        return super().ftp_EPRT(line)

    def ftp_PASV(self, line):
        if args.mode == "mute":
            return
        return super().ftp_PASV(line)

    def ftp_PORT(self, line):
        if args.mode == "mute":
            return
        return super().ftp_PORT(line)

    def ftp_DELE(self, path):
        if args.mode == "mute":
            return
        return super().ftp_DELE(path)

    def ftp_RETR(self, file):
        if args.mode == "stall":
            with open(file, "rb") as f:
                self.push_dtp_data(f.read(1000), cmd="RETR")
            return
        if args.mode == "different":
            try:
                with open(file, "rb") as f:
                    data = bytes(b ^ 0xFF for b in f.read())
            except OSError:
                self.respond("550 No such file.")
                return
            other = file + ".served"
            with open(other, "wb") as f:
                f.write(data)
            return super().ftp_RETR(other)
        return super().ftp_RETR(file)


logging.basicConfig(level=logging.ERROR)
authorizer = DummyAuthorizer()
authorizer.add_user(args.user, args.password, args.home, perm="elradfmwMT")
Handler.authorizer = authorizer
Handler.banner = "Test server ready."
Handler.auth_failed_timeout = 0.1
if args.certfile:
    Handler.certfile = args.certfile
    Handler.tls_control_required = not args.tls_optional
    Handler.tls_data_required = not args.tls_optional
    Handler.dtp_handler = BaseDTP
if args.mode == "cut":
    Handler.dtp_handler = CutDTP
if args.mode == "stall":
    Handler.dtp_handler = StallDTP
if args.mode == "foreign":
    Handler.masquerade_address = "192.0.2.1"
server = FTPServer((args.host, 0), Handler)
announce(server.socket.getsockname()[1])
try:
    server.serve_forever(handle_exit=False)
except KeyboardInterrupt:
    pass
sys.exit(0)
