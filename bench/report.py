#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Turns the JSON of one benchmark run into the results section of
bench/README.md: the machine, the targets with the library's figure and the
peer's figure from the same run, the contenders on every corpus, the latency
per message, every Tessel benchmark, ParseHtml on one and two threads, the
peak heap of the 1 MB message and the downloader. Rates are medians over the
runs, computed by Google Benchmark from CPU time (the downloads and the runs
on several threads from wall time); a ratio is the median of the runs' own
ratios, since the two sides of each ran by turns and saw the same load. MB is
10^6 bytes."""

import argparse
import datetime
import glob
import json
import os
import re
import statistics
import subprocess

CORPORA = [("qt", "Qt messages"), ("short", "short, no markup"), ("dense", "entity-dense"),
           ("large", "1 MB message")]
CONTENDERS = [
    ("Tessel `ParseHtml`", "ParseHtml"),
    ("libpurple `purple_markup_strip_html`", "Peer/purple_markup_strip_html"),
    ("libxml2 `htmlReadMemory` + text nodes", "Peer/libxml2_htmlReadMemory"),
    ("gumbo parse + text nodes", "Peer/gumbo_parse"),
    ("Qt `QTextDocument::setHtml` + `toPlainText`", "Peer/Qt_setHtml_toPlainText"),
]
PURPLE = "Peer/purple_markup_strip_html"
QT = "Peer/Qt_setHtml_toPlainText"
UNESCAPE = "Peer/purple_unescape_html"
DOWNLOADER, CURL = "Download/ImageDownloader", "Download/curl_easy_keep_alive"
THREADS = "Threads/ParseHtml"


def on_threads(name, threads):
    """The name Google Benchmark gives a benchmark run on that many threads."""
    return f"{THREADS}/{name}/real_time/threads:{threads}"
FIGURES = ("bytes_per_second", "items_per_second", "p50_ns", "p99_ns")


def load_runs(pattern):
    """The figures of each benchmark in each run: {name: {run: {figure: value}}},
    a run being the number in the file name."""
    runs, context = {}, {}
    for path in sorted(glob.glob(pattern)):
        number = re.findall(r"(\d+)\.json$", path)
        run_id = int(number[0]) if number else 0
        with open(path) as f:
            data = json.load(f)
        context = data.get("context", context)
        for b in data["benchmarks"]:
            if b.get("run_type", "iteration") != "iteration" or b.get("error_occurred"):
                continue
            name = re.sub(r"/real_time$", "", b.get("run_name", b["name"]))
            runs.setdefault(name, {})[run_id] = {k: b[k] for k in FIGURES if k in b}
    return runs, context


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


class Results:
    def __init__(self, runs):
        self.runs = runs

    def figure(self, name, key="bytes_per_second"):
        """The median of a figure over the runs."""
        return median([r.get(key) for r in self.runs.get(name, {}).values()])

    def ratio(self, name, reference, key="bytes_per_second"):
        """The median over the runs of name's figure divided by reference's in
        the same run."""
        own, ref = self.runs.get(name, {}), self.runs.get(reference, {})
        return median([own[r][key] / ref[r][key] for r in own
                       if r in ref and own[r].get(key) and ref[r].get(key)])

    def nanoseconds_per_item(self, name):
        items = self.figure(name, "items_per_second")
        return 1e9 / items if items else None


def read_messages(path):
    with open(path, "rb") as f:
        data = f.read()
    sizes, pos = [], 0
    while pos < len(data):
        line_end = data.index(b"\n", pos)
        n = int(data[pos:line_end])
        sizes.append(n)
        pos = line_end + 1 + n + 1
    return sizes


def command_output(args):
    try:
        return subprocess.run(args, capture_output=True, text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return "?"


def cpu_model():
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    return "?"


def mb(rate):
    return "—" if rate is None else f"{rate / 1e6:,.1f}"


def per_second(rate):
    if rate is None:
        return "—"
    for unit, scale in (("M", 1e6), ("k", 1e3)):
        if rate >= scale:
            return f"{rate / scale:,.2f} {unit}"
    return f"{rate:,.0f}"


def ns(value):
    return "—" if value is None else f"{value:,.0f}"


def markers(name):
    return f"<!-- {name}:begin -->", f"<!-- {name}:end -->"


def targets(res, memory):
    """(target, Tessel's figure, the peer's figure, measured against the goal, met)."""
    rows = []

    def at_least(label, value, goal, shown_value, peer, measured):
        rows.append((label, shown_value, peer, measured, value is not None and value >= goal))

    for corpus, what in (("qt", "Qt messages"), ("short", "short messages without markup"),
                         ("large", "the 1 MB message")):
        ratio = res.ratio(f"ParseHtml/{corpus}", f"{PURPLE}/{corpus}")
        at_least(f"`ParseHtml` ≥ 3× libpurple on {what}", ratio, 3,
                 f"{mb(res.figure(f'ParseHtml/{corpus}'))} MB/s",
                 f"{mb(res.figure(f'{PURPLE}/{corpus}'))} MB/s",
                 "—" if ratio is None else f"{ratio:.2f}×")
    ratio = res.ratio("ParseHtml/qt", f"{QT}/qt")
    at_least("`ParseHtml` ≥ 100× Qt on Qt messages", ratio, 100, f"{mb(res.figure('ParseHtml/qt'))} MB/s",
             f"{mb(res.figure(f'{QT}/qt'))} MB/s", "—" if ratio is None else f"{ratio:.1f}×")
    for corpus, what, goal in (("dense", "entity-dense text", 1000), ("no_amp", "text without '&'", 4000)):
        rate = res.figure(f"decodeEntities/{corpus}")
        at_least(f"`decodeEntities` ≥ {goal:,} MB/s on {what}", rate and rate / 1e6, goal,
                 f"{mb(rate)} MB/s", f"{mb(res.figure(f'{UNESCAPE}/{corpus}'))} MB/s (`purple_unescape_html`)",
                 f"{mb(rate)} MB/s")
    own, peer = res.nanoseconds_per_item("ParseHtml/fixed16"), res.nanoseconds_per_item(f"{PURPLE}/fixed16")
    share = res.ratio(f"{PURPLE}/fixed16", "ParseHtml/fixed16", "items_per_second")
    rows.append(("fixed cost of a call (16 bytes, no markup) ≤ ⅓ of libpurple's", f"{ns(own)} ns",
                 f"{ns(peer)} ns", "—" if share is None else f"{share:.2f} of libpurple's",
                 share is not None and share <= 1 / 3))
    for name in ("ParseHtml_Orb", "HtmlFromBody"):
        rate = res.figure(f"{name}/qt")
        at_least(f"`{name}` ≥ 1,500 MB/s on Qt messages", rate and rate / 1e6, 1500, f"{mb(rate)} MB/s", "—",
                 f"{mb(rate)} MB/s")
    rate = res.figure("imageKey/4096")
    at_least("`imageKey` ≥ 400 MB/s on 4 KB", rate and rate / 1e6, 400, f"{mb(rate)} MB/s", "—", f"{mb(rate)} MB/s")
    worst = max(memory["conversions"], key=lambda c: c["ratio"], default=None)
    rows.append(("peak heap ≤ 2× the 1 MB message, every conversion",
                 "—" if worst is None else f"{worst['ratio']:.2f}× (`{worst['name']}`)", "—",
                 "—" if worst is None else f"{worst['ratio']:.2f}× (results left {worst['left_ratio']:.2f}×)",
                 worst is not None and worst["ratio"] <= 2))
    two, one = on_threads("qt", 2), on_threads("qt", 1)
    ratio = res.ratio(two, one, "items_per_second")
    at_least("`ParseHtml` on 2 threads ≥ 1.8× one thread's throughput on Qt messages", ratio, 1.8,
             f"{mb(res.figure(two))} MB/s", f"{mb(res.figure(one))} MB/s (1 thread)",
             "—" if ratio is None else f"{ratio:.2f}×")
    ratio = res.ratio(DOWNLOADER, CURL)
    at_least("downloader ≥ 0.9× libcurl easy with keep-alive (100 × 200 KB, loopback)", ratio, 0.9,
             f"{mb(res.figure(DOWNLOADER))} MB/s", f"{mb(res.figure(CURL))} MB/s",
             "—" if ratio is None else f"{ratio:.2f}×")
    return rows


def section(args):
    runs, context = load_runs(os.path.join(args.results, "tessel*.json"))
    for pattern in ("peers*.json", "download*.json"):
        runs.update(load_runs(os.path.join(args.results, pattern))[0])
    res = Results(runs)
    with open(os.path.join(args.results, "memory.json")) as f:
        memory = json.load(f)

    def sizes(name):
        return read_messages(os.path.join(args.corpus, name))
    qt, plain, short, dense = (sizes(f"{n}.msgs") for n in ("qt", "plain", "short", "dense"))
    large = os.path.getsize(os.path.join(args.corpus, "large.html"))

    begin, end = markers(args.section)
    out = [begin, ""]
    out.append(f"Run of {datetime.date.today().isoformat()} on {os.cpu_count()} cores of "
               f"{cpu_model()} ({context.get('mhz_per_cpu', '?')} MHz), load average "
               f"{args.load[0]} before and {args.load[1]} after the run; g++ "
               f"{command_output(['c++', '-dumpfullversion'])}, Release; medians of "
               f"{args.repetitions or 'the'} runs, the library's, the peers' and the downloads by turns. "
               f"Peers: Qt {command_output(['pkg-config', '--modversion', 'Qt5Gui'])}, libpurple "
               f"{command_output(['pkg-config', '--modversion', 'purple'])}, libxml2 "
               f"{command_output(['pkg-config', '--modversion', 'libxml-2.0'])}, gumbo "
               f"{command_output(['pkg-config', '--modversion', 'gumbo'])}, libcurl "
               f"{command_output(['pkg-config', '--modversion', 'libcurl'])}.")
    out.append("")

    def described(messages, what):
        return f"{len(messages):,} {what}, {sum(messages):,} bytes ({sum(messages) / len(messages):,.0f} on average)"
    out.append(f"Corpus: {described(qt, 'Qt messages')}; {described(short, 'short messages without markup')}; "
               f"{described(dense, 'entity-dense messages')}; {described(plain, 'plain messages')}; "
               f"one large message of {large:,} bytes.")

    out += ["", "### Targets", "",
            "| target | Tessel | peer, same run | measured | met |", "|---|---:|---:|---:|---|"]
    for label, own, peer, measured, met in targets(res, memory):
        out.append(f"| {label} | {own} | {peer} | {measured} | {'yes' if met else 'no'} |")

    out += ["", "### HTML to text, MB/s (in brackets: Tessel `ParseHtml`'s speed as a multiple of it, "
            "median of the runs' ratios)", "",
            "| contender | " + " | ".join(what for _, what in CORPORA) + " |",
            "|---|" + "---:|" * len(CORPORA)]
    for label, name in CONTENDERS:
        cells = []
        for corpus, _ in CORPORA:
            rate = res.figure(f"{name}/{corpus}")
            ratio = None if name == "ParseHtml" else res.ratio(f"ParseHtml/{corpus}", f"{name}/{corpus}")
            cells.append(mb(rate) + ("" if ratio is None else f" ({ratio:,.1f}×)"))
        out.append(f"| {label} | " + " | ".join(cells) + " |")
    out.append("| Tessel `ParseHtml`, resource images only | "
               f"{mb(res.figure('ParseHtml/qt_resource_only'))} | | | |")
    out.append(f"| floor: `memchr` scan for '<' | {mb(res.figure('Floor/memchr/qt'))} | | | |")
    out.append(f"| floor: `memcpy` | {mb(res.figure('Floor/memcpy/qt'))} | | | |")

    out += ["", "### Latency per message, ns (each call timed on its own, wall clock)", "",
            "| contender | Qt messages, median | 99th percentile | short messages, median | 99th percentile |",
            "|---|---:|---:|---:|---:|"]
    for label, name in CONTENDERS:
        cells = [ns(res.figure(f"Latency/{name}/{corpus}", key)) for corpus in ("qt", "short")
                 for key in ("p50_ns", "p99_ns")]
        out.append(f"| {label} | " + " | ".join(cells) + " |")
    out += ["", f"Fixed cost of a call on a 16-byte message without markup: Tessel `ParseHtml` "
            f"{ns(res.nanoseconds_per_item('ParseHtml/fixed16'))} ns, libpurple "
            f"{ns(res.nanoseconds_per_item(f'{PURPLE}/fixed16'))} ns."]

    out += ["", "### Tessel", "", "| benchmark | MB/s | items/s |", "|---|---:|---:|"]
    for name, by_run in runs.items():
        if not name.startswith(("Peer/", "Floor/", "Latency/", "Download/", "Threads/")):
            out.append(f"| `{name}` | {mb(res.figure(name))} | {per_second(res.figure(name, 'items_per_second'))} |")
    out += ["", "`decodeEntities` against libpurple's `purple_unescape_html`, MB/s: "
            + "; ".join(f"{what} {mb(res.figure(f'decodeEntities/{c}'))} against {mb(res.figure(f'{UNESCAPE}/{c}'))}"
                        for c, what in (("dense", "entity-dense text"), ("no_amp", "the same without '&'")))
            + "."]

    out += ["", "### `ParseHtml` on several threads at once, each over the Qt corpus, wall clock", "",
            "| messages | 1 thread, MB/s | 2 threads, MB/s | 2 threads / 1 |", "|---|---:|---:|---:|"]
    for name, what in (("qt", "Qt messages"), ("qt_resource_only", "Qt messages, resource images only")):
        ratio = res.ratio(on_threads(name, 2), on_threads(name, 1), "items_per_second")
        out.append(f"| {what} | {mb(res.figure(on_threads(name, 1)))} | {mb(res.figure(on_threads(name, 2)))} | "
                   + ("—" if ratio is None else f"{ratio:.2f}×") + " |")

    out += ["", f"### Peak heap converting the large message ({memory['input_bytes']:,} bytes)", "",
            "| conversion | input bytes | peak heap bytes | ratio | results left, bytes | ratio |",
            "|---|---:|---:|---:|---:|---:|"]
    for c in memory["conversions"]:
        out.append(f"| `{c['name']}` | {c['input_bytes']:,} | {c['peak_bytes']:,} | {c['ratio']:.2f} | "
                   f"{c['left_bytes']:,} | {c['left_ratio']:.2f} |")
    out += ["", "Results left: the bytes of what the call hands back and keeps for the client to read "
            "(the out-string, the parser's text and body for `GetText` and `GetBody`, the body parser's "
            "lists), all alive when it returns: a floor under its peak."]

    out += ["", "### Downloads: 100 pictures of 200 KB from one loopback host, wall clock", "",
            "| downloader | MB/s | pictures/s |", "|---|---:|---:|"]
    for label, name in (("Tessel `ImageDownloader`", DOWNLOADER), ("libcurl easy interface, keep-alive", CURL)):
        pictures = res.figure(name, "items_per_second")
        out.append(f"| {label} | {mb(res.figure(name))} | {per_second(pictures)} |")

    out += budget_note(res)
    out += ["", end]
    return "\n".join(out)


def budget_note(res):
    """What the ParseHtml target on the Qt corpus leaves per message, against
    what the file tests and a bare scan take of it on this machine: medians
    over the runs of each run's own figures, so that a slow spell of one run
    moves both."""
    def per_message(name, factor=1):
        return {r: 1e9 / (factor * f["items_per_second"])
                for r, f in res.runs.get(name, {}).items() if f.get("items_per_second")}
    budget = per_message(f"{PURPLE}/qt", 3)
    files = per_message("Floor/file_tests")
    scan = per_message("Floor/memchr/qt")
    resource_only = per_message("ParseHtml/qt_resource_only")
    common = set(budget) & set(files) & set(scan) & set(resource_only)
    if not common:
        return []

    def med(values):
        return median([values[r] for r in common])
    share = median([files[r] / budget[r] for r in common])
    ratio = res.ratio("ParseHtml/qt_resource_only", f"{PURPLE}/qt")
    return ["", f"Time per message of the Qt corpus (medians of the runs): 3× libpurple leaves "
            f"{med(budget):,.0f} ns. The file tests that `ParseHtml` must make on the corpus's local pictures "
            f"take {med(files):,.0f} ns on this machine ({share:.0%} of that budget) and a bare "
            f"`memchr` scan for '<' {med(scan):,.0f} ns. With resource images only, where no file "
            f"is tested, `ParseHtml` takes {med(resource_only):,.0f} ns, {ratio:.1f}× libpurple."]


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--results", required=True)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--load", nargs=2, default=["?", "?"])
    parser.add_argument("--repetitions", type=int, default=None)
    parser.add_argument("--readme", required=True)
    parser.add_argument("--section", default="results",
                        help="the marked section of the README to replace")
    args = parser.parse_args()

    text = section(args)
    with open(args.readme) as f:
        readme = f.read()
    begin, end = markers(args.section)
    pattern = re.compile(re.escape(begin) + ".*?" + re.escape(end), re.S)
    readme = pattern.sub(lambda _: text, readme) if pattern.search(readme) else readme + "\n" + text + "\n"
    with open(args.readme, "w") as f:
        f.write(readme)
    print(text)


if __name__ == "__main__":
    main()
