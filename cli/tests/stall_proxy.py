#!/usr/bin/env python3
"""A loopback TCP proxy in front of the test database server that goes silent.

  stall_proxy.py --target HOST:PORT --port-file FILE [--stall-after N]

Forwards both ways until the client has sent its N-th COM_QUERY packet (0: never
forward anything, a server that accepts and never answers); from then on it keeps
the connections open and passes nothing more, like a server that hangs mid-run.
Writes the port it listens on to FILE. Ends on SIGTERM.
"""
import argparse
import os
import socket
import threading

args = None


def pump_server(server, client, state):
    try:
        while True:
            data = server.recv(65536)
            if not data:
                break
            if state["stalled"]:
                continue
            client.sendall(data)
    except OSError:
        pass


def handle(client):
    state = {"stalled": args.stall_after == 0, "queries": 0}
    if state["stalled"]:
        # Accept and say nothing, ever.
        try:
            while client.recv(65536):
                pass
        except OSError:
            pass
        return
    host, port = args.target.rsplit(":", 1)
    server = socket.create_connection((host, int(port)))
    threading.Thread(target=pump_server, args=(server, client, state), daemon=True).start()
    buf = b""
    try:
        while True:
            data = client.recv(65536)
            if not data:
                break
            if state["stalled"]:
                continue
            buf += data
            out = b""
            # Client packets: 3-byte length, sequence number, payload; a command starts with sequence 0.
            while len(buf) >= 4:
                length = buf[0] | (buf[1] << 8) | (buf[2] << 16)
                if len(buf) < 4 + length:
                    break
                packet, buf = buf[:4 + length], buf[4 + length:]
                if packet[3] == 0 and length > 0 and packet[4] == 0x03:
                    state["queries"] += 1
                    if state["queries"] >= args.stall_after:
                        state["stalled"] = True
                        break
                out += packet
            if out:
                server.sendall(out)
    except OSError:
        pass


def main():
    global args
    p = argparse.ArgumentParser()
    p.add_argument("--target", default="")
    p.add_argument("--port-file", required=True)
    p.add_argument("--stall-after", type=int, default=0)
    args = p.parse_args()
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    tmp = args.port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write(str(listener.getsockname()[1]))
    os.rename(tmp, args.port_file)
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=handle, args=(conn,), daemon=True).start()


if __name__ == "__main__":
    main()
