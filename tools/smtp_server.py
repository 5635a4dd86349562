"""A real SMTP server on loopback for the mail tests and the demo (aiosmtpd).

Prints "PORT <n>" once it listens on 127.0.0.1. Each message received is
parsed with Python's email package and recorded in the --out folder:
  msg-N.eml           the message as received (dot-stuffing undone)
  msg-N-part-K.bin    the decoded payload of each leaf part
  msg-N.txt           written last; one record a line, values in hex:
    session <tls 0|1> <auth login hex|-> <auth password hex|->
    mail_from <hex>
    rcpt <hex>                                  once per RCPT TO, in order
    header <name> <decoded value hex> <raw value hex>
    part <content type> <disposition|-> <decoded filename hex|-> <charset|->
    defects <count>                             parser defects, all parts
With --tls a self-signed certificate (CN and subjectAltName "localhost") is
made with openssl in --out and STARTTLS is offered; with --ca DIR the
certificate is signed instead by a test CA kept in DIR (ca.pem, ca.der,
ca-key.pem; made there when missing, so several servers can share it).
--require-tls refuses every command but EHLO, HELO, NOOP, QUIT and STARTTLS
before TLS and offers AUTH only after it. --auth offers AUTH (LOGIN, PLAIN;
--no-login drops LOGIN) and accepts any credentials; --require-auth refuses
MAIL before AUTH. --old-tls speaks nothing newer than TLS 1.1. --garbage-tls answers 220 to STARTTLS, then sends bytes
that are not TLS and hangs up. --discard only counts the bytes.
"""
import argparse
import asyncio
import email
import email.header
import email.policy
import os
import signal
import ssl
import subprocess
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def hexed(value):
    if value is None:
        return "-"
    if isinstance(value, str):
        value = value.encode("utf-8", "surrogateescape")
    return value.hex() if value else "-"


def decoded(value):
    if value is None:
        return None
    try:
        return str(email.header.make_header(email.header.decode_header(str(value))))
    except Exception:  # a malformed header is recorded as it is
        return str(value)


class Recorder:
    def __init__(self, out, discard):
        self.out = out
        self.discard = discard
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        if self.discard:
            return "250 OK %d bytes" % len(envelope.content)
        n = self.count
        base = os.path.join(self.out, "msg-%d" % n)
        raw = envelope.original_content or envelope.content
        with open(base + ".eml", "wb") as f:
            f.write(raw)
        auth = session.auth_data if isinstance(session.auth_data, LoginPassword) else None
        lines = ["session %d %s %s" % (1 if session.ssl else 0,
                                        hexed(auth.login) if auth else "-",
                                        hexed(auth.password) if auth else "-"),
                 "mail_from %s" % hexed(envelope.mail_from)]
        lines += ["rcpt %s" % hexed(r) for r in envelope.rcpt_tos]
        message = email.message_from_bytes(raw, policy=email.policy.compat32)
        for name, value in message.items():
            lines.append("header %s %s %s" % (name, hexed(decoded(value)), hexed(value)))
        defects = len(message.defects)
        k = 0
        for part in message.walk():
            defects += len(part.defects) if part is not message else 0
            if part.is_multipart():
                continue
            k += 1
            with open("%s-part-%d.bin" % (base, k), "wb") as f:
                f.write(part.get_payload(decode=True) or b"")
            disposition = part.get("Content-Disposition")
            lines.append("part %s %s %s %s" % (
                part.get_content_type(),
                disposition.split(";")[0].strip() if disposition else "-",
                hexed(decoded(part.get_param("filename", header="content-disposition"))),
                part.get_content_charset() or "-"))
        lines.append("defects %d" % defects)
        with open(base + ".tmp", "w") as f:
            f.write("\n".join(lines) + "\n")
        os.rename(base + ".tmp", base + ".txt")
        return "250 OK message %d accepted" % n


def accept_any(server, session, envelope, mechanism, auth_data):
    return AuthResult(success=True, auth_data=auth_data)


def openssl(*arguments):
    subprocess.run(["openssl", *arguments], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


NEW_KEY = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
SERVER_NAMES = "subjectAltName=DNS:localhost"


def make_ca(folder):
    cert, key = os.path.join(folder, "ca.pem"), os.path.join(folder, "ca-key.pem")
    if not os.path.exists(cert):
        os.makedirs(folder, exist_ok=True)
        openssl("req", "-x509", *NEW_KEY, "-keyout", key + ".tmp", "-out", cert + ".tmp", "-days", "2",
                "-subj", "/CN=Lumetra Test CA", "-addext", "basicConstraints=critical,CA:TRUE",
                "-addext", "keyUsage=critical,keyCertSign,cRLSign")
        openssl("x509", "-in", cert + ".tmp", "-outform", "der", "-out", os.path.join(folder, "ca.der"))
        os.rename(key + ".tmp", key)
        os.rename(cert + ".tmp", cert)
    return cert, key


def make_tls_context(out, ca_folder, old):
    cert, key = os.path.join(out, "cert.pem"), os.path.join(out, "key.pem")
    if ca_folder:
        ca_cert, ca_key = make_ca(ca_folder)
        request = os.path.join(out, "cert.csr")
        openssl("req", "-new", *NEW_KEY, "-keyout", key, "-out", request, "-subj", "/CN=localhost")
        extensions = os.path.join(out, "cert.ext")
        with open(extensions, "w") as f:
            f.write(SERVER_NAMES + "\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n")
        openssl("x509", "-req", "-in", request, "-CA", ca_cert, "-CAkey", ca_key, "-CAcreateserial",
                "-CAserial", os.path.join(out, "ca.srl"), "-out", cert, "-days", "1", "-extfile", extensions)
    else:
        openssl("req", "-x509", *NEW_KEY, "-keyout", key, "-out", cert, "-days", "1", "-subj", "/CN=localhost",
                "-addext", SERVER_NAMES)
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    if old:
        context.set_ciphers("DEFAULT:@SECLEVEL=0")
        context.minimum_version = ssl.TLSVersion.TLSv1
        context.maximum_version = ssl.TLSVersion.TLSv1_1
    context.load_cert_chain(cert, key)
    return context


class GarbageAfterStartTls(SMTP):
    async def smtp_STARTTLS(self, arg):
        await self.push("220 Ready to start TLS")
        self.transport.write(b"this is not a TLS record\r\n" * 8)
        self.transport.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--tls", action="store_true")
    parser.add_argument("--ca")
    parser.add_argument("--require-tls", action="store_true")
    parser.add_argument("--garbage-tls", action="store_true")
    parser.add_argument("--old-tls", action="store_true")
    parser.add_argument("--auth", action="store_true")
    parser.add_argument("--require-auth", action="store_true")
    parser.add_argument("--no-login", action="store_true")
    parser.add_argument("--discard", action="store_true")
    args = parser.parse_args()

    wants_tls = args.tls or args.ca or args.garbage_tls or args.old_tls
    tls_context = make_tls_context(args.out, args.ca, args.old_tls) if wants_tls else None
    recorder = Recorder(args.out, args.discard)
    excluded = ["LOGIN"] if args.no_login else []

    def factory():
        kind = GarbageAfterStartTls if args.garbage_tls else SMTP
        return kind(recorder, hostname="lumetra-test", data_size_limit=None, tls_context=tls_context,
                    require_starttls=args.require_tls, auth_required=args.require_auth,
                    authenticator=accept_any if args.auth else None, auth_require_tls=args.require_tls,
                    auth_exclude_mechanism=excluded if args.auth else ["LOGIN", "PLAIN"],
                    command_call_limit=10000)

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    server = loop.run_until_complete(loop.create_server(factory, host="127.0.0.1", port=0))
    print("PORT %d" % server.sockets[0].getsockname()[1], flush=True)
    loop.add_signal_handler(signal.SIGTERM, loop.stop)
    loop.add_signal_handler(signal.SIGINT, loop.stop)
    loop.run_forever()
    server.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
