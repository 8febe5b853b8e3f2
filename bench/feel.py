#!/usr/bin/env python3
"""What a user of the window program feels, measured under Wine on the x86_64 build, each figure
beside its baseline of the same run: start-up, click until the clipboard holds the direct link
(personal link, short link against a loopback server, moved-account link against the service's
stand-in), the requests a resolution costs, and memory. Prints the table; exit 1 when a goal
fails.

    feel.py BUILD_DIR [FIGURES.json]   BUILD_DIR: a win64 build with corvanel, feel_probe, feel_minimal
                                       and corvanel_add_root_ca; FIGURES.json gets every figure measured

Starts a Wine session of its own in BUILD_DIR/wine and ends it. FEEL_RUNS: runs of each figure
(default 21), FEEL_ROUNDS: resolutions of each route for the memory growth (default 1000).
"""
import contextlib
import itertools
import json
import os
import platform
import statistics
import subprocess
import sys
import time

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
for folder in ("tests/app", "tests/servers", "tests/wine"):
    sys.path.insert(0, os.path.join(ROOT, folder))
from gui_tests import CAPTION, PERSONAL_DIRECT, PERSONAL_LINK, SUCCESS_CAPTION  # noqa: E402
from harness import MAIN_CLASS, end_process, hexed, windows_path  # noqa: E402
from http_test_server import TestServer  # noqa: E402
from root_ca import install_ca_in_prefix  # noqa: E402
from service_standin import StandIn, load_or_make_ca  # noqa: E402
from service_tests import BUSINESS, CONTENT_HOST, OLD_SHORT, ROUTES, TOKEN_URL, download_url, redeem  # noqa: E402

RUNS = int(os.environ.get("FEEL_RUNS", "21"))
ROUNDS = int(os.environ.get("FEEL_ROUNDS", "1000"))
WARM_UP = 3
SESSION = os.path.join(ROOT, "tests", "wine", "session")
WINE_RUN = os.path.join(ROOT, "tests", "wine", "wine-run")
MINIMAL_CLASS = "MinimalWindow"
TOKEN_BODY = b'{"appId":"5cbed6ac-a083-4e14-b191-b4ba07653de2"}'
BUSINESS_DIRECT = b"https://contoso-my.sharepoint.com/personal/john_contoso_com/Documents/a%20b.zip"
GROWTH_LIMIT = 64 * 1024

_desktops = itertools.count(1)


def ask(probe, *words):
    """One request to the probe; the words of its answer after "ok"."""
    line = " ".join(str(w) for w in words)
    probe.stdin.write((line + "\n").encode())
    probe.stdin.flush()
    answer = probe.stdout.readline().decode(errors="replace").split()
    if not answer or answer[0] != "ok":
        raise RuntimeError("probe: %s: %s" % (line[:80], " ".join(answer) or "ended"))
    return answer[1:]


def times(probe, *words):
    return [float(t) for t in ask(probe, *words)]


@contextlib.contextmanager
def program(build, state, exe, window_class, focus, proxy=None):
    """exe in a virtual desktop of its own, as a user starts it, watched by a probe of its own;
    gives (probe, microseconds from the process's creation until its window was there)."""
    env = dict(os.environ, http_proxy="http://" + proxy) if proxy else None
    probe = subprocess.Popen([WINE_RUN, state, windows_path(os.path.join(build, "bench", "feel_probe.exe"))],
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             start_new_session=True, env=env)
    explorer = None
    try:
        desktop = "feel%d_%d" % (os.getpid(), next(_desktops))
        # The probe waits for the desktop and the window before the program is started.
        probe.stdin.write(("watch %s %s %d\n" % (desktop, window_class, focus)).encode())
        probe.stdin.flush()
        explorer = subprocess.Popen([WINE_RUN, state, "explorer.exe", "/desktop=%s,1024x768" % desktop,
                                     windows_path(exe)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                    start_new_session=True, env=env)
        answer = probe.stdout.readline().decode().split()
        if answer[:1] != ["ok"]:
            raise RuntimeError("probe: watch: " + " ".join(answer))
        probe.session = explorer.pid
        yield probe, float(answer[1])
    finally:
        try:
            ask(probe, "kill")
            probe.stdin.write(b"quit\n")
            probe.stdin.close()
        except (OSError, RuntimeError):
            pass
        end_process(probe)
        if explorer:
            end_process(explorer)


def clicks(probe, n, link, direct):
    return times(probe, "clicks", n, hexed(link), hexed(CAPTION), hexed(SUCCESS_CAPTION), hexed(direct))


def unix_pid_of(exe, session):
    """The Linux process of the session that runs exe; Wine shows the Windows command line as
    the process's, and the desktop's explorer names exe among its arguments."""
    name = os.path.basename(exe).lower().encode()
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                first = f.read().split(b"\0")[0].strip(b'"').lower()
            if os.getpgid(int(entry)) == session and first.endswith(name):
                return int(entry)
        except OSError:
            continue
    raise RuntimeError("no Linux process runs " + exe)


def linux_private_bytes(unix_pid):
    """The Linux process's anonymous memory: what Windows counts as private bytes leaves out
    mapped files, such as the fonts that the window draws with."""
    with open("/proc/%d/smaps_rollup" % unix_pid) as f:
        return sum(int(line.split()[1]) * 1024 for line in f if line.startswith("Anonymous:"))


def usage(probe, exe):
    """Private bytes, GDI objects, USER objects, handles and windows of the watched program. Wine
    counts no private bytes (then the Linux process's private pages stand in) nor GDI and USER
    objects (then the windows stand in for the USER objects)."""
    private, _working, gdi, user, handles, windows = (0 if v == "-" else int(v) for v in ask(probe, "usage"))
    if not private:
        private = linux_private_bytes(unix_pid_of(exe, probe.session))
    return {"private": private, "gdi": gdi, "user": user, "handles": handles, "windows": windows}


def growth(probe, exe, link, direct, bare=()):
    """Usage of the program before and after ROUNDS resolutions, after a warm-up; beside it the
    growth of the probe itself over ROUNDS times the same requests bare, which is the system
    request object's own: Wine's grows when one object serves requests to several hosts."""
    clicks(probe, WARM_UP, link, direct)
    before = usage(probe, exe)
    clicks(probe, ROUNDS, link, direct)
    after = usage(probe, exe)
    bare_growth = 0
    if bare:
        times(probe, "requests", WARM_UP, *bare)
        start = linux_private_bytes(probe.pid)
        times(probe, "requests", ROUNDS, *bare)
        bare_growth = linux_private_bytes(probe.pid) - start
    return before, after, bare_growth


def request_spec(method, url, body=b""):
    return "%s,%s,%s" % (method, hexed(url), hexed(body))


def measure(build, state, ca_dir):
    app = os.path.join(build, "app", "corvanel.exe")
    minimal = os.path.join(build, "bench", "feel_minimal.exe")
    f = {"start": [], "start base": [], "private": [], "private base": [], "growth": {}}

    # Start-up, the program and the minimal one in turn, each in a fresh desktop.
    for _ in range(RUNS):
        for exe, cls, focus, key in ((app, MAIN_CLASS, 1, "start"), (minimal, MINIMAL_CLASS, 0, "start base")):
            with program(build, state, exe, cls, focus) as (probe, started):
                f[key].append(started)
                f["private" if focus else "private base"].append(usage(probe, exe)["private"])

    # Personal link: no request; against a clipboard write and read of the same text.
    with program(build, state, app, MAIN_CLASS, 1) as (probe, _):
        clicks(probe, WARM_UP, PERSONAL_LINK, PERSONAL_DIRECT)
        f["personal"], f["personal base"] = [], []
        for _ in range(RUNS):
            f["personal"] += clicks(probe, 1, PERSONAL_LINK, PERSONAL_DIRECT)
            f["personal base"] += times(probe, "clipboard", 1, hexed(PERSONAL_DIRECT))
        f["growth"]["personal link"] = growth(probe, app, PERSONAL_LINK, PERSONAL_DIRECT)

    # Short link: one request to a loopback server, against one bare request of the same URL.
    server = TestServer({"routes": [{"path": "/s", "status": 302,
                                     "headers": [["Location", PERSONAL_LINK.decode()]]}]}).start()
    try:
        short = b"http://127.0.0.1:%d/s" % server.port
        with program(build, state, app, MAIN_CLASS, 1) as (probe, _):
            clicks(probe, WARM_UP, short, PERSONAL_DIRECT)
            times(probe, "requests", WARM_UP, request_spec("GET", short))
            f["short"], f["short base"] = [], []
            for _ in range(RUNS):
                f["short"] += clicks(probe, 1, short, PERSONAL_DIRECT)
                f["short base"] += times(probe, "requests", 1, request_spec("GET", short))
            f["growth"]["short link (loopback server)"] = growth(probe, app, short, PERSONAL_DIRECT,
                                                                 [request_spec("GET", short)])
    finally:
        server.stop()

    # Moved-account link through the stand-in: the first click of each run, with its requests
    # counted, then later clicks; against the same three requests bare.
    standin = StandIn({"routes": ROUTES}, ca_dir=ca_dir).start()
    try:
        moved, moved_direct = OLD_SHORT.encode(), download_url("a.zip").encode()
        item = b"https://%s/_api/v2.0/shares/u!%s/driveitem" % (CONTENT_HOST.encode(), redeem(OLD_SHORT).encode())
        bare = [request_spec("GET", moved), request_spec("POST", TOKEN_URL.encode(), TOKEN_BODY),
                request_spec("GET", item)]
        f["moved"], f["moved later"], f["moved base"], f["first requests"], f["later requests"] = [], [], [], [], []
        for _ in range(RUNS):
            with program(build, state, app, MAIN_CLASS, 1, proxy=standin.proxy) as (probe, _):
                for n in range(3):
                    before = len(standin.requests())
                    t = clicks(probe, 1, moved, moved_direct)
                    f["later requests" if n else "first requests"].append(len(standin.requests()) - before)
                    f["moved later" if n else "moved"] += t
                f["moved base"] += times(probe, "requests", 1, *bare)
        with program(build, state, app, MAIN_CLASS, 1, proxy=standin.proxy) as (probe, _):
            # Later resolutions of a run ask for no token.
            f["growth"]["moved-account link (stand-in)"] = growth(probe, app, moved, moved_direct,
                                                                  [bare[0], bare[2]])
        with program(build, state, app, MAIN_CLASS, 1, proxy=standin.proxy) as (probe, _):
            f["growth"]["business link (stand-in)"] = growth(probe, app, BUSINESS.encode(), BUSINESS_DIRECT,
                                                             [request_spec("GET", BUSINESS.encode())])
    finally:
        standin.stop()
    return f


def spread(values, unit):
    """Median, and the least and the most, in one cell."""
    show = (lambda v: "%.1f ms" % (v / 1e3)) if unit == "us" else (lambda v: "%.0f KiB" % (v / 1024))
    if unit == "us" and statistics.median(values) < 1e3:
        show = (lambda v: "%.0f µs" % v)
    return "%s (%s–%s)" % (show(statistics.median(values)), show(min(values)), show(max(values)))


def table(f, machine):
    rows, goals = [], []

    def ratio_row(what, own, base, baseline, limit, unit="us"):
        r = statistics.median(f[own]) / statistics.median(f[base])
        ok = r <= limit
        goals.append(ok)
        rows.append("| %s | %s | %s | %s | %.2f× | ≤ %g× | %s |" % (
            what, spread(f[own], unit), baseline, spread(f[base], unit), r, limit, "pass" if ok else "**FAIL**"))

    ratio_row("start: process creation until the window is shown with the focus in the link box", "start",
              "start base", "minimal Win32 program (OleInitialize first) until its window is shown", 1.3)
    ratio_row("personal link: click until the clipboard holds the direct link", "personal", "personal base",
              "a clipboard write and read of the same text by the probe", 3)
    ratio_row("short link: click until the clipboard holds the link (loopback server)", "short", "short base",
              "one bare request of the request object to the same URL", 1.15)
    ratio_row("moved-account link: first click of a run until the clipboard holds the link (stand-in)", "moved",
              "moved base", "the same three requests bare, through the same stand-in", 1.15)
    ratio_row("memory: private bytes after start", "private", "private base", "minimal Win32 program", 1.5, "bytes")

    firsts, laters = f["first requests"], f["later requests"]
    ok = set(firsts) == {3} and set(laters) == {2}
    goals.append(ok)
    rows.append("| moved-account link: requests at the stand-in, first of a run / later | %s / %s | – | – | – "
                "| 3 / 2 | %s |" % ("/".join(map(str, sorted(set(firsts)))), "/".join(map(str, sorted(set(laters)))),
                                   "pass" if ok else "**FAIL**"))
    for route, (before, after, bare_growth) in f["growth"].items():
        grown = after["private"] - before["private"]
        # Wine counts no GDI and USER objects (zero): the program's windows stand in for the latter.
        counts = [c for c in ("gdi", "user", "windows") if before[c] or after[c]]
        ok = grown - bare_growth <= GROWTH_LIMIT and all(before[c] == after[c] for c in counts)
        goals.append(ok)
        rows.append("| memory: growth over %d resolutions, %s | %+.0f KiB; %s | the same requests bare, the "
                    "probe's own growth | %+.0f KiB | program's own %+.0f KiB | ≤ 64 KiB of its own, objects "
                    "unchanged | %s |" % (
                        ROUNDS, route, grown / 1024,
                        ", ".join("%s %d → %d" % (c, before[c], after[c]) for c in counts),
                        bare_growth / 1024, (grown - bare_growth) / 1024, "pass" if ok else "**FAIL**"))
    out = ["What a user feels: under Wine (%s), x86_64 release build (win64 preset, -O3), %s. "
           "Figures: median of %d runs (least–most)." % (wine_version(), machine, RUNS), "",
           "| what | measured | baseline | baseline measured | ratio | goal | |",
           "|---|---|---|---|---|---|---|"] + rows
    out += ["", "Goals: %d of %d hold." % (sum(goals), len(goals))]
    return "\n".join(out), all(goals)


def wine_version():
    return subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()


def machine():
    with open("/proc/cpuinfo") as cpuinfo:
        model = next((line.split(":", 1)[1].strip() for line in cpuinfo if line.startswith("model name")), "?")
    load = os.getloadavg()[0]
    return "%s, %d cores, load %.1f at the start" % (model, os.cpu_count(), load) + ", " + platform.machine()


def main(build, figures_path=None):
    build = os.path.abspath(build)
    # Not the wine folder of the tests that a test build in the same folder runs.
    state = os.path.join(build, "feel-wine")
    ca_dir = os.path.join(build, "standin-ca")
    where = machine()
    subprocess.run([SESSION, "start", state], check=True, stdout=subprocess.DEVNULL)
    try:
        _pem, der, _key = load_or_make_ca(ca_dir)
        install_ca_in_prefix(WINE_RUN, state, der, os.path.join(build, "tests", "wine", "corvanel_add_root_ca.exe"))
        started = time.monotonic()
        figures = measure(build, state, ca_dir)
    finally:
        subprocess.run([SESSION, "stop", state], stdout=subprocess.DEVNULL)
    if figures_path:
        with open(figures_path, "w") as out:
            json.dump(figures, out, indent=1)
    text, ok = table(figures, where)
    print(text)
    print("\n(%.0f s of measuring)" % (time.monotonic() - started), file=sys.stderr)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
