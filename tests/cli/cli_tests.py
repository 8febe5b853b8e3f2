"""The console program end to end, against the loopback stand-in of the service's
hosts (tests/servers/service_standin.py) as its https_proxy: natively the Linux
build, which trusts the stand-in's CA through --ca-file; under Wine the Windows
build, whose prefix trusts it (the standin_ca fixture). Run one group with
    CORVANEL_RESOLVE=EXE cli_tests.py RouteTests
and, for the Windows build, CORVANEL_WINE_RUN, CORVANEL_WINE_STATE and
CORVANEL_STANDIN_CA_DIR set as ctest sets them.
"""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import unittest
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "servers"))
from service_standin import StandIn  # noqa: E402

EXE = os.environ["CORVANEL_RESOLVE"]
WINE_RUN = os.environ.get("CORVANEL_WINE_RUN")
UNDER_WINE = bool(WINE_RUN)
# Wine's console program writes the ANSI code page (936) and ends its lines with CR LF.
ENCODING = "gbk" if UNDER_WINE else "utf-8"
NO_TIME_OUT_UNDER_WINE = "Wine's request object applies no time-out while it waits for an answer"
RUN_SECONDS = 300
# What 9,000 more lines may add to the peak: a line kept would add more than 1 MiB. Wine's own
# memory was seen to grow by 1 MiB at times in the same run, so there only a larger leak shows.
GROWTH_KIB = 2048 if UNDER_WINE else 512

PERSONAL = "https://onedrive.live.com/redir?resid=ABC!101&authkey=!Key9&ithint=file"
PERSONAL_DIRECT = "https://storage.live.com/items/ABC!101?authkey=!Key9"
SECOND = "https://onedrive.live.com/redir?resid=B!2&authkey=!K&x"
SECOND_DIRECT = "https://storage.live.com/items/B!2?authkey=!K"
SHORT = "https://1drv.ms/u/s!Personal"
SHORT_DIRECT = "https://storage.live.com/items/ABC%21101?authkey=%21Key9"
BUSINESS = "https://contoso-my.sharepoint.com/:u:/g/personal/ann/EaBc"
BUSINESS_DIRECT = "https://contoso-my.sharepoint.com/personal/ann_contoso_com/Documents/a%20b.zip"
DOCUMENT = "https://contoso-my.sharepoint.com/:w:/g/personal/ann/ERGZ?e=xYz1"
VIANET = "https://contoso-my.sharepoint.cn/:u:/g/personal/li/EVcR"
VIANET_DIRECT = "https://contoso-my.sharepoint.cn/personal/li_partner_onmschina_cn/Documents/a.zip"
MOVED = "https://1drv.ms/u/s!Moved"
PHOTO = "https://1drv.ms/i/c/cbb6/EabC"
FOLDER = "https://1drv.ms/f/s!Folder"
# The redeem parameters name the shares; each has its own item.
REDEEM_FILE, REDEEM_PHOTO, REDEEM_FOLDER = "UmVkZWVtRmlsZQ", "UmVkZWVtUGhvdG8", "UmVkZWVtRm9sZGVy"
PASTED = "https://onedrive.live.com/?redeem=%s&id=CBB6%%2138238&cid=CBB6" % REDEEM_FILE
FILE_URL = "https://my.microsoftpersonalcontent.com/dl/a.zip?tempauth=v1"
PHOTO_URL = "https://my.microsoftpersonalcontent.com/dl/p.jpg?tempauth=v1"


def redirect(host, path, location):
    return {"host": host, "path": path, "status": 302, "headers": [["Location", location]]}


def item(redeem, body):
    return {"host": "my.microsoftpersonalcontent.com", "path": "/_api/v2.0/shares/u!%s/driveitem" % redeem,
            "headers": [["Content-Type", "application/json"]], "body": body}


SCRIPT = {"routes": [
    redirect("1drv.ms", "/u/s!Personal", "https://onedrive.live.com/redir?resid=ABC%21101&authkey=%21Key9&ithint=file"),
    redirect("1drv.ms", "/u/s!Moved", "https://onedrive.live.com/?redeem=%s&id=CBB6%%2138238" % REDEEM_FILE),
    redirect("1drv.ms", "/i/c/cbb6/EabC", "https://photos.onedrive.com/share/CBB6!s1f?cid=CBB6&ithint=photo"
                                          "&migratedtospo=true&redeem=" + REDEEM_PHOTO),
    redirect("1drv.ms", "/f/s!Folder", "https://onedrive.live.com/?redeem=%s&id=CBB6%%2139" % REDEEM_FOLDER),
    redirect("1drv.ms", "/u/s!Elsewhere", "https://example.com/?resid=A&authkey=K&"),
    {"host": "1drv.ms", "path": "/u/s!Gone", "status": 404, "body": "gone"},
    {"host": "1drv.ms", "path": "/u/s!Hang", "hang": True},
    redirect("contoso-my.sharepoint.com", "/:u:/g/personal/ann/EaBc",
             "https://contoso-my.sharepoint.com/personal/ann/_layouts/15/onedrive.aspx"
             "?id=%2Fpersonal%2Fann%5Fcontoso%5Fcom%2FDocuments%2Fa%20b%2Ezip&parent=%2Fpersonal%2Fann"),
    redirect("contoso-my.sharepoint.com", "/:w:/g/personal/ann/ERGZ",
             "https://contoso-my.sharepoint.com/personal/ann/_layouts/15/Doc.aspx?sourcedoc={1-2}&file=a.docx"),
    redirect("contoso-my.sharepoint.cn", "/:u:/g/personal/li/EVcR",
             "https://contoso-my.sharepoint.cn/personal/li/_layouts/15/onedrive.aspx"
             "?id=%2Fpersonal%2Fli%5Fpartner%5Fonmschina%5Fcn%2FDocuments%2Fa%2Ezip&parent=%2Fpersonal%2Fli"),
    {"host": "api-badgerp.svc.ms", "path": "/v1.0/token", "method": "POST",
     "headers": [["Content-Type", "application/json"]], "body": '{"token":"T1","expiryTimeUtc":"x"}'},
    item(REDEEM_FILE, '{"id":"CBB6!s1","name":"a.zip","@content.downloadUrl":"%s"}' % FILE_URL),
    item(REDEEM_PHOTO, '{"id":"CBB6!s1f","name":"p.jpg","@content.downloadUrl":"%s"}' % PHOTO_URL),
    item(REDEEM_FOLDER, '{"id":"CBB6!s39","name":"Photos","folder":{"childCount":3}}'),
]}

# What reaches the stand-in, as (method, host, path).
TOKEN = ("POST", "api-badgerp.svc.ms", "/v1.0/token")


def get(link):
    parts = urllib.parse.urlsplit(link)
    return ("GET", parts.hostname, parts.path)


def item_request(redeem):
    return ("GET", "my.microsoftpersonalcontent.com", "/_api/v2.0/shares/u!%s/driveitem" % redeem)


def closed_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class ConsoleTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Under Wine the CA that the prefix trusts; natively one of this run's own.
        cls.ca_dir = os.environ.get("CORVANEL_STANDIN_CA_DIR")
        if not cls.ca_dir:
            cls.ca_dir = tempfile.mkdtemp(prefix="corvanel-cli-ca-")
            cls.addClassCleanup(shutil.rmtree, cls.ca_dir)
        cls.standin = StandIn(SCRIPT, ca_dir=cls.ca_dir).start()
        cls.addClassCleanup(cls.standin.stop)

    def command(self, args, trusted):
        if UNDER_WINE:
            return [WINE_RUN, os.environ["CORVANEL_WINE_STATE"], EXE] + args
        return [EXE] + (["--ca-file", self.standin.ca_pem] if trusted else []) + args

    def start(self, args, proxy=None, trusted=True, stdin_file=None, stderr_file=subprocess.PIPE, env=None):
        proxy = "http://" + (proxy or self.standin.proxy)
        env = dict(os.environ, http_proxy=proxy, https_proxy=proxy, **(env or {}))
        env.pop("no_proxy", None)
        env.pop("NO_PROXY", None)
        return subprocess.Popen(self.command(args, trusted), env=env, stdin=stdin_file or subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=stderr_file)

    def run_program(self, args=(), stdin=b"", **kwargs):
        """(exit status, stdout lines, stderr lines), decoded; and the requests that reached the stand-in."""
        before = len(self.standin.requests())
        with tempfile.TemporaryFile() as f:
            f.write(stdin)
            f.seek(0)
            child = self.start(list(args), stdin_file=f, **kwargs)
            out, err = child.communicate(timeout=RUN_SECONDS)
        requests = [(r.method, r.host, urllib.parse.urlsplit(r.target).path)
                    for r in self.standin.requests()[before:]]
        return child.returncode, out.decode(ENCODING).splitlines(), err.decode(ENCODING).splitlines(), requests

    def assert_messages(self, err, expected):
        """One message per failed input, in order: (input, a part of the reason)."""
        self.assertEqual(len(err), len(expected), err)
        for line, (given, reason) in zip(err, expected):
            self.assertTrue(line.startswith("corvanel-resolve: %s: " % given), line)
            self.assertIn(reason, line[len("corvanel-resolve: %s: " % given):])


class RouteTests(ConsoleTest):
    def test_every_route_of_the_resolver(self):
        table = [  # (route, links, direct links, requests)
            ("personal link, resolved locally", [PERSONAL], [PERSONAL_DIRECT], []),
            ("old short link", [SHORT], [SHORT_DIRECT], [get(SHORT)]),
            ("business link, encoded path", [BUSINESS], [BUSINESS_DIRECT], [get(BUSINESS)]),
            ("business document without a path", [DOCUMENT], [DOCUMENT + "&download=1"], [get(DOCUMENT)]),
            ("21Vianet business link", [VIANET], [VIANET_DIRECT], [get(VIANET)]),
            ("moved account's short link", [MOVED], [FILE_URL], [get(MOVED), TOKEN, item_request(REDEEM_FILE)]),
            ("pasted redeem link", [PASTED], [FILE_URL], [TOKEN, item_request(REDEEM_FILE)]),
            ("image on the photos host", [PHOTO], [PHOTO_URL], [get(PHOTO), TOKEN, item_request(REDEEM_PHOTO)]),
            ("the token lasts the run", [MOVED, PHOTO], [FILE_URL, PHOTO_URL],
             [get(MOVED), TOKEN, item_request(REDEEM_FILE), get(PHOTO), item_request(REDEEM_PHOTO)]),
        ]
        for name, links, directs, requests in table:
            with self.subTest(name):
                self.assertEqual(self.run_program(links), (0, directs, [], requests))


class InputTests(ConsoleTest):
    # Good and bad lines: (line, direct link, a part of the message or None for none).
    LINES = [
        (PERSONAL, PERSONAL_DIRECT, None),
        ("https://example.com/s!A", "", "不是 OneDrive 分享链接"),
        (BUSINESS, BUSINESS_DIRECT, None),
        ("", "", None),
        (FOLDER, "", "文件夹"),
        ("https://1drv.ms/u/s!Gone", "", "HTTP 404"),
        ("https://1drv.ms/u/s!Elsewhere", "", "HTTP 302"),
        ("提取码：1234", "", "不是 OneDrive 分享链接"),
        ("https://onedrive.live.com/redir?id=A!1&authkey=!K&x", "", "链接中没有可解析的文件"),
        ("  " + MOVED + " ", FILE_URL, None),
    ]

    def stdin(self):
        # Windows line ends too: a list saved by Notepad.
        return "".join(line + ("\r\n" if i % 2 else "\n") for i, (line, _, _) in enumerate(self.LINES)).encode(ENCODING)

    def expected_messages(self):
        return [(line, reason) for line, _, reason in self.LINES if reason]

    def test_lines_in_order_with_a_message_for_each_bad_one(self):
        status, out, err, _ = self.run_program(stdin=self.stdin())
        self.assertEqual(status, 1)
        self.assertEqual(out, [direct for _, direct, _ in self.LINES])
        self.assert_messages(err, self.expected_messages())

    def test_tsv_pairs_each_line_with_its_direct_link(self):
        status, out, err, _ = self.run_program(["--tsv"], stdin=self.stdin())
        self.assertEqual(status, 1)
        self.assertEqual(out, ["%s\t%s" % (line, direct) for line, direct, _ in self.LINES])
        self.assert_messages(err, self.expected_messages())

    def test_arguments_options_and_exit_statuses(self):
        # Arguments that need no request: --ca-file is one of the cases.
        emoji = "https://onedrive.live.com/redir?resid=A!1&authkey=!\U0001F600&x"
        # Windows echoes an argument in its code page, which writes the character's two halves as "??".
        echoed_emoji = emoji.replace("\U0001F600", "??") if UNDER_WINE else emoji
        table = [  # (name, arguments, exit status, stdout, messages)
            ("links as arguments, stdin unread", [PERSONAL, SECOND], 0, [PERSONAL_DIRECT, SECOND_DIRECT], []),
            ("a character outside GBK", [emoji, PERSONAL], 1, ["", PERSONAL_DIRECT], [(echoed_emoji, "GBK")]),
            ("an unknown option", ["--bogus", PERSONAL], 2, [], [("--bogus", "未知的选项")]),
            ("--ca-file without its file", [PERSONAL, "--ca-file"], 2, [], [("--ca-file", "文件名")]),
            ("options alone: the links of stdin", ["--tsv"], 0, [PERSONAL + "\t" + PERSONAL_DIRECT], []),
        ]
        if UNDER_WINE:
            table.append(("--ca-file on Windows", ["--ca-file", "ca.pem"], 2, [], [("ca.pem", "Linux")]))
        else:
            table.append(("--ca-file of no file", ["--ca-file", "/nonexistent/ca.pem"], 2, [],
                          [("/nonexistent/ca.pem", "无法读取")]))
        for name, args, expected_status, expected_out, messages in table:
            with self.subTest(name):
                status, out, err, _ = self.run_program(args, stdin=(PERSONAL + "\n").encode(), trusted=False)
                self.assertEqual((status, out), (expected_status, expected_out))
                # A usage error's message is followed by the hint to --help.
                self.assert_messages(err[:len(messages)], messages)
                self.assertEqual(len(err), len(messages) + (expected_status == 2))
        for args, first in ((["--help"], "用法：corvanel-resolve"), (["--version"], "corvanel-resolve 1.0")):
            with self.subTest(args[0]):
                status, out, err, _ = self.run_program(args + [PERSONAL], trusted=False)
                self.assertEqual((status, err), (0, []))
                self.assertTrue(out[0].startswith(first), out)


class NetworkTests(ConsoleTest):
    def test_time_outs_and_unreachable_proxies_are_told_apart(self):
        table = [  # (proxy, link, a part of the message, whether a time-out has to end it)
            ("127.0.0.1:%d" % closed_port(), SHORT, "网络错误", False),
            (None, "https://1drv.ms/u/s!Hang", "超时", True),  # the stand-in never answers
        ]
        for proxy, link, reason, timed_out in table:
            with self.subTest(reason):
                if UNDER_WINE and timed_out:
                    self.skipTest(NO_TIME_OUT_UNDER_WINE)
                status, out, err, _ = self.run_program([link, PERSONAL], proxy=proxy)
                self.assertEqual((status, out), (1, ["", PERSONAL_DIRECT]))
                self.assert_messages(err, [(link, reason)])

    def test_a_certificate_of_an_unknown_authority_is_refused(self):
        # A stand-in with a CA of its own: the program trusts the class stand-in's CA only.
        with StandIn(SCRIPT) as stranger:
            status, out, err, _ = self.run_program([SHORT, PERSONAL], proxy=stranger.proxy)
            self.assertEqual((status, out), (1, ["", PERSONAL_DIRECT]))
            self.assert_messages(err, [(SHORT, "网络错误")])
            # The tunnel was opened: the program, not the way to the stand-in, turned the CA down.
            self.assertEqual((stranger.tunnels(), stranger.requests()), (["1drv.ms:443"], []))


class ManyLinesTests(ConsoleTest):
    BLOCK = 10  # lines: 7 personal links, a pasted redeem link, an expanded link, a line of another host
    # Wine's object opens a new tunnel for every redirect answer, and was measured to keep about
    # 300 bytes for each (1.2 MiB after 4,000 of them): there the expanded link is one more
    # redeem link, whose requests share one connection.
    EXPANDED = (PASTED, FILE_URL) if UNDER_WINE else (SHORT, SHORT_DIRECT)

    def lines(self, count):
        for i in range(count):
            kind = i % self.BLOCK
            if kind == 7:
                yield PASTED, FILE_URL
            elif kind == 8:
                yield self.EXPANDED
            elif kind == 9:
                yield "https://example.com/%d" % i, ""
            else:
                yield ("https://onedrive.live.com/redir?resid=A!%d&authkey=!K&x" % i,
                       "https://storage.live.com/items/A!%d?authkey=!K" % i)

    @staticmethod
    def write_lines(stream, lines):
        stream.write("".join(line + "\n" for line, _ in lines).encode())
        stream.flush()

    @staticmethod
    def peak_kib(pid):
        with open("/proc/%d/status" % pid) as status:
            return int(next(line for line in status if line.startswith("VmHWM:")).split()[1])

    def test_ten_thousand_lines_in_flat_memory_through_one_request_object(self):
        lines = list(self.lines(10000))
        connections = self.standin.connections()
        with tempfile.TemporaryFile() as err:
            # ASan keeps freed blocks aside (256 MiB of them), which would look like growth.
            child = self.start([], stdin_file=subprocess.PIPE, stderr_file=err,
                               env={"ASAN_OPTIONS": "quarantine_size_mb=0:thread_local_quarantine_size_kb=0"})
            peaks = []
            for stage in (lines[:1000], lines[1000:]):
                # Written aside: the output has to be read meanwhile, or both ends wait on a full pipe.
                writer = threading.Thread(target=self.write_lines, args=(child.stdin, stage))
                writer.start()
                out = [child.stdout.readline().decode(ENCODING).rstrip("\r\n") for _ in stage]
                writer.join()
                self.assertEqual(out, [direct for _, direct in stage])
                # Every line so far is done and the program waits for the next: its peak is the stage's.
                peaks.append(self.peak_kib(child.pid))
            child.stdin.close()
            self.assertEqual(child.wait(timeout=RUN_SECONDS), 1)
            child.stdout.close()
            err.seek(0)
            self.assertEqual(len(err.read().splitlines()), len(lines) // self.BLOCK)
        connections = self.standin.connections() - connections
        print("peak after 1,000 lines %d KiB, after 10,000 %d KiB; %d connections" % (*peaks, connections),
              file=sys.stderr)
        self.assertLess(peaks[1] - peaks[0], GROWTH_KIB, "KiB more for ten times the lines")
        # One request object keeps a connection to each of the three hosts (Wine one for all);
        # an object per link would open connections per link.
        self.assertLessEqual(connections, 3)

if __name__ == "__main__":
    unittest.main()
