#!/usr/bin/env python3
"""Turns a benchmark run (Google Benchmark JSON) and the two executable sizes into the table of
figures, ratios and goals. Every figure is the least CPU time of the repetitions, and every ratio
compares figures of the same run.

  table.py EXE MINIMAL RESULTS.json    the table; exit 1 when a goal fails"""
import json
import os
import re
import sys
from collections import defaultdict

NAME = re.compile(r"^(?P<routine>[^/\[]+)(?:\[(?P<baseline>[^\]]+)\])?/(?P<kind>[^/]+)/(?P<size>\d+)$")
LINEAR_LIMIT = 80.0  # 64 MiB against 1 MiB
COOKIE_ROUTINES = ["MergeCookies", "RemoveDuplicateItems"]
COOKIE_GROWTH_LIMIT = 15.0
HOST_TEST = "IsShareLink"
HOST_LIMIT = 8.0
SIZE_LIMIT = 1.15


def size_name(size, kind):
    if kind == "items":
        return f"{size:,} items"
    for unit, shift in (("MiB", 20), ("KiB", 10)):
        if size >= 1 << shift and size % (1 << shift) == 0:
            return f"{size >> shift} {unit}"
    return f"{size} B"


def duration(us):
    if us >= 1e6:
        return f"{us / 1e6:.3g} s"
    if us >= 1e3:
        return f"{us / 1e3:.3g} ms"
    return f"{us:.3g} µs"


def verdict(ok):
    return "pass" if ok else "**FAIL**"


def load(path):
    with open(path) as f:
        run = json.load(f)
    times = defaultdict(lambda: float("inf"))
    for b in run["benchmarks"]:
        if b.get("run_type") != "iteration":
            continue
        m = NAME.match(b["run_name"] if "run_name" in b else b["name"])
        if not m:
            continue
        scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[b["time_unit"]]
        key = (m["routine"], m["kind"], int(m["size"]), m["baseline"])
        # Smaller sizes run several calls per iteration.
        times[key] = min(times[key], b["cpu_time"] * scale / b.get("calls", 1))
    return run["context"], times


def main(exe, minimal, results):
    context, times = load(results)
    rows = {}  # (routine, kind) -> {size: (routine time, baseline name, baseline time)}
    for (routine, kind, size, baseline), t in times.items():
        if baseline is None:
            continue
        own = times.get((routine, kind, size, None))
        if own is not None:
            rows.setdefault((routine, kind), {})[size] = (own, baseline, t)

    sizes = {k: sorted(v) for k, v in rows.items()}
    all_sizes = sorted({s for (r, k), v in rows.items() if k != "items" for s in v})
    item_sizes = sorted({s for (r, k), v in rows.items() if k == "items" for s in v})
    goals = []
    out = []
    out.append("Figures: least CPU time of the repetitions; in brackets, the routine's time over its baseline's.")
    out.append("")

    def growth(size_map, big, small, which=0):
        return size_map[big][which] / size_map[small][which] if big in size_map and small in size_map else None

    out.append("| routine | input | baseline | " + " | ".join(size_name(s, "") for s in all_sizes)
               + " | 64 MiB / 1 MiB | baseline's 64 MiB / 1 MiB |")
    out.append("|---|---|---|" + "---|" * len(all_sizes) + "---|---|")
    for (routine, kind), size_map in sorted(rows.items()):
        if kind == "items":
            continue
        cells = []
        for s in all_sizes:
            if s in size_map:
                own, _, base = size_map[s]
                cells.append(f"{duration(own)} ({own / base:.2f}×)")
            else:
                cells.append("")
        g = growth(size_map, 1 << 26, 1 << 20)
        ok = g is not None and g <= LINEAR_LIMIT
        goals.append((f"{routine} ({kind}) grows linearly: 64 MiB / 1 MiB", g, f"≤ {LINEAR_LIMIT:g}", ok))
        baseline = next(iter(size_map.values()))[1]
        shown = "–" if g is None else f"{g:.1f} {verdict(ok)}"
        gb = growth(size_map, 1 << 26, 1 << 20, 2)
        base_shown = "–" if gb is None else f"{gb:.1f}"
        out.append(f"| {routine} | {kind} | {baseline} | " + " | ".join(cells) + f" | {shown} | {base_shown} |")
    out.append("")

    out.append("| routine | baseline | " + " | ".join(size_name(s, "items") for s in item_sizes)
               + " | 100,000 / 10,000 | baseline's 100,000 / 10,000 |")
    out.append("|---|---|" + "---|" * len(item_sizes) + "---|---|")
    for (routine, kind), size_map in sorted(rows.items()):
        if kind != "items":
            continue
        cells = []
        for s in item_sizes:
            own, _, base = size_map[s]
            cells.append(f"{duration(own)} ({own / base:.2f}×)")
        g = growth(size_map, 100000, 10000)
        ok = g is not None and g <= COOKIE_GROWTH_LIMIT
        goals.append((f"{routine}: 10 times the items, 100,000 / 10,000", g, f"≤ {COOKIE_GROWTH_LIMIT:g}", ok))
        shown = "–" if g is None else f"{g:.1f} {verdict(ok)}"
        gb = growth(size_map, 100000, 10000, 2)
        base_shown = "–" if gb is None else f"{gb:.1f}"
        out.append(f"| {routine} | {size_map[item_sizes[0]][1]} | " + " | ".join(cells) + f" | {shown} | {base_shown} |")
    out.append("")

    host = [(kind, m[1 << 26]) for (r, kind), m in rows.items() if r == HOST_TEST and (1 << 26) in m]
    for kind, (own, _, base) in sorted(host):
        goals.append((f"auto-fill host test ({HOST_TEST}, {kind}) on 64 MiB over a memcpy of it", own / base,
                      f"≤ {HOST_LIMIT:g}", own / base <= HOST_LIMIT))
    if not host:
        goals.append(("auto-fill host test on 64 MiB over a memcpy of it", None, f"≤ {HOST_LIMIT:g}", False))
    identical = context.get("reference_identical") == "yes"
    goals.append(("cookie results equal their rules as written, order included", None, "identical", identical))

    a, b = os.path.getsize(exe), os.path.getsize(minimal)
    goals.append((f"i686 corvanel.exe ({a:,} bytes) over the minimal Win32 C++ program ({b:,} bytes)", a / b,
                  f"≤ {SIZE_LIMIT:g}", a / b <= SIZE_LIMIT))

    out.append("| goal | measured | limit | |")
    out.append("|---|---|---|---|")
    for name, value, limit, ok in goals:
        shown = "–" if value is None else f"{value:.2f}"
        out.append(f"| {name} | {shown} | {limit} | {verdict(ok)} |")
    out.append("")
    for line in context.get("reference_checks", "").splitlines():
        out.append(f"- {line}")
    passed = sum(1 for g in goals if g[3])
    out.append("")
    out.append(f"Goals: {passed} of {len(goals)} hold.")
    print("\n".join(out))
    return 0 if passed == len(goals) else 1


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
