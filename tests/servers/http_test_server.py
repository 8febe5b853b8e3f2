"""A scriptable HTTP and HTTPS server on 127.0.0.1 that records every request.

Tests start it themselves and stop it afterwards. Two ways:

1. Around a command (what the ctest entries do), through run_with_server.py:

       python3 tests/servers/run_with_server.py [--script FILE.json] [--tls] \
           [--timeout SECONDS] -- COMMAND ARGS...

   It starts the server on free ports, runs COMMAND with these environment
   variables added, stops the server (also when COMMAND fails, hangs past the
   time-out or the runner is terminated) and exits with COMMAND's exit code:

       CORVANEL_TEST_HTTP_PORT   port of the plain HTTP listener
       CORVANEL_TEST_HTTPS_PORT  port of the TLS listener (with --tls only)
       CORVANEL_TEST_CA_PEM      its certificate, a PEM file (with --tls only)
       CORVANEL_TEST_RECORD_DIR  directory of the recorded requests (below)

2. From Python:

       from http_test_server import TestServer
       with TestServer(script, tls=True) as server:
           ... server.port, server.tls_port, server.cert_file, server.record_dir ...
           requests = server.requests()

Script: a JSON object (or the same dict in Python) with a list of routes:

    {"routes": [
        {"path": "/short", "status": 302, "reason": "Found",
         "headers": [["Location", "http://127.0.0.1:{port}/target"]]},
        {"path": "/target", "body": "hello"},
        {"path": "/hang", "hang": true}
    ]}

A route matches on the path of the request target, the query left out; a
target in absolute form (what a proxy is sent) matches on its path part too.
The first matching route answers; a request that no route matches gets 404.
"status" defaults to 200, "reason" to the usual phrase, "body" (text, sent as
UTF-8) to nothing, "body_base64" gives the body as bytes instead; "{port}" and "{tls_port}" in header values and the body are
replaced by the listeners' ports, "{connection}" by the number of the
connection that carries the request (1, 2, ... in order of acceptance, both
listeners counted together); Content-Length is added unless the route
gives one. With "hang": true the request is recorded and never answered: the
connection stays open until the client gives up or the server stops, which is
how a client's time-out is tested. A route may also give "close": true to
close the connection after the answer; otherwise connections are kept alive.

Hostile answers, for clients that must survive them:
- "silent_seconds": N records the request, says nothing for N seconds (or
  until the client gives up) and closes the connection without an answer;
- "reset": true records the request and resets the connection (SO_LINGER 0);
- a header given as [name, value, count] is sent count times, "{n}" in its
  value replaced by 1, 2, ... count; "{pad:N}" in a value is replaced by N
  bytes "x" (for long lines without long scripts);
- header names, values and the reason are sent as Latin-1, so "\u0080" to
  "\u00ff" in a script are the single bytes 0x80 to 0xFF.
A CONNECT request (what a proxy client sends for https) is recorded like any
other; when its target is 127.0.0.1 at one of the server's own ports it is
answered 200 and the connection becomes a tunnel to that listener, so the
requests inside it are recorded too; any other target gets 502 and nothing
is connected.
"body_size": N sends N bytes "x" after the body, streamed, for huge answers.

TestServer.connections() counts the connections accepted (for TLS: those
whose handshake the client finished), also those that carried no request.

Records: each request, in order of arrival, is a file NNNNNN.req (000001,
000002, ...) in the record directory, holding the bytes exactly as received:
request line, header lines, the empty line, then the body (read by its
Content-Length). Each file is complete before the answer is sent (it is
renamed into place), so a client that has its answer finds the record.
TestServer.requests() returns them parsed as Request tuples.

The TLS listener presents a self-signed certificate for 127.0.0.1 and
localhost, made at start with the openssl command-line tool; with
TestServer(tls="bad") it presents one that a client must refuse unless it
ignores certificate errors: self-signed, expired in 2020 and made out for
wrong.example.
"""

import base64
import collections
import json
import os
import re
import select
import shutil
import socket
import socketserver
import ssl
import struct
import subprocess
import tempfile
import threading
import time
import urllib.parse

Request = collections.namedtuple("Request", "method target version headers body raw")

REASONS = {200: "OK", 301: "Moved Permanently", 302: "Found", 303: "See Other", 307: "Temporary Redirect",
           400: "Bad Request", 404: "Not Found", 500: "Internal Server Error"}


def parse_request(raw):
    """Splits recorded bytes into a Request; header values keep their bytes after ':' minus blanks."""
    head, _, body = raw.partition(b"\r\n\r\n")
    lines = head.split(b"\r\n")
    method, target, version = (lines[0].decode("latin-1").split(" ", 2) + ["", ""])[:3]
    headers = []
    for line in lines[1:]:
        name, _, value = line.decode("latin-1").partition(":")
        headers.append((name, value.strip(" \t")))
    return Request(method, target, version, headers, body, raw)


def read_request(reader):
    """One request's bytes (head and Content-Length body), or None once the client has closed."""
    head = b""
    while True:
        line = reader.readline(65536)
        if not line:
            return None
        if head == b"" and line in (b"\r\n", b"\n"):
            continue
        head += line
        if line in (b"\r\n", b"\n"):
            break
    length = 0
    # A CONNECT has no content, whatever its headers say: Wine's carries the tunnelled request's Content-Length.
    if not head.startswith(b"CONNECT "):
        for line in head.split(b"\r\n")[1:]:
            name, _, value = line.partition(b":")
            if name.strip().lower() == b"content-length":
                length = int(value.strip() or 0)
    body = reader.read(length) if length else b""
    return head + body


def serve_requests(conn, reader, stopping, take, answer, raw=None):
    """Answers the requests on one connection until it closes or stopping is set.

    take(raw) records a request and gives the route that answers it, answer(route)
    the bytes to send; raw is a request already read from the connection."""
    while not stopping.is_set():
        if raw is None:
            raw = read_request(reader)
            if raw is None:
                return
        route = take(raw)
        raw = None
        if route.get("hang"):
            _hold(conn, stopping)
            return
        if "silent_seconds" in route:
            _hold(conn, stopping, float(route["silent_seconds"]))
            return
        if route.get("reset"):
            # Closed here, before the server's own shutdown could send a FIN.
            conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            reader.close()
            conn.close()
            return
        if "tunnel_to" in route:
            _tunnel(conn, route["tunnel_to"], stopping)
            return
        conn.sendall(answer(route))
        _send_filler(conn, int(route.get("body_size", 0)))
        if route.get("close"):
            return


def _send_filler(conn, size):
    chunk = b"x" * min(size, 1 << 20)
    while size > 0:
        conn.sendall(chunk[:size])
        size -= len(chunk)


def _tunnel(conn, address, stopping):
    """Carries bytes both ways between the client and address until either end closes."""
    if address is None:
        conn.sendall(b"HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
        return
    with socket.create_connection(address) as upstream:
        conn.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
        ends = {conn: upstream, upstream: conn}
        while not stopping.is_set():
            ready, _, _ = select.select(list(ends), [], [], 0.1)
            for source in ready:
                data = source.recv(65536)
                if not data:
                    return
                ends[source].sendall(data)


def _hold(conn, stopping, seconds=None):
    conn.settimeout(0.1)
    deadline = None if seconds is None else time.monotonic() + seconds
    while not stopping.is_set() and (deadline is None or time.monotonic() < deadline):
        try:
            if not conn.recv(4096):
                return
        except socket.timeout:
            continue
        except OSError:
            return


class _Handler(socketserver.BaseRequestHandler):
    def handle(self):
        server = self.server.owner
        conn = self.request
        if isinstance(conn, ssl.SSLSocket):
            try:
                conn.do_handshake()
            except (ssl.SSLError, OSError):
                return
        connection = server.count_connection()
        try:
            serve_requests(conn, conn.makefile("rb"), server.stopping, server.take,
                           lambda route: server.answer(route, connection))
        except OSError:
            return


class _Listener(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    block_on_close = False

    def __init__(self, owner, tls_context=None, handler=_Handler):
        self.owner = owner
        self.tls_context = tls_context
        super().__init__(("127.0.0.1", 0), handler)

    def get_request(self):
        conn, address = self.socket.accept()
        if self.tls_context:
            conn = self.tls_context.wrap_socket(conn, server_side=True, do_handshake_on_connect=False)
        return conn, address


class TestServer:
    def __init__(self, script=None, tls=False, record_dir=None):
        self.script = script or {"routes": []}
        self.stopping = threading.Event()
        self._lock = threading.Lock()
        self._count = 0
        self._connections = 0
        self._own_dir = record_dir is None
        self.record_dir = record_dir or tempfile.mkdtemp(prefix="corvanel-requests-")
        self._listeners = [_Listener(self)]
        self._cert_dir = None
        self.cert_file = None
        if tls:
            self._listeners.append(_Listener(self, self._make_tls_context(bad=tls == "bad")))
        self.port = self._listeners[0].server_address[1]
        self.tls_port = self._listeners[1].server_address[1] if tls else None
        self._threads = []

    def _make_tls_context(self, bad=False):
        self._cert_dir = tempfile.mkdtemp(prefix="corvanel-cert-")
        key = os.path.join(self._cert_dir, "key.pem")
        cert = os.path.join(self._cert_dir, "cert.pem")
        if bad:
            _make_bad_certificate(self._cert_dir, key, cert)
        else:
            _openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                     "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost")
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        self.cert_file = cert
        return context

    def start(self):
        for listener in self._listeners:
            thread = threading.Thread(target=listener.serve_forever, kwargs={"poll_interval": 0.1}, daemon=True)
            thread.start()
            self._threads.append(thread)
        return self

    def stop(self):
        self.stopping.set()
        for listener in self._listeners:
            listener.shutdown()
            listener.server_close()
        for thread in self._threads:
            thread.join()
        if self._cert_dir:
            shutil.rmtree(self._cert_dir, ignore_errors=True)
        if self._own_dir:
            shutil.rmtree(self.record_dir, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def count_connection(self):
        with self._lock:
            self._connections += 1
            return self._connections

    def connections(self):
        with self._lock:
            return self._connections

    def record(self, raw):
        with self._lock:
            self._count += 1
            name = os.path.join(self.record_dir, "%06d.req" % self._count)
            with open(name + ".part", "wb") as out:
                out.write(raw)
            os.replace(name + ".part", name)

    def take(self, raw):
        self.record(raw)
        request = parse_request(raw)
        if request.method == "CONNECT":
            host, _, port = request.target.rpartition(":")
            own = host == "127.0.0.1" and port.isdigit() and int(port) in (self.port, self.tls_port)
            return {"tunnel_to": ("127.0.0.1", int(port)) if own else None}
        return self.route_for(request.target)

    def requests(self):
        names = sorted(n for n in os.listdir(self.record_dir) if n.endswith(".req"))
        result = []
        for name in names:
            with open(os.path.join(self.record_dir, name), "rb") as f:
                result.append(parse_request(f.read()))
        return result

    def route_for(self, target):
        path = urllib.parse.urlsplit(target).path or target
        for route in self.script.get("routes", []):
            if route.get("path") == path:
                return route
        return {"status": 404, "body": "no route for " + path}

    def answer(self, route, connection):
        return render_answer(route, lambda text: fill_text(text, self.port, self.tls_port).replace(
            "{connection}", str(connection)))


def fill_text(text, port, tls_port=None):
    text = re.sub(r"\{pad:(\d+)\}", lambda m: "x" * int(m.group(1)), text)
    return text.replace("{port}", str(port)).replace("{tls_port}", str(tls_port))


def render_answer(route, fill):
    """The bytes of a route's answer; fill(text) fills in the placeholders of values and the body."""
    status = int(route.get("status", 200))
    if "body_base64" in route:
        body = base64.b64decode(route["body_base64"])
    else:
        body = fill(route.get("body", "")).encode("utf-8")
    headers = []
    for name, value, *count in route.get("headers", []):
        value = fill(value)
        if count:
            headers += [(name, value.replace("{n}", str(n))) for n in range(1, count[0] + 1)]
        else:
            headers.append((name, value))
    if not any(name.lower() == "content-length" for name, _ in headers):
        headers.append(("Content-Length", str(len(body) + int(route.get("body_size", 0)))))
    if route.get("close"):
        headers.append(("Connection", "close"))
    head = "HTTP/1.1 %d %s\r\n" % (status, route.get("reason", REASONS.get(status, "Status")))
    head += "".join("%s: %s\r\n" % header for header in headers) + "\r\n"
    return head.encode("latin-1") + body


def _openssl(*args, cwd=None, env=None):
    subprocess.run(["openssl", *args], check=True, cwd=cwd, env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def _make_bad_certificate(directory, key, cert):
    """Self-signed, valid for one day in 2020 only, for a name no test connects to."""
    config = os.path.join(directory, "ca.cnf")
    with open(config, "w") as f:
        f.write("[ca]\ndefault_ca = own\n[own]\ndir = .\ndatabase = index.txt\nnew_certs_dir = .\n"
                "serial = serial\ndefault_md = sha256\npolicy = any\nemail_in_dn = no\n"
                "[any]\ncommonName = supplied\n")
    open(os.path.join(directory, "index.txt"), "w").close()
    with open(os.path.join(directory, "serial"), "w") as f:
        f.write("01\n")
    request = os.path.join(directory, "req.pem")
    _openssl("req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", request,
             "-subj", "/CN=wrong.example")
    _openssl("ca", "-batch", "-config", config, "-selfsign", "-keyfile", key, "-in", request, "-out", cert,
             "-startdate", "20200101000000Z", "-enddate", "20200102000000Z", cwd=directory)


def load_script(path):
    if not path:
        return None
    with open(path, encoding="utf-8") as f:
        return json.load(f)
