"""A loopback stand-in of the service's hosts: an HTTP proxy on 127.0.0.1 that
answers for any host name, over TLS with certificates that its own CA signs.

A client reaches it as its proxy (http_proxy / https_proxy); the stand-in
plays every host itself:
- "CONNECT host:port" gets "200 Connection established", then a TLS
  handshake with a certificate for that host (made on first use with the
  openssl command-line tool, then reused), then HTTP/1.1 requests inside the
  tunnel, kept alive. A tunnel may carry requests to other hosts than the one
  it was opened for (Wine pools connections by proxy), so every request is
  routed by the host of its absolute-form target, else by its Host header,
  else by the tunnel's host;
- plain requests in absolute form ("GET http://host/path HTTP/1.1") and in
  origin form (routed by the Host header) are answered on the connection.

From Python:

    from service_standin import StandIn
    with StandIn(script, ca_dir=DIR) as standin:
        ... standin.proxy ("127.0.0.1:PORT"), standin.ca_pem, standin.ca_der ...
        records = standin.requests()

ca_dir: the CA (ca.pem, ca.der, ca.key) found there is used, else made there,
so that it is installed into a client (a Wine prefix: tests/wine/root_ca.py)
once and trusted by every later run; the host certificates are kept in
DIR/hosts. ca_dir=None makes a throw-away CA that no client knows, for the
tests of a refused handshake; it goes at stop.

Around a command, like run_with_server.py:

    python3 tests/servers/service_standin.py [--script ROUTES.json] [--ca-dir DIR]
        [--proxy-env] [--timeout SECONDS] -- COMMAND ARGS...

COMMAND gets CORVANEL_STANDIN_PROXY (127.0.0.1:PORT), CORVANEL_STANDIN_CA_PEM,
CORVANEL_STANDIN_CA_DER and CORVANEL_STANDIN_RECORD_DIR; with --proxy-env also
http_proxy and https_proxy (http://127.0.0.1:PORT), for it alone.

Script: {"routes": [...]}, each route as in http_test_server.py ("status",
"reason", "headers", "body" or "body_base64", "hang", "close",
"silent_seconds", "reset"; "{port}" is the stand-in's port), matched on
    "host"   exact, lower case (a route without one serves every host),
    "path"   the target's path, the query left out,
    "method" optional;
the first match answers, a request that none matches gets 404. A route may
hold "answers": [{...}, {...}], answers merged over the route and used one
per request in turn, the last one for every request after (a token refused,
then a fresh one accepted). From Python a route may give "respond": a
function of the Record that returns the answer (a dict as above).

Records: requests() gives Record tuples in order of arrival, tunnels() the
CONNECT targets; connections() counts the connections accepted (a tunnel is
one), also those that carried no request. Each is also written to the record
directory before it is answered, every file complete once it is there:
- NNNNNN.req (NNNNNN: 000001, 000002, ... per request) holds the request's
  bytes as received, as http_test_server.py writes them; NNNNNN.via, in place
  before it, one line "CONNECTION HOST TUNNEL": the connection's number (1,
  2, ... in order of acceptance), the host the request was routed by, and the
  CONNECT target (host:port) of its tunnel or "-" outside a tunnel;
- CCCCCC.tunnel (CCCCCC: the connection's number) holds the CONNECT target
  and a line end; a tunnel without requests is one whose client refused the
  handshake or sent nothing.
"""

import argparse
import collections
import fcntl
import os
import re
import secrets
import shutil
import socket
import ssl
import sys
import tempfile
import threading
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from http_test_server import (_Listener, _openssl, fill_text, load_script, parse_request,  # noqa: E402
                              read_request, render_answer, serve_requests)
from run_with_server import command_arguments, run_command  # noqa: E402

Record = collections.namedtuple("Record", "connection tunnel host method target version headers body raw")

HOST_NAME = re.compile(r"^[a-z0-9]([a-z0-9.-]*[a-z0-9])?$")
IP_ADDRESS = re.compile(r"^\d+\.\d+\.\d+\.\d+$")

OPENSSL_CONFIG = """[req]
distinguished_name = dn
[dn]
[ca]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[host]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
subjectAltName = $ENV::STANDIN_SAN
"""
# P-256 keys: made in milliseconds, where an RSA key takes a tenth of a second.
NEW_KEY = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes"]


def _make_certificate(directory, name, subject, extensions, san="DNS:unused", ca=None):
    """Key and certificate as NAME.key and NAME.pem in directory, signed by ca (pem, key) or by itself.
    san is needed even for the CA: openssl fills in the whole config when it loads it."""
    config = os.path.join(directory, "openssl.cnf")
    if not os.path.exists(config):
        with open(config, "w") as f:
            f.write(OPENSSL_CONFIG)
    signer = ["-CA", ca[0], "-CAkey", ca[1], "-set_serial", str(secrets.randbits(63))] if ca else []
    _openssl("req", "-x509", "-config", config, "-extensions", extensions, *NEW_KEY, *signer,
             "-keyout", os.path.join(directory, name + ".key"), "-out", os.path.join(directory, name + ".pem"),
             "-days", "3650", "-subj", "/CN=" + subject,
             env=dict(os.environ, STANDIN_SAN=san))  # the config reads the name from there


def load_or_make_ca(directory):
    """(ca.pem, ca.der, ca.key) in directory, made there unless all three are there already."""
    os.makedirs(directory, exist_ok=True)
    pem, der, key = (os.path.join(directory, "ca." + kind) for kind in ("pem", "der", "key"))
    # Another run may be making the same CA at the same time.
    with open(os.path.join(directory, "lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not all(os.path.exists(path) for path in (pem, der, key)):
            # Host certificates of an earlier CA would be refused now.
            shutil.rmtree(os.path.join(directory, "hosts"), ignore_errors=True)
            _make_certificate(directory, "ca", "Corvanel stand-in CA", "ca")
            with open(pem) as f, open(der + ".part", "wb") as out:
                out.write(ssl.PEM_cert_to_DER_cert(f.read()))
            os.replace(der + ".part", der)
    return pem, der, key


def request_host(request, tunnel):
    """The host a request is meant for: absolute-form target, Host header, tunnel, in that order."""
    host = urllib.parse.urlsplit(request.target).hostname
    if not host:
        value = next((v for n, v in request.headers if n.lower() == "host"), "")
        host = urllib.parse.urlsplit("//" + value).hostname if value else None
    return host or (tunnel.rpartition(":")[0].lower() if tunnel else "")


class _TunnelHandler:
    """One accepted connection: a tunnel after CONNECT, else plain requests."""

    def __init__(self, conn, address, listener):
        standin = listener.owner
        number = standin._opened(conn)
        try:
            reader = conn.makefile("rb")
            raw = read_request(reader)
            tunnel = None
            if raw is not None and raw.startswith(b"CONNECT "):
                tunnel = parse_request(raw).target
                context = standin._context_for(tunnel.rpartition(":")[0].lower())
                if context is None:
                    conn.sendall(b"HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
                    return
                standin._record_tunnel(number, tunnel)
                conn.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
                reader.close()
                conn = context.wrap_socket(conn, server_side=True)
                standin._opened(conn, number)
                reader = conn.makefile("rb")
                raw = None
            if raw is not None or tunnel:
                serve_requests(conn, reader, standin.stopping, lambda r: standin._take(r, number, tunnel),
                               standin.answer, raw)
        except OSError:
            pass  # a refused handshake, a client gone, or the stand-in stopping
        finally:
            conn.close()
            standin._closed(number)


class StandIn:
    def __init__(self, script=None, ca_dir=None):
        self.script = script or {"routes": []}
        self.stopping = threading.Event()
        self._lock = threading.Lock()
        self._records = []
        self._tunnels = []
        self._open = {}
        self._count = 0
        self._uses = collections.Counter()
        self._contexts = {}
        self._temp_ca = None if ca_dir else tempfile.mkdtemp(prefix="corvanel-standin-ca-")
        ca_dir = ca_dir or self._temp_ca
        self.ca_pem, self.ca_der, self._ca_key = load_or_make_ca(ca_dir)
        self._hosts_dir = os.path.join(ca_dir, "hosts")
        os.makedirs(self._hosts_dir, exist_ok=True)
        self.record_dir = tempfile.mkdtemp(prefix="corvanel-standin-requests-")
        self._listener = _Listener(self, handler=_TunnelHandler)
        # Every connection's thread ends before stop() returns.
        self._listener.block_on_close = True
        self.port = self._listener.server_address[1]
        self.proxy = "127.0.0.1:%d" % self.port
        self._thread = None

    def start(self):
        self._thread = threading.Thread(target=self._listener.serve_forever, kwargs={"poll_interval": 0.1},
                                        daemon=True)
        self._thread.start()
        return self

    def stop(self):
        self.stopping.set()
        self._listener.shutdown()
        with self._lock:
            for conn in self._open.values():
                try:
                    # The plain socket's shutdown, not SSLSocket's, which would unwrap under its reader.
                    socket.socket.shutdown(conn, socket.SHUT_RDWR)
                except OSError:
                    pass
        self._listener.server_close()
        self._thread.join()
        shutil.rmtree(self.record_dir, ignore_errors=True)
        if self._temp_ca:
            shutil.rmtree(self._temp_ca, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def requests(self):
        with self._lock:
            return list(self._records)

    def connections(self):
        with self._lock:
            return self._count

    def tunnels(self):
        """The CONNECT targets, in order of arrival."""
        with self._lock:
            return list(self._tunnels)

    def answer(self, route):
        return render_answer(route, lambda text: fill_text(text, self.port))

    def _opened(self, conn, number=None):
        with self._lock:
            if number is None:
                self._count += 1
                number = self._count
            self._open[number] = conn
            return number

    def _closed(self, number):
        with self._lock:
            self._open.pop(number, None)

    def _context_for(self, host):
        """The server context with the host's certificate; None for a name that is none."""
        if not HOST_NAME.match(host):
            return None
        with self._lock:
            if host not in self._contexts:
                path = os.path.join(self._hosts_dir, host)
                if not os.path.exists(path + ".pem"):
                    # Made aside and renamed: another run may read the same host's files.
                    aside = tempfile.mkdtemp(dir=self._hosts_dir)
                    san = ("IP:" if IP_ADDRESS.match(host) else "DNS:") + host
                    _make_certificate(aside, "host", host, "host", san, (self.ca_pem, self._ca_key))
                    os.replace(os.path.join(aside, "host.key"), path + ".key")
                    os.replace(os.path.join(aside, "host.pem"), path + ".pem")
                    shutil.rmtree(aside)
                context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
                context.load_cert_chain(path + ".pem", path + ".key")
                self._contexts[host] = context
            return self._contexts[host]

    def _write(self, name, data):
        """A record file, complete once it is there."""
        path = os.path.join(self.record_dir, name)
        with open(path + ".part", "wb") as out:
            out.write(data)
        os.replace(path + ".part", path)

    def _record_tunnel(self, connection, target):
        with self._lock:
            self._tunnels.append(target)
            self._write("%06d.tunnel" % connection, target.encode("latin-1") + b"\n")

    def _take(self, raw, connection, tunnel):
        request = parse_request(raw)
        host = request_host(request, tunnel)
        record = Record(connection, tunnel, host, *request)
        with self._lock:
            self._records.append(record)
            name = "%06d" % len(self._records)
            self._write(name + ".via", ("%d %s %s\n" % (connection, host or "-", tunnel or "-")).encode("latin-1"))
            self._write(name + ".req", raw)
            route = self._route_for(host, request.method, urllib.parse.urlsplit(request.target).path)
        return route["respond"](record) if "respond" in route else route

    def _route_for(self, host, method, path):
        for index, route in enumerate(self.script.get("routes", [])):
            if route.get("path") == path and route.get("host", host) == host and route.get("method", method) == method:
                if "answers" in route:
                    answers = route["answers"]
                    route = dict(route, **answers[min(self._uses[index], len(answers) - 1)])
                    self._uses[index] += 1
                return route
        return {"status": 404, "body": "no route for %s%s" % (host, path)}


def main():
    parser = argparse.ArgumentParser(description="Runs a command while the stand-in of the service's hosts runs.")
    parser.add_argument("--ca-dir", help="directory of the CA to use or make; a throw-away CA when not given")
    parser.add_argument("--proxy-env", action="store_true", help="set http_proxy and https_proxy for the command")
    args = command_arguments(parser)
    with StandIn(load_script(args.script), ca_dir=args.ca_dir) as standin:
        env = dict(os.environ, CORVANEL_STANDIN_PROXY=standin.proxy, CORVANEL_STANDIN_CA_PEM=standin.ca_pem,
                   CORVANEL_STANDIN_CA_DER=standin.ca_der, CORVANEL_STANDIN_RECORD_DIR=standin.record_dir)
        if args.proxy_env:
            env["http_proxy"] = env["https_proxy"] = "http://" + standin.proxy
        return run_command(args.command, env, args.timeout, "service_standin")


if __name__ == "__main__":
    sys.exit(main())
