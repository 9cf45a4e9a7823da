#!/usr/bin/env python3
"""A one-request HTTP server on 127.0.0.1 for the tests of the online requests.

It listens on a free port (written to --port-file once it listens), takes one connection, keeps
the raw bytes of the request (request line, headers, body) in --record, answers with
--answer-bytes bytes of text and ends. With --silent it accepts the connection, reads the request
and never answers. It ends by itself after --lifetime seconds whatever happens.

The answer can be shaped: --status gives its status line's code (a 3xx answer carries
--location), --content-type its Content-Type, --answer-hex its body byte for byte instead of the
digits, and --not-http sends a line of text that is no HTTP answer at all.
"""
import argparse
import os
import signal
import socket
import sys


def read_request(connection):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = connection.recv(65536)
        if not chunk:
            return data
        data += chunk
    head, _, body = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value.strip())
    while len(body) < length:
        chunk = connection.recv(65536)
        if not chunk:
            break
        body += chunk
    return head + b"\r\n\r\n" + body


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--record", required=True)
    parser.add_argument("--answer-bytes", type=int, default=0)
    parser.add_argument("--silent", action="store_true")
    parser.add_argument("--lifetime", type=int, default=30)
    parser.add_argument("--status", type=int, default=200)
    parser.add_argument("--location", default="")
    parser.add_argument("--content-type", default="text/plain")
    parser.add_argument("--answer-hex", default=None)
    parser.add_argument("--not-http", action="store_true")
    args = parser.parse_args()
    signal.alarm(args.lifetime)

    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    temporary = args.port_file + ".tmp"
    with open(temporary, "w") as f:
        f.write(str(server.getsockname()[1]))
    os.rename(temporary, args.port_file)

    connection, _ = server.accept()
    request = read_request(connection)
    with open(args.record, "wb") as f:
        f.write(request)
    if args.silent:
        signal.pause()
    # The answer: digits cycling 0-9 so that a cut can be seen exactly.
    answer = bytes(ord("0") + i % 10 for i in range(args.answer_bytes))
    if args.answer_hex is not None:
        answer = bytes.fromhex(args.answer_hex)
    if args.not_http:
        connection.sendall(b"this is no HTTP answer\r\n\r\n" + answer)
    else:
        location = b"Location: %s\r\n" % args.location.encode() if args.location else b""
        connection.sendall(b"HTTP/1.1 %d Status\r\nContent-Type: %s\r\n%sContent-Length: %d\r\n"
                           b"Connection: close\r\n\r\n" % (args.status, args.content_type.encode(), location,
                                                             len(answer)) + answer)
    connection.close()
    server.close()


if __name__ == "__main__":
    sys.exit(main())
