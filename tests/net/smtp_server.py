"""A mail server on 127.0.0.1 for the SMTP client's tests.

Prints "PORT n" once it listens and runs until its standard input closes. Every delivered
message is saved in --maildir as N.eml (the data as received), N.part-K (each leaf part of the
MIME tree, decoded with Python's email package) and N.json (envelope and part list), written last.

Modes: smtp (aiosmtpd), silent (accepts, never greets), close (accepts and hangs up at once),
close-in-data (speaks SMTP until DATA, then drops the connection while data arrives).
Recipients "refuseNNN@..." are refused with code NNN, "refuse-other@..." with 554, and mail to
"reject-data@..." is refused after its data. Senders "refuse...@" are refused.
With --certfile (certificate and key in one PEM file) the smtp mode offers STARTTLS
(--tls starttls, the default) or speaks TLS from the first byte (--tls implicit).
"""

import argparse
import asyncio
import hmac
import json
import os
import sys
import time
import warnings
import email
import ssl

from aiosmtpd.smtp import SMTP, AuthResult, MISSING


def parse_args():
    p = argparse.ArgumentParser()
    p.add_argument("--mode", default="smtp")
    p.add_argument("--maildir", default=".")
    p.add_argument("--user", default="anna")
    p.add_argument("--password", default="secret")
    p.add_argument("--cram-refuse", action="store_true", help="answer every CRAM-MD5 login 535")
    p.add_argument("--no-cram", action="store_true", help="offer no CRAM-MD5")
    p.add_argument("--helo-refuse", action="store_true")
    p.add_argument("--certfile")
    p.add_argument("--tls", default="starttls", choices=["starttls", "implicit"])
    p.add_argument("--split", action="store_true",
                   help="send every reply as two lines, a few bytes at a time")
    return p.parse_args()


warnings.simplefilter("ignore")  # aiosmtpd's deprecation notes
ARGS = parse_args()
COUNTER = [0]


def save_message(envelope):
    COUNTER[0] += 1
    base = os.path.join(ARGS.maildir, str(COUNTER[0]))
    content = envelope.original_content
    with open(base + ".eml", "wb") as f:
        f.write(content)
    msg = email.message_from_bytes(content)
    parts = []
    for k, part in enumerate(p for p in msg.walk() if not p.is_multipart()):
        payload = part.get_payload(decode=True) or b""
        path = "%s.part-%d" % (base, k)
        with open(path, "wb") as f:
            f.write(payload)
        parts.append({"content_type": part.get_content_type(),
                      "filename": part.get_filename(), "file": path, "size": len(payload),
                      "defects": [type(d).__name__ for d in part.defects]})
    # Header values as sent (8-bit text), not as the email package wraps them.
    head = content.split(b"\r\n\r\n", 1)[0].decode("utf-8", "replace").split("\r\n")
    fields = dict(line.split(": ", 1) for line in head if ": " in line)
    info = {"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
            "from": fields.get("From"), "to": fields.get("To"), "subject": fields.get("Subject"),
            "multipart": msg.is_multipart(), "boundary": msg.get_boundary(),
            "defects": [type(d).__name__ for d in msg.defects], "parts": parts}
    with open(base + ".json.tmp", "w") as f:
        json.dump(info, f)
    os.rename(base + ".json.tmp", base + ".json")


class Handler:
    async def handle_HELO(self, server, session, envelope, hostname):
        if ARGS.helo_refuse:
            return "554 not today"
        session.host_name = hostname
        # Strict, as many servers are: AUTH only after EHLO.
        return "250 mora.test"

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        if ARGS.helo_refuse:
            session.extended_smtp = False
            return ["502 not today"]
        session.host_name = hostname
        return responses

    async def handle_MAIL(self, server, session, envelope, address, options):
        if address.startswith("refuse"):
            return "553 sender refused"
        envelope.mail_from = address
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, options):
        local = address.split("@")[0]
        if local == "refuse-other":
            return "554 no such thing"
        if local.startswith("refuse"):
            return "%s refused" % local[6:9]
        envelope.rcpt_tos.append(address)
        return "251 will forward" if local == "forward" else "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if any(r.startswith("reject-data") for r in envelope.rcpt_tos):
            return "554 rejected after data"
        save_message(envelope)
        return "250 OK queued"

    async def auth_CRAM__MD5(self, server, args):
        challenge = ("<%d.%d@mora.test>" % (os.getpid(), time.time_ns())).encode()
        response = await server.challenge_auth(challenge)
        if response is MISSING:
            return AuthResult(success=False, handled=True)
        user, _, digest = response.rpartition(b" ")
        expected = hmac.new(ARGS.password.encode(), challenge, "md5").hexdigest().encode()
        ok = (not ARGS.cram_refuse and user == ARGS.user.encode()
              and hmac.compare_digest(digest, expected))
        return AuthResult(success=ok, handled=False)


def authenticator(server, session, envelope, mechanism, auth_data):
    ok = auth_data.login == ARGS.user.encode() and auth_data.password == ARGS.password.encode()
    return AuthResult(success=ok, handled=False)


class TestSMTP(SMTP):
    async def push(self, status):
        if not ARGS.split:
            return await super().push(status)
        response = status.encode() if isinstance(status, str) else status
        # A first line that mentions other codes, then the real one, in small pieces.
        data = response[:3] + b"-note 250 550 235 334 354 220\r\n" + response + b"\r\n"
        for i in range(0, len(data), 3):
            self._writer.write(data[i:i + 3])
            await self._writer.drain()
            await asyncio.sleep(0.001)


async def raw_session(reader, writer):
    try:
        if ARGS.mode == "close":
            return
        if ARGS.mode == "silent":
            while await reader.read(4096):
                pass
            return
        writer.write(b"220 raw\r\n")
        while True:
            line = await reader.readline()
            if not line:
                return
            word = line[:4].upper()
            if word == b"DATA":
                writer.write(b"354 go on\r\n")
                await writer.drain()
                await reader.read(65536)
                writer.transport.abort()
                return
            writer.write(b"221 bye\r\n" if word == b"QUIT" else b"250 ok\r\n")
            await writer.drain()
    finally:
        writer.close()


def main():
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    if ARGS.mode == "smtp":
        context = None
        if ARGS.certfile:
            context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
            context.load_cert_chain(ARGS.certfile)
        starttls = context if ARGS.tls == "starttls" else None

        def factory():
            return TestSMTP(Handler(), hostname="mora.test", auth_require_tls=False,
                            authenticator=authenticator, data_size_limit=None,
                            tls_context=starttls,
                            auth_exclude_mechanism=["CRAM-MD5"] if ARGS.no_cram else None)
        implicit = context if ARGS.tls == "implicit" else None
        server = loop.run_until_complete(
            loop.create_server(factory, "127.0.0.1", 0, ssl=implicit))
    else:
        server = loop.run_until_complete(asyncio.start_server(raw_session, "127.0.0.1", 0))
    print("PORT %d" % server.sockets[0].getsockname()[1], flush=True)

    def on_stdin():
        if not os.read(sys.stdin.fileno(), 4096):
            loop.stop()
    loop.add_reader(sys.stdin.fileno(), on_stdin)
    loop.run_forever()


if __name__ == "__main__":
    main()
