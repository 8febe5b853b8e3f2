"""The real program against servers on 127.0.0.1 that the tests start: links off
the personal share host go out in one GET, and hostile answers end in the
outcome the resolver's rules give, without a crash. Run one group with
    server_tests.py ServerLinkTests
"""
import os
import sys
import time
import unittest

from gui_tests import CAPTION, PERSONAL_DIRECT, PERSONAL_LINK, SUCCESS_CAPTION, ProgramTest
from harness import LINK_BOX, RESOLVE_BUTTON, WINE_RUN, Program, gbk, hexed, wait_for

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "servers"))
from http_test_server import TestServer, load_script  # noqa: E402

UNDER_WINE = bool(WINE_RUN)

HUGE_BODY = 384 * 1024 * 1024
HELD_SECONDS = 6
# The hostile answers that the request object's own tests meet too.
SHARED_ROUTES = os.path.join(HERE, "..", "http", "server_routes.json")
BUSINESS_TARGET = ("https://contoso-my.sharepoint.com/personal/x/_layouts/15/onedrive.aspx"
                   "?id=/personal/x/Documents/a.txt&parent=/personal/x/Documents")
ROUTES = [
    {"path": "/personal", "status": 302, "headers": [["Location", PERSONAL_LINK.decode()]]},
    {"path": "/business", "status": 302, "headers": [["Location", BUSINESS_TARGET]]},
    {"path": "/lower", "status": 302, "headers": [["location", PERSONAL_LINK.decode()]]},
    {"path": "/look-alike", "status": 302, "headers": [["Location", BUSINESS_TARGET.replace(
        "sharepoint.com/", "sharepoint.com.evil.example/")]]},
    {"path": "/escape", "status": 302,
     "headers": [["Location", "https://onedrive.live.com/redir?resid=E%211\u001b[2J&authkey=!E&"]]},
    {"path": "/delete", "status": 302,
     "headers": [["Location", "https://onedrive.live.com/redir?resid=D%211&authkey=!D\u007f&"]]},
    {"path": "/held", "silent_seconds": HELD_SECONDS},
    {"path": "/huge", "status": 302, "headers": [["Location", PERSONAL_LINK.decode()]], "body_size": HUGE_BODY},
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
            # The host test would see a share host, while the request object would go to the server:
            # a link with a user part is no share link.
            ("user part on the personal host", b"http://onedrive.live.com:x@" + at_server
             + b"/redir?resid=U%211&authkey=!U&", None, 0),
            ("user part on the short-link host", b"http://1drv.ms:x@" + at_server + b"/personal", None, 0),
            ("redirect to a look-alike business host", local + b"/look-alike", None, 1),
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
        self.run_cases(p, server, [("expired, self-signed, wrong name", link, None, 0)])



class AttackTests(ServerTest):
    """Faults found by attacking the program: each case shows one that is mended."""

    def start_held_request(self, p, server):
        """A click whose request the server holds for a few seconds, then closes unanswered."""
        before = len(server.requests())
        p.set_clipboard_text(b"kept")
        self.resolve(p, b"http://127.0.0.1:%d/held" % server.port)
        wait_for("the held request", lambda: len(server.requests()) == before + 1)

    def test_closing_during_a_held_request_ends_the_program(self):
        server = self.serve()
        # Alt+F4 and the close box; Esc is taken by the request's own message loop and may be lost.
        for close in ("altf4", "close box"):
            with self.subTest(close):
                p = Program()
                try:
                    self.start_held_request(p, server)
                    started = time.monotonic()
                    if close == "altf4":
                        p.key("altf4")
                    else:
                        p.d("post", p.main.hwnd, 0x0112, 0xF060, 0)  # WM_SYSCOMMAND, SC_CLOSE
                    # Wine's object ends a request only when the server does (its Abort, called from
                    # inside the wait, was seen to hang for ever): the program ends with the answer.
                    wait_for("the program to end", lambda: not p.alive(), seconds=HELD_SECONDS + 60)
                    print("%s: the program ended %.2f s after the close, the request being held %d s"
                          % (close, time.monotonic() - started, HELD_SECONDS))
                    self.assertEqual(p.clipboard(), b"kept")
                    self.assertEqual(p.dialogs(), [])
                finally:
                    p.close()

    def test_clicks_during_a_request_start_nothing(self):
        server = self.serve()
        p = self.start()
        self.start_held_request(p, server)
        for _ in range(50):
            p.d("post", p.control(RESOLVE_BUTTON).hwnd, 0x00F5, 0, 0)  # BM_CLICK
        # The request's own message loop takes the clicks while it waits.
        p.sync()
        self.expect_failure_box(p)
        p.sync()
        self.assertEqual(p.dialogs(), [])
        self.assertEqual(len(server.requests()), 1)
        self.assertEqual(p.clipboard(), b"kept")

    def test_a_link_ends_at_its_first_control_character(self):
        chat = b"https://1drv.ms/u/s!AbCd\r\n" + gbk("提取码: 1234") + b"\r\nPassword: hunter2"
        p = self.start(clipboard=chat)
        wait_for("the box filled", lambda: p.control(LINK_BOX).text() == b"https://1drv.ms/u/s!AbCd")

        server = self.serve()
        local = b"http://127.0.0.1:%d" % server.port
        self.run_cases(p, server, [
            ("headers after a line break", local + b"/personal\r\nHost: evil.example\r\nX-Injected: 1",
             PERSONAL_DIRECT, 1),
            ("Location with ESC", local + b"/escape", None, 1),
            ("Location with DEL", local + b"/delete", None, 1),
        ])
        sent = server.requests()[0]
        self.assertEqual(sent.target, "/personal")
        self.assertEqual(dict(sent.headers).get("Host"), "127.0.0.1:%d" % server.port)
        self.assertNotIn("X-Injected", dict(sent.headers))

    def test_user_part_and_look_alike_hosts_are_not_filled_in(self):
        for link in (b"http://1drv.ms:x@127.0.0.1:9/u/s!AbCd", b"https://x.my.sharepoint.com.evil.example/:u:/g/x",
                     b"https://evilmy.sharepoint.com/:u:/g/x"):
            with self.subTest(link):
                p = Program(clipboard=link)
                try:
                    p.sync()
                    self.assertEqual(p.control(LINK_BOX).text(), b"")
                finally:
                    p.close()

    def test_a_huge_answer_is_not_copied(self):
        server = self.serve()
        p = self.start()
        self.run_cases(p, server, [("302 with a huge body", b"http://127.0.0.1:%d/huge" % server.port,
                                    PERSONAL_DIRECT, 1)])
        private, working = (int(v) for v in p.d("peak", p.pid))
        print("huge body of %d MiB: peak private bytes %d MiB, peak working set %d MiB"
              % (HUGE_BODY >> 20, private >> 20, working >> 20))
        # The request object holds the body once; the program adds no copy of its own.
        self.assertLess(private, HUGE_BODY + (96 << 20))


if __name__ == "__main__":
    unittest.main()
