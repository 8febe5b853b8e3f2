"""The real program against the loopback stand-in of the service's hosts
(tests/servers/service_standin.py), reached as its proxy with certificates
checked: the links people hold today, each to its direct link, with the
requests the service sees. Run one group with
    service_tests.py ServiceTests
"""
import base64
import os
import sys
import unittest

from gui_tests import CAPTION, ProgramTest
from harness import LINK_BOX, gbk, wait_for
from server_tests import ServerTest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "servers"))
from service_standin import StandIn  # noqa: E402

# The prefix trusts this authority (the standin_ca fixture installed it).
CA_DIR = os.environ.get("CORVANEL_STANDIN_CA_DIR")

TOKEN_URL = "https://api-badgerp.svc.ms/v1.0/token"
CONTENT_HOST = "my.microsoftpersonalcontent.com"


def redeem(link):
    return base64.urlsafe_b64encode(link.encode()).decode().rstrip("=")


OLD_SHORT = "https://1drv.ms/u/s!AjIxK6fZSqHTiH9q"
NEW_SHORT = "https://1drv.ms/u/c/574ef7ae453129f3/IQDH_UOPq?e=zgzAqK"
IMAGE = "https://1drv.ms/i/c/cbb6/EabCd?e=1"
FOLDER = "https://1drv.ms/f/s!AfOlder"
BUSINESS = "https://contoso-my.sharepoint.com/:u:/g/personal/john_contoso_com/EaBc?e=xYz1"
DOCUMENT = "https://contoso-my.sharepoint.com/:w:/g/personal/john_contoso_com/ERGZ?e=w1"
VIANET = "https://contoso-my.sharepoint.cn/:u:/g/personal/li_partner_onmschina_cn/EVcR?e=c1"


def download_url(name):
    return "https://%s/dl/%s?tempauth=v1" % (CONTENT_HOST, name)


def short_link_route(link, location):
    path = link.split("1drv.ms", 1)[1].split("?")[0]
    return {"host": "1drv.ms", "path": path, "status": 302, "headers": [["Location", location]]}


def item_route(link, body):
    return {"host": CONTENT_HOST, "path": "/_api/v2.0/shares/u!%s/driveitem" % redeem(link),
            "headers": [["Content-Type", "application/json"]], "body": body}


def business_route(link, location):
    host, path = link.split("://", 1)[1].split("?")[0].split("/", 1)
    return {"host": host, "path": "/" + path, "status": 302,
            "headers": [["Location", location], ["Set-Cookie", "FedAuth=guest; path=/"]]}


ROUTES = [
    short_link_route(OLD_SHORT, "https://onedrive.live.com/?redeem=%s&id=CBB6%%2138238&cid=CBB6" % redeem(OLD_SHORT)),
    short_link_route(NEW_SHORT, "https://onedrive.live.com/:u:/g/personal/574EF7AE453129F3/IQDH_UOPq?resid=574EF7AE"
                     "453129F3!s759f&ithint=file%%2Czip&e=zgzAqK&migratedtospo=true&redeem=%s" % redeem(NEW_SHORT)),
    short_link_route(IMAGE, "https://photos.onedrive.com/share/CBB6!s1f?cid=CBB6&resId=CBB6!s1f&ithint=photo"
                     "&migratedtospo=true&redeem=%s" % redeem(IMAGE)),
    short_link_route(FOLDER, "https://onedrive.live.com/?redeem=%s&id=CBB6%%21F" % redeem(FOLDER)),
    {"host": "api-badgerp.svc.ms", "path": "/v1.0/token", "method": "POST",
     "headers": [["Content-Type", "application/json"]], "body": '{"token":"T1","expiryTimeUtc":"2026-12-18"}'},
    item_route(OLD_SHORT, '{"name":"a.zip","@content.downloadUrl":"%s"}' % download_url("a.zip")),
    item_route(NEW_SHORT, '{"name":"b.zip","@content.downloadUrl":"%s"}' % download_url("b.zip")),
    item_route(IMAGE, '{"name":"c.jpg","image":{},"@content.downloadUrl":"%s"}' % download_url("c.jpg")),
    item_route(FOLDER, '{"name":"Photos","folder":{"childCount":3}}'),
    business_route(BUSINESS, "https://contoso-my.sharepoint.com/personal/john_contoso_com/_layouts/15/onedrive.aspx"
                   "?id=%2Fpersonal%2Fjohn%5Fcontoso%5Fcom%2FDocuments%2Fa%20b%2Ezip"
                   "&parent=%2Fpersonal%2Fjohn%5Fcontoso%5Fcom%2FDocuments&ga=1"),
    business_route(DOCUMENT, "https://contoso-my.sharepoint.com/personal/john_contoso_com/_layouts/15/Doc.aspx"
                   "?sourcedoc={1a2b}&file=r.docx&action=default"),
    business_route(VIANET, "https://contoso-my.sharepoint.cn/personal/li_partner_onmschina_cn/_layouts/15/"
                   "onedrive.aspx?id=%2Fpersonal%2Fli%5Fpartner%5Fonmschina%5Fcn%2FDocuments%2F%E6%96%87.zip"
                   "&parent=%2Fpersonal%2Fli%5Fpartner%5Fonmschina%5Fcn%2FDocuments"),
]


class ServiceTest(ServerTest):
    def stand_in(self, ca_dir=CA_DIR):
        standin = StandIn({"routes": ROUTES}, ca_dir=ca_dir).start()
        self.addCleanup(standin.stop)
        return standin


class ServiceTests(ServiceTest):
    def test_the_links_people_hold_today(self):
        standin = self.stand_in()
        p = self.start(proxy=standin.proxy)
        self.run_cases(p, standin, [
            # The first moved-account link of a run asks for a token; it lasts the run.
            ("moved account's old short link", OLD_SHORT.encode(), download_url("a.zip").encode(), 3),
            ("new short link", NEW_SHORT.encode(), download_url("b.zip").encode(), 2),
            ("image on the photos host", IMAGE.encode(), download_url("c.jpg").encode(), 2),
            ("folder", FOLDER.encode(), None, 2),
            ("business link, path encoded", BUSINESS.encode(),
             b"https://contoso-my.sharepoint.com/personal/john_contoso_com/Documents/a%20b.zip", 1),
            ("business document", DOCUMENT.encode(), DOCUMENT.encode() + b"&download=1", 1),
            ("21Vianet", VIANET.encode(),
             b"https://contoso-my.sharepoint.cn/personal/li_partner_onmschina_cn/Documents/%E6%96%87.zip", 1),
        ])
        requests = standin.requests()
        token = requests[1]
        self.assertEqual((token.host, token.method), ("api-badgerp.svc.ms", "POST"))
        self.assertEqual(dict(token.headers).get("AppId"), "1141147648")
        self.assertEqual(token.body, b'{"appId":"5cbed6ac-a083-4e14-b191-b4ba07653de2"}')
        items = [r for r in requests if r.host == CONTENT_HOST]
        self.assertEqual(len(items), 4)
        for item in items:
            self.assertEqual(dict(item.headers).get("Authorization"), "Badger T1")
            self.assertEqual(dict(item.headers).get("Prefer"), "autoredeem")
        self.assertEqual(len([r for r in requests if r.host == "api-badgerp.svc.ms"]), 1)

    def test_chat_message_on_the_clipboard(self):
        standin = self.stand_in()
        chat = OLD_SHORT.encode() + b"\r\n" + gbk("提取码: 1234") + b"\r\nPassword: hunter2"
        p = self.start(clipboard=chat, proxy=standin.proxy)
        wait_for("the box filled", lambda: p.control(LINK_BOX).text() == OLD_SHORT.encode())
        self.run_cases(p, standin, [("the link alone", OLD_SHORT.encode(), download_url("a.zip").encode(), 3)])
        for request in standin.requests():
            self.assertNotIn("Password", dict(request.headers))

    def test_certificate_of_an_unknown_authority_is_refused(self):
        standin = self.stand_in(ca_dir=None)
        p = self.start(proxy=standin.proxy)
        self.run_cases(p, standin, [("moved account's short link", OLD_SHORT.encode(), None, 0)])
        self.assertEqual(p.main.text(), CAPTION)
        # The program did go to the stand-in: its tunnel was opened, and nothing came through it.
        self.assertGreaterEqual(len(standin.tunnels()), 1)


if __name__ == "__main__":
    unittest.main()
