#!/usr/bin/env python3
"""A SIP registrar over TLS for the tests: accepts every REGISTER with 200 OK.

Usage: tls_registrar.py CERT KEY PORT_FILE
Listens on 127.0.0.1 on a port the system picks, writes that port to
PORT_FILE, and answers until it is stopped. Each REGISTER received is
written to stderr as one line "REGISTER <Request-URI>".
"""
import socket
import ssl
import sys
import threading


def read_message(stream):
    head = b""
    while b"\r\n\r\n" not in head:
        chunk = stream.recv(1)
        if not chunk:
            return None
        head += chunk
    text = head.decode("utf-8", "replace")
    length = 0
    for line in text.split("\r\n"):
        if line.lower().startswith(("content-length:", "l:")):
            length = int(line.split(":", 1)[1].strip() or 0)
    body = b""
    while len(body) < length:
        chunk = stream.recv(length - len(body))
        if not chunk:
            return None
        body += chunk
    return text


def answer(request):
    lines = request.split("\r\n")
    wanted = ("via:", "v:", "from:", "f:", "to:", "t:", "call-id:", "i:", "cseq:", "contact:", "m:")
    headers = []
    for line in lines[1:]:
        name = line.split(":", 1)[0].lower() + ":"
        if name in wanted:
            if name in ("to:", "t:") and ";tag=" not in line:
                line += ";tag=kivotest"
            if name in ("contact:", "m:"):
                line += ";expires=3600"
            headers.append(line)
    return "SIP/2.0 200 OK\r\n" + "\r\n".join(headers) + "\r\nContent-Length: 0\r\n\r\n"


def serve(connection):
    try:
        while True:
            request = read_message(connection)
            if request is None:
                return
            first = request.split("\r\n", 1)[0]
            if first.startswith("SIP/2.0"):
                continue
            print(first.rsplit(" ", 1)[0], file=sys.stderr, flush=True)
            connection.sendall(answer(request).encode())
    except (OSError, ssl.SSLError):
        return


def main():
    cert, key, port_file = sys.argv[1:4]
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    with open(port_file + ".new", "w") as out:
        out.write(str(listener.getsockname()[1]))
    import os
    os.rename(port_file + ".new", port_file)
    while True:
        raw, _ = listener.accept()
        try:
            connection = context.wrap_socket(raw, server_side=True)
        except (OSError, ssl.SSLError) as error:
            print("handshake refused:", error, file=sys.stderr, flush=True)
            raw.close()
            continue
        threading.Thread(target=serve, args=(connection,), daemon=True).start()


if __name__ == "__main__":
    main()
