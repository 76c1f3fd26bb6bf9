#!/usr/bin/env python3
"""A tiny SMTP server on loopback for the mailing tests.

Writes the port it listens on to --port-file, and for every accepted message N:
  N.eml      the message as received
  N.info     "from:", "to:", "subject:" (decoded), "auth:" lines
  N.body     the text part (UTF-8)
  N.att      the attachment's bytes, N.attname its file name
--refuse N answers the first N MAIL commands with 451 (a provider's sending limit);
--reject answers every MAIL command with 550.
--auth-fail answers AUTH with 535 (wrong password).
--log FILE appends every line the server receives (commands and message text).
"""
import argparse
import base64
import email
import email.policy
import os
import socketserver
import threading

args = None
lock = threading.Lock()
state = {"count": 0, "refused": 0}


def log(line):
    if args.log:
        with lock:
            with open(args.log, "ab") as f:
                f.write(line if line.endswith(b"\n") else line + b"\n")


def save(sender, rcpts, auth, data):
    with lock:
        state["count"] += 1
        n = state["count"]
    base = os.path.join(args.dir, str(n))
    with open(base + ".eml", "wb") as f:
        f.write(data)
    msg = email.message_from_bytes(data, policy=email.policy.default)
    body = b""
    for part in msg.walk():
        if part.is_multipart():
            continue
        if part.get_filename():
            with open(base + ".att", "wb") as f:
                f.write(part.get_payload(decode=True))
            with open(base + ".attname", "w", encoding="utf-8") as f:
                f.write(part.get_filename())
        elif part.get_content_type() == "text/plain":
            body = part.get_payload(decode=True)
    with open(base + ".body", "wb") as f:
        f.write(body)
    with open(base + ".info.tmp", "w", encoding="utf-8") as f:
        f.write("from: %s\n" % sender)
        f.write("to: %s\n" % ",".join(rcpts))
        f.write("subject: %s\n" % msg["subject"])
        f.write("fromheader: %s\n" % msg["from"])
        f.write("auth: %s\n" % auth)
    os.rename(base + ".info.tmp", base + ".info")


class Handler(socketserver.StreamRequestHandler):
    def reply(self, text):
        self.wfile.write((text + "\r\n").encode())
        self.wfile.flush()

    def handle(self):
        self.reply("220 localhost remu test SMTP")
        sender, rcpts, auth = None, [], ""
        while True:
            line = self.rfile.readline()
            if not line:
                return
            log(line)
            cmd = line.decode("utf-8", "replace").rstrip("\r\n")
            verb = cmd.split(" ", 1)[0].upper()
            if verb == "EHLO":
                self.reply("250-localhost")
                self.reply("250-8BITMIME")
                self.reply("250-AUTH PLAIN")
                self.reply("250 SIZE 50000000")
            elif verb == "HELO":
                self.reply("250 localhost")
            elif verb == "AUTH":
                parts = cmd.split(" ")
                token = parts[2] if len(parts) > 2 else None
                if token is None:
                    self.reply("334 ")
                    raw = self.rfile.readline()
                    log(raw)
                    token = raw.decode().strip()
                if args.auth_fail:
                    self.reply("535 5.7.8 Authentication credentials invalid")
                    continue
                auth = base64.b64decode(token).decode("utf-8", "replace").replace("\0", "|")
                self.reply("235 2.7.0 Authentication successful")
            elif verb == "MAIL":
                if args.reject:
                    self.reply("550 5.7.1 Sender rejected")
                    continue
                with lock:
                    refuse = state["refused"] < args.refuse
                    if refuse:
                        state["refused"] += 1
                if refuse:
                    self.reply("451 4.7.1 Sending limit reached, try again later")
                    continue
                sender, rcpts = cmd[10:].strip(), []
                self.reply("250 OK")
            elif verb == "RCPT":
                rcpts.append(cmd[8:].strip())
                self.reply("250 OK")
            elif verb == "DATA":
                self.reply("354 End data with <CR><LF>.<CR><LF>")
                data = bytearray()
                while True:
                    l = self.rfile.readline()
                    log(l)
                    if not l or l in (b".\r\n", b".\n"):
                        break
                    if l.startswith(b".."):
                        l = l[1:]
                    data += l
                save(sender, rcpts, auth, bytes(data))
                self.reply("250 OK queued")
            elif verb in ("RSET", "NOOP"):
                self.reply("250 OK")
            elif verb == "QUIT":
                self.reply("221 Bye")
                return
            else:
                self.reply("502 Command not implemented")


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    global args
    p = argparse.ArgumentParser()
    p.add_argument("--dir", required=True)
    p.add_argument("--port-file", required=True)
    p.add_argument("--refuse", type=int, default=0)
    p.add_argument("--reject", action="store_true")
    p.add_argument("--auth-fail", action="store_true")
    p.add_argument("--log", default="")
    args = p.parse_args()
    server = Server(("127.0.0.1", 0), Handler)
    tmp = args.port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(tmp, args.port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
