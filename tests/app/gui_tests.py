"""GUI tests of corvanel.exe under Wine. Each case runs the real program in a
fresh virtual desktop (see harness.py); run one group with
    gui_tests.py StartTests
"""
import http.server
import os
import shutil
import tempfile
import threading
import unittest
import xml.etree.ElementTree as ET

from harness import (HOME_PAGE_LABEL, LINK_BOX, PROMPT_LABEL, RESOLVE_BUTTON, Driver, Program, gbk,
                     hexed, unhexed, wait_for, windows_path)

WS_CAPTION, WS_SYSMENU, WS_THICKFRAME = 0x00C00000, 0x00080000, 0x00040000
WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_TABSTOP = 0x00020000, 0x00010000, 0x00010000
WS_HSCROLL, WS_VSCROLL = 0x00100000, 0x00200000
WS_EX_CLIENTEDGE, WS_EX_TOOLWINDOW, WS_EX_TOPMOST = 0x200, 0x80, 0x8
ES_CENTER, ES_RIGHT, ES_MULTILINE, ES_NOHIDESEL, ES_READONLY = 0x1, 0x2, 0x4, 0x100, 0x800
BS_TYPEMASK, BS_PUSHBUTTON = 0xF, 0x0

CAPTION = gbk("Corvanel")
SUCCESS_CAPTION = gbk("直链解析成功，已复制到剪贴板中！")
FAILURE_TEXT = gbk("直链解析失败，请检查链接是否正确！")
FAILURE_TITLE = gbk("信息：")
HOME_PAGE = b"http://www.telmaru.example/"
HOME_PAGE_CAPTION = gbk("Telmaru(点击访问)：") + HOME_PAGE

PERSONAL_LINK = b"https://onedrive.live.com/redir?resid=4F2A%21107&authkey=!AbC-9_x&ithint=file%2cpdf"
PERSONAL_DIRECT = b"https://storage.live.com/items/4F2A%21107?authkey=!AbC-9_x"
# Names that stay on this machine: nothing here may reach the network.
OTHER_SHARE_LINKS = [
    b"https://1drv.ms/u/s!Aq1-bcD2",
    b"HTTPS://ONEDRIVE.LIVE.COM/?cid=1&resid=A%21B&authkey=K&",
    b"https://contoso-my.sharepoint.com/:b:/g/personal/x/EaBc?e=1",
]


WHITE = (255, 255, 255)


def outer_size(rect):
    return rect[2] - rect[0], rect[3] - rect[1]


def orange(pixel):
    r, g, b = pixel
    return r >= 200 and 80 <= g <= 176 and b <= 80


def scratch_dir(test):
    path = tempfile.mkdtemp(prefix="corvanel-gui-")
    test.addCleanup(shutil.rmtree, path, True)
    return path


def count_orange(rows):
    return sum(orange(p) for row in rows for p in row)


class ProgramTest(unittest.TestCase):
    def start(self, clipboard=None, proxy=None):
        program = Program(clipboard=clipboard, proxy=proxy)
        self.addCleanup(program.close)
        return program

    def resolve(self, p, link):
        """Puts link into the box and presses the resolve button."""
        box = p.control(LINK_BOX)
        p.d("settext", box.hwnd, hexed(link))
        self.assertEqual(box.text(), link)
        p.d("post", p.control(RESOLVE_BUTTON).hwnd, 0x00F5, 0, 0)  # BM_CLICK

    def resolve_successfully(self, p):
        self.resolve(p, PERSONAL_LINK)
        wait_for("the success caption", lambda: p.main.text() == SUCCESS_CAPTION)

    @staticmethod
    def wait_painted(p, shot):
        """Waits until the window shows its controls: the prompt's dark letters
        and the link box's white inside. Only then may a test judge that
        something is absent from the screen."""
        prompt, box = p.control(PROMPT_LABEL).rect(), p.control(LINK_BOX).rect()
        inside = (box[0] + 2, box[3] - 4, box[2] - 2, box[3] - 2)
        wait_for("the window painted", lambda: any(max(px) < 100 for row in p.capture(prompt, shot) for px in row)
                 and {px for row in p.capture(inside, shot) for px in row} == {WHITE})
        p.sync()

    def away_and_back(self, p):
        """Activates a window of the driver's own, then the program again."""
        p.activate(p.d("own")[0])
        # The switch back counts only once the program has taken note of losing
        # the focus; otherwise Wine may hand it back without a focus change.
        ours = {p.control(LINK_BOX).hwnd, p.control(RESOLVE_BUTTON).hwnd}
        wait_for("the program to lose the focus", lambda: p.focus() not in ours)
        p.activate(p.main.hwnd)

    def expect_failure_box(self, p):
        box = p.message_box()
        # The icon is judged from pixels: wait until the box has painted it.
        wait_for("the information icon", lambda: p.message_box_contents(box)[3] == "information")
        title, texts, buttons, _ = p.message_box_contents(box)
        self.assertEqual(title, FAILURE_TITLE)
        self.assertEqual(texts, [FAILURE_TEXT])
        self.assertEqual(len(buttons), 1)
        self.assertEqual(p.d("owner", box), ["0"])
        # Task-modal: the program's own window is disabled while the box is open.
        self.assertFalse(p.main.state()[2])
        p.press_ok(box)
        wait_for("the window enabled again", lambda: p.main.state()[2])


class StartTests(ProgramTest):
    def test_window_at_start(self):
        p = self.start()
        screen_w, screen_h = (int(v) for v in p.d("metrics")[:2])
        left, top, right, bottom = p.main.rect()
        self.assertEqual((right - left, bottom - top), (466, 75))
        self.assertEqual((left, top), ((screen_w - 466) // 2, (screen_h - 75) // 2))
        self.assertEqual(p.main.text(), CAPTION)
        self.assertEqual(p.main.class_name(), "CorvanelMainWindow")
        self.assertEqual(p.focus(), p.control(LINK_BOX).hwnd)
        self.assertEqual(p.active(), p.main.hwnd)

    def test_home_page_label_out_of_sight_at_start(self):
        p = self.start()
        client = p.main.client()
        label_top = client[1] + 48
        # With Windows' title bar the client area ends above the label. Wine's
        # title bar is thinner and leaves a strip of the label's top in the
        # client area: that strip must show nothing but the background.
        if client[3] > label_top:
            shot = os.path.join(scratch_dir(self), "strip.bmp")
            self.wait_painted(p, shot)
            background = p.capture((client[0] + 2, client[1] + 2, client[0] + 3, client[1] + 3), shot)[0][0]
            p.sync()
            strip = p.capture((client[0], label_top, client[2], client[3]), shot)
            self.assertEqual({px for row in strip for px in row}, {background})

    def test_frame_is_fixed_and_minimisable(self):
        p = self.start()
        style, exstyle = p.main.style()
        self.assertEqual(style & WS_CAPTION, WS_CAPTION)
        for flag in (WS_SYSMENU, WS_MINIMIZEBOX):
            self.assertTrue(style & flag, hex(flag))
        for flag in (WS_THICKFRAME, WS_MAXIMIZEBOX):
            self.assertFalse(style & flag, hex(flag))
        self.assertFalse(exstyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST))

    def test_controls(self):
        p = self.start()
        client = p.main.client()
        table = [
            (HOME_PAGE_LABEL, "CorvanelLabel", (8, 48, 448, 24), HOME_PAGE_CAPTION),
            (RESOLVE_BUTTON, "Button", (389, 7, 64, 32), gbk("解析")),
            (LINK_BOX, "Edit", (113, 8, 272, 32), b""),
            (PROMPT_LABEL, "CorvanelLabel", (8, 8, 112, 32), gbk("Onedrive分享地址：")),
        ]
        for ident, cls, (x, y, w, h), text in table:
            with self.subTest(control=ident):
                c = p.control(ident)
                self.assertEqual(c.class_name(), cls)
                left, top, right, bottom = c.rect()
                self.assertEqual((left - client[0], top - client[1], right - left, bottom - top), (x, y, w, h))
                self.assertEqual(c.text(), text)
                exists, visible, enabled = c.state()
                self.assertTrue(exists and visible and enabled)
                style, _ = c.style()
                self.assertEqual(bool(style & WS_TABSTOP), ident in (LINK_BOX, RESOLVE_BUTTON))

    def test_control_styles(self):
        p = self.start()
        box = p.control(LINK_BOX)
        style, exstyle = box.style()
        self.assertFalse(exstyle & WS_EX_CLIENTEDGE)
        for flag in (ES_MULTILINE, ES_READONLY, ES_NOHIDESEL, ES_CENTER, ES_RIGHT, WS_HSCROLL, WS_VSCROLL):
            self.assertFalse(style & flag, hex(flag))
        style, _ = p.control(RESOLVE_BUTTON).style()
        self.assertEqual(style & BS_TYPEMASK, BS_PUSHBUTTON)
        # A one-pixel border, not a sunken edge. Wine's edit control drops
        # WS_BORDER from the style it reports and draws the border itself, so
        # look at the pixels: one ring of border colour, then the white inside.
        shot = os.path.join(scratch_dir(self), "box.bmp")

        def one_pixel_border():
            rows = p.capture(box.rect(), shot)
            h, w = len(rows), len(rows[0])
            ring = lambda n: {rows[y][x] for y in range(n, h - n) for x in range(n, w - n)
                              if y in (n, h - 1 - n) or x in (n, w - 1 - n)}
            border = ring(0)
            return len(border) == 1 and border != {WHITE} and ring(1) == {WHITE}

        wait_for("the box drawn with a one-pixel border", one_pixel_border)

    def test_clicks_on_the_prompt_and_the_background_do_nothing(self):
        p = self.start()
        client = p.main.client()
        prompt = p.control(PROMPT_LABEL).rect()
        for x, y in [((prompt[0] + prompt[2]) // 2, (prompt[1] + prompt[3]) // 2), (client[0] + 200, client[1] + 44)]:
            p.d("mouse", x, y)
        # Input is handled in order: the letter typed last shows the clicks are done.
        p.key("a")
        wait_for("the letter typed after the clicks", lambda: p.control(LINK_BOX).text() == b"a")
        p.sync()
        self.assertEqual(p.focus(), p.control(LINK_BOX).hwnd)
        self.assertEqual(p.dialogs(), [])
        self.assertEqual(p.main.text(), CAPTION)
        self.assertEqual(outer_size(p.main.rect()), (466, 75))

    def test_typing_is_not_limited_to_the_box_width(self):
        p = self.start()
        box = p.control(LINK_BOX)
        count = 120  # far more letters than the box shows at once
        for _ in range(count):
            p.key("a")
        wait_for("all letters typed", lambda: box.text() == b"a" * count)


class ResourcesTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.d = Driver()
        cls.exe = windows_path(os.environ["CORVANEL_EXE"])

    @classmethod
    def tearDownClass(cls):
        cls.d.close()

    def test_version_strings(self):
        table = {
            "CompanyName": b"Telmaru",
            "FileDescription": b"Corvanel - Telmaru",
            "FileVersion": b"1.0.0.0",
            "ProductName": b"Corvanel",
            "ProductVersion": b"1.0.0.0",
        }
        for name, value in table.items():
            with self.subTest(name=name):
                self.assertEqual(unhexed(self.d("verstr", self.exe, "080404B0", name)[0]), value)
        self.assertEqual(self.d("vertrans", self.exe), ["0804:04b0"])

    def test_fixed_version(self):
        file_ms, file_ls, product_ms, product_ls, file_type, file_os = self.d("verfixed", self.exe)
        self.assertEqual((file_ms, file_ls, product_ms, product_ls), ("10000", "0", "10000", "0"))
        self.assertEqual(file_type, "1")  # VFT_APP
        self.assertEqual(file_os, "4")  # VOS__WINDOWS32

    def test_icon_group(self):
        self.assertEqual(self.d("icongroup", self.exe, "DEFAULT_ICON"), ["128x128:32"])

    def test_manifest_asks_for_common_controls_6(self):
        root = ET.fromstring(unhexed(self.d("manifest", self.exe)[0]))
        found = [e.attrib for e in root.iter() if e.tag.endswith("assemblyIdentity")
                 and e.attrib.get("name") == "Microsoft.Windows.Common-Controls"]
        self.assertEqual(len(found), 1)
        identity = found[0]
        self.assertEqual(identity.get("version"), "6.0.0.0")
        self.assertEqual(identity.get("type"), "win32")
        self.assertEqual(identity.get("publicKeyToken"), "6595b64144ccf1df")
        # This build is x86_64: an x86 dependency would not load here.
        self.assertIn(identity.get("processorArchitecture"), ("amd64", "*"))


class AutoFillTests(ProgramTest):
    def test_filled_at_start(self):
        for link in [PERSONAL_LINK] + OTHER_SHARE_LINKS:
            with self.subTest(link=link):
                p = Program(clipboard=link)
                try:
                    wait_for("the box filled", lambda: p.control(LINK_BOX).text() == link)
                finally:
                    p.close()

    def test_refilled_after_switching_away_and_back(self):
        p = self.start()
        box = p.control(LINK_BOX)
        for link in OTHER_SHARE_LINKS:
            with self.subTest(link=link):
                p.d("settext", box.hwnd, hexed(b"typed"))
                p.set_clipboard_text(link)
                self.away_and_back(p)
                wait_for("focus back in the box", lambda: p.focus() == box.hwnd)
                wait_for("the box refilled", lambda: box.text() == link)

    def test_box_keeps_its_text_without_a_share_link(self):
        table = [
            ("other host", ("text", b"https://example.org/onedrive.live.com?x=1drv.ms")),
            ("subdomain in front", ("text", b"https://www.onedrive.live.com/?resid=A&authkey=B&")),
            ("blank in front", ("text", b" https://1drv.ms/u/s!Aq1")),
            ("picture only", ("bitmap",)),
            ("empty clipboard", ("empty",)),
        ]
        p = self.start()
        box = p.control(LINK_BOX)
        for name, clip in table:
            with self.subTest(name):
                p.d("setclip", *clip[:1], *(hexed(c) for c in clip[1:]))
                p.d("settext", box.hwnd, hexed(b"typed"))
                self.away_and_back(p)
                wait_for("focus back in the box", lambda: p.focus() == box.hwnd)
                p.sync()
                self.assertEqual(box.text(), b"typed")
        # The same round trip does fill the box when the clipboard holds a link:
        # the cases above really reached the handler.
        p.set_clipboard_text(PERSONAL_LINK)
        self.away_and_back(p)
        wait_for("the box filled", lambda: box.text() == PERSONAL_LINK)


class ResolveTests(ProgramTest):
    def test_personal_link_goes_to_the_clipboard(self):
        p = self.start()
        before = p.main.rect()
        self.resolve_successfully(p)
        self.assertEqual(p.clipboard(), PERSONAL_DIRECT)
        after = p.main.rect()
        self.assertEqual(after[:2], before[:2])
        self.assertEqual(outer_size(after), (466, 107))
        self.assertEqual(p.dialogs(), [])
        # Now the home-page label shows whole, with the same caption as before.
        client = p.main.client()
        self.assertGreaterEqual(client[3], client[1] + 72)
        self.assertEqual(p.control(HOME_PAGE_LABEL).text(), HOME_PAGE_CAPTION)
        # A second success, parameters the other way round: same window, new link.
        self.resolve(p, b"https://onedrive.live.com/?x=1&authkey=!Zz&resid=77%2188&")
        wait_for("the new link", lambda: p.clipboard() == b"https://storage.live.com/items/77%2188?authkey=!Zz")
        self.assertEqual(p.main.rect(), after)
        self.assertEqual(p.main.text(), SUCCESS_CAPTION)

    def test_failures_change_nothing(self):
        table = [
            ("authkey last", b"https://onedrive.live.com/redir?resid=4F2A%21107&authkey=!AbC"),
            ("no resid", b"https://onedrive.live.com/redir?id=4F2A&authkey=!AbC&"),
            ("authkey first in the query", b"https://onedrive.live.com/?authkey=!AbC&resid=4F2A%21107&"),
            ("host in capitals", b"https://ONEDRIVE.LIVE.COM/redir?resid=4F2A%21107&authkey=!AbC&"),
            ("empty box", b""),
        ]
        p = self.start()
        p.set_clipboard_text(b"kept")
        for name, link in table:
            with self.subTest(name):
                self.resolve(p, link)
                self.expect_failure_box(p)
                self.assertEqual(p.main.text(), CAPTION)
                self.assertEqual(outer_size(p.main.rect()), (466, 75))
                self.assertEqual(p.clipboard(), b"kept")
                self.assertEqual(p.control(LINK_BOX).text(), link)

    def test_failure_after_success_keeps_what_the_success_left(self):
        p = self.start()
        self.resolve_successfully(p)
        grown = p.main.rect()
        self.resolve(p, b"https://onedrive.live.com/redir?resid=X&authkey=last")
        self.expect_failure_box(p)
        self.assertEqual(p.main.text(), SUCCESS_CAPTION)
        self.assertEqual(p.main.rect(), grown)
        self.assertEqual(p.clipboard(), PERSONAL_DIRECT)


    def test_other_links_are_resolved_through_the_redirect(self):
        table = [
            ("redirect to a personal link", [("Location", PERSONAL_LINK.decode())], PERSONAL_DIRECT),
            ("no redirect target", [], None),
        ]
        for name, headers, direct in table:
            with self.subTest(name):
                server = RedirectServer(headers)
                self.addCleanup(server.close)
                p = Program()
                try:
                    link = b"http://127.0.0.1:%d/s!Aq1-bcD2" % server.port
                    self.resolve(p, link)
                    if direct:
                        wait_for("the success caption", lambda: p.main.text() == SUCCESS_CAPTION)
                        self.assertEqual(p.clipboard(), direct)
                    else:
                        self.expect_failure_box(p)
                        self.assertEqual(p.main.text(), CAPTION)
                    # One GET of the link itself; the redirect is not followed.
                    self.assertEqual(server.requests, [("GET", "/s!Aq1-bcD2")])
                finally:
                    p.close()


class RedirectServer(http.server.ThreadingHTTPServer):
    """Answers every GET on 127.0.0.1 with a 302 carrying the given headers."""

    def __init__(self, headers):
        self.headers, self.requests = headers, []
        outer = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                outer.requests.append((self.command, self.path))
                self.send_response(302 if outer.headers else 200)
                for name, value in outer.headers:
                    self.send_header(name, value)
                self.send_header("Content-Length", "0")
                self.end_headers()

            def log_message(self, *args):
                pass

        super().__init__(("127.0.0.1", 0), Handler)
        self.port = self.server_address[1]
        self.thread = threading.Thread(target=self.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.shutdown()
        self.server_close()
        self.thread.join()


class KeysTests(ProgramTest):
    def test_esc_closes_the_program(self):
        for control in (LINK_BOX, RESOLVE_BUTTON):
            with self.subTest(focus=control):
                p = Program()
                try:
                    if control == RESOLVE_BUTTON:
                        p.key("tab")
                        wait_for("focus on the button", lambda: p.focus() == p.control(RESOLVE_BUTTON).hwnd)
                    p.key("esc")
                    wait_for("the program to end", lambda: not p.alive())
                finally:
                    p.close()

    def test_enter_starts_nothing(self):
        p = self.start()
        box = p.control(LINK_BOX)
        p.d("settext", box.hwnd, hexed(PERSONAL_LINK))
        p.d("post", box.hwnd, 0x00B1, len(PERSONAL_LINK), len(PERSONAL_LINK))  # EM_SETSEL: caret to the end
        p.set_clipboard_text(b"kept")
        p.key("enter")
        # Input is handled in order: once the letter typed after Enter is in
        # the box, Enter has been handled too.
        p.key("a")
        wait_for("the letter after Enter", lambda: box.text().endswith(b"a"))
        p.sync()
        self.assertEqual(box.text(), PERSONAL_LINK + b"a")
        self.assertEqual(p.dialogs(), [])
        self.assertEqual(p.main.text(), CAPTION)
        self.assertEqual(outer_size(p.main.rect()), (466, 75))
        self.assertEqual(p.clipboard(), b"kept")

    def test_enter_on_the_button_starts_nothing(self):
        p = self.start()
        box, button = p.control(LINK_BOX), p.control(RESOLVE_BUTTON)
        p.set_clipboard_text(b"kept")
        p.d("settext", box.hwnd, hexed(PERSONAL_LINK))
        p.key("tab")
        wait_for("focus on the button", lambda: p.focus() == button.hwnd)
        p.key("enter")
        # Input is handled in order: once Tab has moved the focus on, Enter has been handled too.
        p.key("tab")
        wait_for("focus back in the box", lambda: p.focus() == box.hwnd)
        p.sync()
        self.assertEqual(p.dialogs(), [])
        self.assertEqual(p.main.text(), CAPTION)
        self.assertEqual(outer_size(p.main.rect()), (466, 75))
        self.assertEqual(p.clipboard(), b"kept")

    def test_tab_round_trip_runs_the_auto_fill_again(self):
        p = self.start()
        box, button = p.control(LINK_BOX), p.control(RESOLVE_BUTTON)
        for key in ("tab", "shifttab"):
            with self.subTest(key=key):
                p.set_clipboard_text(b"nothing to fill")
                p.d("settext", box.hwnd, hexed(b"typed"))
                p.key(key)
                wait_for("focus on the button", lambda: p.focus() == button.hwnd)
                p.set_clipboard_text(OTHER_SHARE_LINKS[0])
                p.key(key)
                wait_for("focus back in the box", lambda: p.focus() == box.hwnd)
                wait_for("the box refilled", lambda: box.text() == OTHER_SHARE_LINKS[0])

    def test_focus_remembered_across_deactivation(self):
        p = self.start()
        button = p.control(RESOLVE_BUTTON)
        p.key("tab")
        wait_for("focus on the button", lambda: p.focus() == button.hwnd)
        self.away_and_back(p)
        wait_for("focus back on the button", lambda: p.focus() == button.hwnd)


class HomePageTests(ProgramTest):
    def test_orange_label_shows_only_after_growth(self):
        p = self.start()
        shot = os.path.join(scratch_dir(self), "window.bmp")
        self.wait_painted(p, shot)
        self.assertEqual(count_orange(p.capture(p.main.client(), shot)), 0)
        self.resolve_successfully(p)
        label = p.control(HOME_PAGE_LABEL).rect()
        wait_for("orange letters in the label", lambda: count_orange(p.capture(label, shot)) > 50)

    def test_each_press_opens_the_home_page_once(self):
        scratch = scratch_dir(self)
        recorder = os.path.join(scratch, "url-recorder.exe")
        shutil.copy(os.environ["CORVANEL_GUI_DRIVER"], recorder)
        log = os.path.join(scratch, "opened.txt")
        p = self.start()
        self.register_http_handler(p.d, '"%s" --record "%s" "%%1"' % (windows_path(recorder), windows_path(log)))
        self.resolve_successfully(p)
        label = p.control(HOME_PAGE_LABEL).rect()
        centre = ((label[0] + label[2]) // 2, (label[1] + label[3]) // 2)
        for presses in (1, 2):
            with self.subTest(presses=presses):
                p.d("mouse", *centre)
                wait_for("the address opened", lambda: self.opened(log) >= presses)
                p.sync()
                wait_for("the handler finished", lambda: p.d("procs", "url-recorder.exe") == [])
                self.assertEqual(self.opened(log), presses)
                with open(log, "rb") as f:
                    self.assertEqual(set(f.read().splitlines()), {HOME_PAGE})
        self.assertTrue(p.alive())
        self.assertEqual(p.dialogs(), [])

    # -- helpers ----------------------------------------------------------

    @staticmethod
    def opened(log):
        try:
            with open(log, "rb") as f:
                return len(f.read().splitlines())
        except FileNotFoundError:
            return 0

    def register_http_handler(self, d, command):
        """Makes the test prefix open http addresses with command for this test only.

        Wine's HKEY_CLASSES_ROOT does not look at HKCU\\Software\\Classes, so the
        machine-wide handler is replaced. Its value is saved in the Wine state
        directory first, so a run that was killed midway is mended by the next.
        """
        key = hexed(gbk("http\\shell\\open\\command"))
        saved = os.path.join(os.environ["CORVANEL_WINE_STATE"], "http-handler.saved")
        if os.path.exists(saved):
            restore_http_handler(d, key, saved)
        previous = d("regget", "hkcr", key)[0]
        with open(saved, "w") as f:
            f.write(previous)
        self.addCleanup(restore_http_handler, d, key, saved)
        d("regset", "hkcr", key, hexed(command.encode("ascii")))


def restore_http_handler(d, key, saved):
    with open(saved) as f:
        previous = f.read().strip()
    if previous == "none":
        d("regdel", "hkcr", key)
    else:
        d("regset", "hkcr", key, previous)
    os.remove(saved)


if __name__ == "__main__":
    unittest.main()
