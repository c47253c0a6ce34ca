#!/usr/bin/env python3
"""A stand-in for a PostgreSQL server of another major version, for one test: it accepts any
client on 127.0.0.1 without a password, says it is PostgreSQL 16.2, and answers every query
just enough for a client to ask the version. Prints its port, then serves until killed."""
import socket
import struct
import sys
import threading

VERSION = sys.argv[1] if len(sys.argv) > 1 else "16.2"
VERSION_NUM = "%d%04d" % tuple(int(p) for p in VERSION.split(".")[:2])


def message(kind, payload=b""):
    return kind + struct.pack("!I", len(payload) + 4) + payload


def text_row(value):
    field = b"v\0" + struct.pack("!IhIhih", 0, 0, 25, -1, -1, 0)
    description = message(b"T", struct.pack("!h", 1) + field)
    data = value.encode()
    row = message(b"D", struct.pack("!hI", 1, len(data)) + data)
    return description + row + message(b"C", b"SELECT 1\0")


def receive(conn, n):
    data = b""
    while len(data) < n:
        chunk = conn.recv(n - len(data))
        if not chunk:
            raise ConnectionError
        data += chunk
    return data


def serve(conn):
    try:
        while True:  # SSL or GSS requests first, then the startup message
            length, code = struct.unpack("!II", receive(conn, 8))
            receive(conn, length - 8)
            if code in (80877103, 80877104):
                conn.sendall(b"N")
                continue
            break
        reply = message(b"R", struct.pack("!I", 0))
        for key, value in (("server_version", VERSION), ("server_encoding", "UTF8"),
                           ("client_encoding", "UTF8"), ("DateStyle", "ISO, MDY"),
                           ("standard_conforming_strings", "on"), ("integer_datetimes", "on")):
            reply += message(b"S", key.encode() + b"\0" + value.encode() + b"\0")
        reply += message(b"K", struct.pack("!II", 1, 1)) + message(b"Z", b"I")
        conn.sendall(reply)
        while True:
            kind = receive(conn, 1)
            length, = struct.unpack("!I", receive(conn, 4))
            body = receive(conn, length - 4)
            if kind == b"X":
                return
            query = body.rstrip(b"\0").decode(errors="replace").strip()
            word = query.split(" ", 1)[0].upper()
            if word == "PREPARE":
                out = message(b"C", b"PREPARE\0")
            elif word == "EXECUTE" or "server_version_num" in query:
                out = text_row(VERSION_NUM)
            elif word == "SELECT":
                out = text_row("\\")
            else:
                out = message(b"C", word.encode() + b"\0")
            conn.sendall(out + message(b"Z", b"I"))
    except (ConnectionError, OSError):
        pass
    finally:
        conn.close()


listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(8)
print(listener.getsockname()[1], flush=True)
while True:
    client, _ = listener.accept()
    threading.Thread(target=serve, args=(client,), daemon=True).start()
