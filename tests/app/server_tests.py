"""The real program against servers on 127.0.0.1 that the tests start: links off
the personal share host go out in one GET, and hostile answers end in the
outcome the resolver's rules give, without a crash. Run one group with
    server_tests.py ServerLinkTests
"""
import os
import sys
import unittest

from gui_tests import CAPTION, PERSONAL_DIRECT, PERSONAL_LINK, SUCCESS_CAPTION, ProgramTest
from harness import WINE_RUN, hexed, wait_for

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "servers"))
from http_test_server import TestServer, load_script  # noqa: E402

UNDER_WINE = bool(WINE_RUN)

# The hostile answers that the request object's own tests meet too.
SHARED_ROUTES = os.path.join(HERE, "..", "http", "server_routes.json")
BUSINESS_TARGET = ("https://contoso-my.sharepoint.com/personal/x/_layouts/15/onedrive.aspx"
                   "?id=/personal/x/Documents/a.txt&parent=/personal/x/Documents")
ROUTES = [
    {"path": "/personal", "status": 302, "headers": [["Location", PERSONAL_LINK.decode()]]},
    {"path": "/business", "status": 302, "headers": [["Location", BUSINESS_TARGET]]},
    {"path": "/lower", "status": 302, "headers": [["location", PERSONAL_LINK.decode()]]},
    # Never followed, so the parameters of the target's own query resolve.
    {"path": "/loop-personal", "status": 302,
     "headers": [["Location", "http://127.0.0.1:{port}/loop-personal?x=onedrive.live.com&resid=L%211&authkey=!L&"]]},
]


def storage_link(resid, authkey):
    return b"https://storage.live.com/items/" + resid + b"?authkey=" + authkey


class ServerTest(ProgramTest):
    def serve(self, tls=False):
        script = load_script(SHARED_ROUTES)
        script["routes"] = ROUTES + script["routes"]
        server = TestServer(script, tls=tls).start()
        self.addCleanup(server.stop)
        return server

    def run_cases(self, p, server, table):
        """Each case: (name, link, direct link or None for the failure box,
        requests that reach the server)."""
        for name, link, direct, requests in table:
            with self.subTest(name):
                # No share link on the clipboard: the auto-fill, which runs when
                # the box closes and the window gets the focus back, keeps the box.
                p.set_clipboard_text(b"kept")
                # The caption tells when the program is done with the clipboard;
                # polling the clipboard itself could keep the program out of it.
                p.d("settext", p.main.hwnd, hexed(CAPTION))
                before = len(server.requests())
                self.resolve(p, link)
                if direct is None:
                    # The icon is judged by its pixels: wait until it is painted.
                    box = p.message_box()
                    wait_for("the box's icon", lambda: p.d("boxicon", box) == ["information"])
                    self.expect_failure_box(p)
                    self.assertEqual(p.clipboard(), b"kept")
                    self.assertEqual(p.main.text(), CAPTION)
                else:
                    wait_for("the success caption", lambda: p.main.text() == SUCCESS_CAPTION)
                    self.assertEqual(p.clipboard(), direct)
                    self.assertEqual(p.dialogs(), [])
                self.assertEqual(len(server.requests()) - before, requests)
                self.assertTrue(p.alive())


class ServerLinkTests(ServerTest):
    def test_one_request_per_click_and_none_for_a_personal_link(self):
        server = self.serve()
        local = b"http://127.0.0.1:%d" % server.port
        at_server = b"127.0.0.1:%d" % server.port
        table = [
            ("redirect to a business site", local + b"/business",
             b"https://contoso-my.sharepoint.com/personal/x/Documents/a.txt", 1),
            ("lower-case location header", local + b"/lower", None, 1),
            ("answer 200", local + b"/echo", None, 1),
            ("closed port", b"http://127.0.0.1:9/s!Aq1", None, 0),
            ("empty link box", b"", None, 0),
            # The host test sees the personal share host, while the request
            # object would go to the server, as the next case shows.
            ("personal link", b"http://onedrive.live.com:x@" + at_server + b"/redir?resid=U%211&authkey=!U&",
             storage_link(b"U%211", b"!U"), 0),
            ("look-alike host", b"http://onedrive.live.com.example:x@" + at_server + b"/personal", PERSONAL_DIRECT, 1),
            ("same link again", local + b"/business",
             b"https://contoso-my.sharepoint.com/personal/x/Documents/a.txt", 1),
        ]
        p = self.start()
        self.run_cases(p, server, table)


class HostileServerTests(ServerTest):
    def test_hostile_answers(self):
        server = self.serve()
        local = b"http://127.0.0.1:%d" % server.port
        table = [
            ("connection reset", local + b"/reset", None, 1),
            ("silent, then closed", local + b"/silent", None, 1),
            ("1 MiB header block", local + b"/big-head", storage_link(b"BIG%211", b"!Big"), 1),
            ("10,000 Set-Cookie lines", local + b"/many-cookies", storage_link(b"COOKIES%211", b"!Many"), 1),
            # Wine's object ends the header block at the first value with bytes
            # above 0x7F, so the Location line after it is lost.
            ("bytes above 0x7F", local + b"/high-bytes", None, 1),
            # Wine's object cuts the line before the authkey.
            ("64 KiB Location line", local + b"/long-location", None, 1),
            ("redirect to itself", local + b"/loop", None, 1),
            ("redirect to itself with parameters", local + b"/loop-personal", storage_link(b"L%211", b"!L"), 1),
            ("responsive afterwards", PERSONAL_LINK, PERSONAL_DIRECT, 0),
        ]
        p = self.start()
        self.run_cases(p, server, table)

    @unittest.skipIf(UNDER_WINE, "Wine's request object applies no time-out while it waits for a response head")
    def test_server_that_never_answers_ends_in_the_time_out(self):
        server = self.serve()
        p = self.start()
        self.run_cases(p, server, [("never answers", b"http://127.0.0.1:%d/hang" % server.port, None, 1)])

    def test_certificate_to_refuse(self):
        server = self.serve(tls="bad")
        p = self.start()
        link = b"https://127.0.0.1:%d/personal" % server.tls_port
        if UNDER_WINE:
            # Certificate errors are to be ignored, but Wine's object cannot be
            # told to: it ends the connection after the handshake, unasked.
            self.run_cases(p, server, [("expired, self-signed, wrong name", link, None, 0)])
        else:
            self.run_cases(p, server, [("expired, self-signed, wrong name", link, PERSONAL_DIRECT, 1)])
        self.assertEqual(server.connections(), 1)


if __name__ == "__main__":
    unittest.main()
