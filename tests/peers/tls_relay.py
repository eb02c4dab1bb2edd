#!/usr/bin/env python3
"""TLS in front of the tests' scripted server, for the faults of POP3 over TLS.

    tls_relay.py start DIR CERTS UPSTREAM
    tls_relay.py stop DIR

start: listens on 127.0.0.1 (the name "localhost" in the certificates of CERTS, made by
dovecot.sh start-tls) and, after each handshake, relays the plain text both ways to UPSTREAM
port 110. The port says which certificate and which fault:

    9951  localhost.pem, a plain relay
    9952  untrusted.pem  (a CA that nobody trusts)
    9953  wrongname.pem  (another host's)
    9954  expired.pem
    9955  localhost.pem, every TLS record sent in pieces of a few bytes, some ms apart
    9956  localhost.pem, the connection closed in the middle of the server's handshake
    9957  partial.pem   (without the intermediate CA that issued it, which it names by URL)

Runs in the background until stop; every wait is bounded. DIR holds its pid file and log.
"""
import os
import select
import signal
import socket
import ssl
import sys
import threading
import time

HOST = "127.0.0.1"
PORTS = {9951: ("localhost", "relay"), 9952: ("untrusted", "relay"),
         9953: ("wrongname", "relay"), 9954: ("expired", "relay"),
         9955: ("localhost", "pieces"), 9956: ("localhost", "cut"), 9957: ("partial", "relay")}
PIECE = 5           # bytes per piece in the "pieces" mode
PIECE_DELAY = 0.002  # seconds between pieces
CUT_AFTER = 60      # bytes of the server's first flight sent in the "cut" mode
WAIT = 10           # seconds of silence after which a connection is dropped


def serve(client, mode, context, upstream_address):
    client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    client.settimeout(WAIT)
    incoming, outgoing = ssl.MemoryBIO(), ssl.MemoryBIO()
    tls = context.wrap_bio(incoming, outgoing, server_side=True)

    def flush():
        data = outgoing.read()
        if mode == "pieces":
            for i in range(0, len(data), PIECE):
                client.sendall(data[i:i + PIECE])
                time.sleep(PIECE_DELAY)
        elif data:
            client.sendall(data)

    while True:
        try:
            tls.do_handshake()
            break
        except ssl.SSLWantReadError:
            if mode == "cut" and outgoing.pending:
                client.sendall(outgoing.read()[:CUT_AFTER])
                return
            flush()
            data = client.recv(65536)
            if not data:
                return
            incoming.write(data)
    flush()
    upstream = socket.create_connection((upstream_address, 110), timeout=WAIT)
    try:
        while True:
            ready, _, _ = select.select([client, upstream], [], [], WAIT)
            if not ready:
                return
            if client in ready:
                data = client.recv(65536)
                if not data:
                    return
                incoming.write(data)
                try:
                    while True:
                        plain = tls.read(65536)
                        if not plain:  # the client's close_notify
                            print("close_notify from the client", flush=True)
                            return
                        upstream.sendall(plain)
                except ssl.SSLWantReadError:
                    pass
                flush()
            if upstream in ready:
                data = upstream.recv(65536)
                if not data:
                    return
                tls.write(data)
                flush()
    finally:
        upstream.close()


def handle(client, mode, context, upstream_address):
    try:
        serve(client, mode, context, upstream_address)
    except (OSError, ssl.SSLError) as error:
        print(f"connection ended: {error}", flush=True)
    finally:
        client.close()


def listen(port, name, mode, certs, upstream_address):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(os.path.join(certs, name + ".pem"), os.path.join(certs, name + ".key"))
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((HOST, port))
    listener.listen(8)

    def accept():
        while True:
            client, _ = listener.accept()
            threading.Thread(target=handle, args=(client, mode, context, upstream_address),
                             daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()


def start(directory, certs, upstream_address):
    os.makedirs(directory, exist_ok=True)
    stop(directory)
    read_end, write_end = os.pipe()
    if os.fork() > 0:
        os.close(write_end)
        ready = select.select([read_end], [], [], WAIT)[0] and os.read(read_end, 2) == b"ok"
        sys.exit(0 if ready else "tls_relay.py: the relay did not start; see its log")
    os.close(read_end)
    os.setsid()
    log = os.open(os.path.join(directory, "relay.log"), os.O_WRONLY | os.O_CREAT | os.O_TRUNC)
    null = os.open(os.devnull, os.O_RDONLY)
    os.dup2(null, 0)
    os.dup2(log, 1)
    os.dup2(log, 2)
    for port, (name, mode) in PORTS.items():
        listen(port, name, mode, certs, upstream_address)
    with open(os.path.join(directory, "relay.pid"), "w") as pid_file:
        pid_file.write(str(os.getpid()))
    os.write(write_end, b"ok")
    os.close(write_end)
    signal.sigwait([signal.SIGTERM])


def stop(directory):
    path = os.path.join(directory, "relay.pid")
    try:
        with open(path) as pid_file:
            pid = int(pid_file.read())
        os.remove(path)
        os.kill(pid, signal.SIGTERM)
    except (OSError, ValueError):
        return
    for _ in range(100):  # a zombie counts as gone: PID 1 here may reap it late
        try:
            with open(f"/proc/{pid}/stat") as stat:
                if stat.read().rsplit(")", 1)[1].split()[0] == "Z":
                    return
        except (OSError, IndexError):
            return
        time.sleep(0.1)


if __name__ == "__main__":
    if len(sys.argv) == 5 and sys.argv[1] == "start":
        signal.pthread_sigmask(signal.SIG_BLOCK, [signal.SIGTERM])
        start(sys.argv[2], sys.argv[3], sys.argv[4])
    elif len(sys.argv) == 3 and sys.argv[1] == "stop":
        stop(sys.argv[2])
    else:
        sys.exit(__doc__)
