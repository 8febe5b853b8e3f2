"""The loopback stand-in (service_standin.py) against Python's ssl and http.client
and the curl command: certificates checked against its CA, refused with
another, requests routed by their host and recorded, nothing left at stop."""
import http.client
import json
import os
import pathlib
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from service_standin import StandIn  # noqa: E402

LOCATION = "https://onedrive.live.com/redir?resid=PROBE%211&authkey=!Probe"
SCRIPT = {"routes": [
    {"host": "1drv.ms", "path": "/u/s!Probe", "status": 302, "headers": [["Location", LOCATION]]},
    {"host": "api-badgerp.svc.ms", "path": "/v1.0/token", "method": "POST",
     "answers": [{"status": 401, "body": "expired"}, {"body": '{"token":"fresh"}'}]},
    {"host": "my.microsoftpersonalcontent.com", "path": "/_api/v2.0/shares/u!probe/driveitem",
     "body_base64": "AAH/"},
    {"host": "contoso-my.sharepoint.com", "path": "/port", "body": "port {port}"},
    {"host": "contoso-my.sharepoint.cn", "path": "/hang", "hang": True},
]}


def tunnel(standin, host, cafile, connect_headers=b""):
    """A TLS socket to host through the stand-in's CONNECT, checked against cafile."""
    raw = socket.create_connection(("127.0.0.1", standin.port), timeout=10)
    raw.sendall(b"CONNECT %s:443 HTTP/1.1\r\nHost: %s:443\r\n%s\r\n" % (host.encode(), host.encode(), connect_headers))
    answer = b""
    while not answer.endswith(b"\r\n\r\n"):
        answer += raw.recv(1)
    assert answer.startswith(b"HTTP/1.1 200 "), answer
    return ssl.create_default_context(cafile=cafile).wrap_socket(raw, server_hostname=host)


def exchange(conn, request):
    """Sends one request's bytes and reads its answer: (status, body)."""
    conn.sendall(request)
    response = http.client.HTTPResponse(conn)
    response.begin()
    return response.status, response.read()


class StandInTest(unittest.TestCase):
    def setUp(self):
        self.ca_dir = tempfile.mkdtemp(prefix="corvanel-standin-test-")
        self.addCleanup(shutil.rmtree, self.ca_dir)
        self.standin = StandIn(SCRIPT, ca_dir=self.ca_dir).start()
        self.addCleanup(self.standin.stop)

    def test_https_through_the_proxy_is_verified_and_recorded_before_the_answer(self):
        conn = http.client.HTTPSConnection("127.0.0.1", self.standin.port,
                                           context=ssl.create_default_context(cafile=self.standin.ca_pem))
        conn.set_tunnel("1drv.ms", 443)
        conn.request("GET", "/u/s!Probe")
        response = conn.getresponse()
        self.assertEqual((response.status, response.getheader("Location")), (302, LOCATION))
        record, = self.standin.requests()
        self.assertEqual((record.connection, record.tunnel, record.host, record.method, record.target),
                         (1, "1drv.ms:443", "1drv.ms", "GET", "/u/s!Probe"))
        files = {name: pathlib.Path(self.standin.record_dir, name).read_bytes()
                 for name in os.listdir(self.standin.record_dir)}
        self.assertEqual(files, {"000001.tunnel": b"1drv.ms:443\n", "000001.via": b"1 1drv.ms 1drv.ms:443\n",
                                 "000001.req": record.raw})
        conn.close()

    def test_every_request_is_routed_by_its_own_host(self):
        cases = [  # (through a tunnel to, request bytes, status, body, host routed by)
            ("1drv.ms", b"GET https://my.microsoftpersonalcontent.com/_api/v2.0/shares/u!probe/driveitem HTTP/1.1\r\n"
             b"Host: my.microsoftpersonalcontent.com\r\n\r\n", 200, b"\x00\x01\xff", "my.microsoftpersonalcontent.com"),
            ("1drv.ms", b"GET /port HTTP/1.1\r\nHost: contoso-my.sharepoint.com\r\n\r\n",
             200, b"port %d" % self.standin.port, "contoso-my.sharepoint.com"),
            ("1drv.ms", b"GET /u/s!Probe?x=1 HTTP/1.1\r\n\r\n", 302, b"", "1drv.ms"),
            ("1drv.ms", b"GET /nowhere HTTP/1.1\r\nHost: 1drv.ms\r\n\r\n", 404, b"no route for 1drv.ms/nowhere",
             "1drv.ms"),
            ("1drv.ms", b"POST /u/s!Probe HTTP/1.1\r\nHost: 1drv.ms\r\nContent-Length: 0\r\n\r\n", 302, b"", "1drv.ms"),
            ("1drv.ms", b"GET /v1.0/token HTTP/1.1\r\nHost: api-badgerp.svc.ms\r\n\r\n", 404,
             b"no route for api-badgerp.svc.ms/v1.0/token", "api-badgerp.svc.ms"),
            (None, b"GET http://1drv.ms/u/s!Probe HTTP/1.1\r\nHost: 1drv.ms\r\n\r\n", 302, b"", "1drv.ms"),
            (None, b"GET /port HTTP/1.1\r\nHost: contoso-my.sharepoint.com:80\r\n\r\n",
             200, b"port %d" % self.standin.port, "contoso-my.sharepoint.com"),
            (None, b"GET http://unknown.example/u/s!Probe HTTP/1.1\r\n\r\n", 404,
             b"no route for unknown.example/u/s!Probe", "unknown.example"),
        ]
        secure = tunnel(self.standin, "1drv.ms", self.standin.ca_pem)
        plain = socket.create_connection(("127.0.0.1", self.standin.port), timeout=10)
        for through, request, status, body, host in cases:
            with self.subTest(request):
                self.assertEqual(exchange(secure if through else plain, request), (status, body))
                record = self.standin.requests()[-1]
                self.assertEqual((record.host, record.tunnel), (host, "1drv.ms:443" if through else None))
        secure.close()
        plain.close()
        self.assertEqual((self.standin.connections(), self.standin.tunnels()), (2, ["1drv.ms:443"]))
        self.assertEqual({r.connection for r in self.standin.requests()}, {1, 2})

    def test_answers_are_used_in_turn_and_the_last_one_repeats(self):
        # Wine's CONNECT for a POST names the POST's Content-Length, and has no content all the same.
        conn = tunnel(self.standin, "api-badgerp.svc.ms", self.standin.ca_pem, b"Content-Length: 2\r\n")
        post = b"POST /v1.0/token HTTP/1.1\r\nHost: api-badgerp.svc.ms\r\nContent-Length: 2\r\n\r\n{}"
        self.assertEqual([exchange(conn, post) for _ in range(3)],
                         [(401, b"expired"), (200, b'{"token":"fresh"}'), (200, b'{"token":"fresh"}')])
        self.assertEqual([r.body for r in self.standin.requests()], [b"{}"] * 3)
        conn.close()

    def test_a_route_may_answer_from_python(self):
        script = {"routes": [{"host": "1drv.ms", "path": "/echo",
                              "respond": lambda record: {"body": record.host + " " + record.body.decode()}}]}
        with StandIn(script, ca_dir=self.ca_dir) as standin:
            conn = tunnel(standin, "1drv.ms", standin.ca_pem)
            self.assertEqual(exchange(conn, b"POST /echo HTTP/1.1\r\nContent-Length: 2\r\n\r\nhi"),
                             (200, b"1drv.ms hi"))
            conn.close()

    def test_a_ca_that_the_client_does_not_know_is_refused(self):
        with StandIn(SCRIPT) as stranger:
            for standin, cafile in ((stranger, self.standin.ca_pem), (self.standin, stranger.ca_pem)):
                with self.subTest(cafile):
                    with self.assertRaises(ssl.SSLCertVerificationError):
                        tunnel(standin, "1drv.ms", cafile)
            self.assertEqual(stranger.requests(), [])
            self.assertEqual(stranger.tunnels(), ["1drv.ms:443"])

    def test_a_certificate_for_another_name_is_refused(self):
        raw = socket.create_connection(("127.0.0.1", self.standin.port), timeout=10)
        raw.sendall(b"CONNECT 1drv.ms:443 HTTP/1.1\r\n\r\n")
        raw.recv(4096)
        with self.assertRaises(ssl.SSLCertVerificationError):
            ssl.create_default_context(cafile=self.standin.ca_pem).wrap_socket(raw, server_hostname="evil.example")

    def test_the_ca_and_host_certificates_of_a_directory_are_reused(self):
        tunnel(self.standin, "1drv.ms", self.standin.ca_pem).close()
        paths = [self.standin.ca_pem, self.standin.ca_der, os.path.join(self.ca_dir, "hosts", "1drv.ms.pem")]
        before = [pathlib.Path(path).read_bytes() for path in paths]
        with StandIn(SCRIPT, ca_dir=self.ca_dir) as again:
            tunnel(again, "1drv.ms", self.standin.ca_pem).close()
            self.assertEqual([pathlib.Path(path).read_bytes() for path in paths], before)

    def test_stop_ends_every_thread_and_removes_its_files(self):
        threads = threading.active_count()
        standin = StandIn(SCRIPT).start()
        idle = tunnel(standin, "1drv.ms", standin.ca_pem)
        hanging = tunnel(standin, "contoso-my.sharepoint.cn", standin.ca_pem)
        hanging.sendall(b"GET /hang HTTP/1.1\r\nHost: contoso-my.sharepoint.cn\r\n\r\n")
        plain = socket.create_connection(("127.0.0.1", standin.port), timeout=10)
        while len(standin.requests()) < 1 or standin.connections() < 3:
            threading.Event().wait(0.01)
        standin.stop()
        self.assertEqual(threading.active_count(), threads)
        self.assertFalse(os.path.exists(standin.record_dir))
        self.assertFalse(os.path.exists(os.path.dirname(standin.ca_pem)))
        for conn in (idle, hanging, plain):
            conn.close()

    def test_curl_verifies_through_the_proxy_and_refuses_another_ca(self):
        def curl(cafile):
            return subprocess.run(
                ["curl", "-sS", "--max-time", "20", "--proxy", "http://" + self.standin.proxy, "--cacert", cafile,
                 "-H", "Content-Type: application/json", "-d", '{"a":1}', "https://api-badgerp.svc.ms/v1.0/token"],
                capture_output=True)
        with StandIn() as stranger:
            refused = curl(stranger.ca_pem)
        self.assertEqual(refused.returncode, 60, refused.stderr)  # the peer's certificate could not be checked
        accepted = curl(self.standin.ca_pem)
        self.assertEqual((accepted.returncode, accepted.stdout), (0, b"expired"), accepted.stderr)
        record = self.standin.requests()[-1]
        self.assertEqual((record.method, record.host, record.body), ("POST", "api-badgerp.svc.ms", b'{"a":1}'))
        self.assertIn(("Content-Type", "application/json"), record.headers)


class CommandLineTest(unittest.TestCase):
    def test_the_command_gets_the_proxy_the_ca_and_the_records(self):
        probe = """if True:
            import json, os, urllib.request, ssl
            context = ssl.create_default_context(cafile=os.environ["CORVANEL_STANDIN_CA_PEM"])
            body = urllib.request.urlopen("https://contoso-my.sharepoint.com/port", context=context).read()
            records = sorted(os.listdir(os.environ["CORVANEL_STANDIN_RECORD_DIR"]))
            print(json.dumps([body.decode(), os.environ["https_proxy"], os.environ["CORVANEL_STANDIN_PROXY"],
                              os.path.getsize(os.environ["CORVANEL_STANDIN_CA_DER"]) > 0, records]))
            raise SystemExit(3)
        """
        with tempfile.NamedTemporaryFile("w", suffix=".json") as script:
            json.dump(SCRIPT, script)
            script.flush()
            done = subprocess.run([sys.executable, os.path.join(HERE, "service_standin.py"), "--script", script.name,
                                   "--proxy-env", "--", sys.executable, "-c", probe], capture_output=True, timeout=60)
        self.assertEqual(done.returncode, 3, done.stderr)
        body, https_proxy, proxy, has_der, records = json.loads(done.stdout)
        self.assertEqual((body, https_proxy, has_der, records),
                         ("port " + proxy.split(":")[1], "http://" + proxy, True,
                          ["000001.req", "000001.tunnel", "000001.via"]))


if __name__ == "__main__":
    unittest.main()
