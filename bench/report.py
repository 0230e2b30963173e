#!/usr/bin/env python3
"""Turns the JSON of one benchmark run into the results section of
bench/README.md: the machine, the contenders on the Qt corpus with their ratio
to Tessel's ParseHtml, every Tessel benchmark, the peak heap of the 1 MB
message and the targets. Rates are medians over the runs, computed by
Google Benchmark from CPU time; MB is 10^6 bytes."""

import argparse
import datetime
import glob
import json
import os
import re
import statistics
import subprocess


CONTENDERS = [
    ("Tessel `ParseHtml`", "ParseHtml/qt"),
    ("Tessel `ParseHtml`, resource images only", "ParseHtml/qt_resource_only"),
    ("libpurple `purple_markup_strip_html`", "Peer/purple_markup_strip_html"),
    ("libxml2 `htmlReadMemory` + text nodes", "Peer/libxml2_htmlReadMemory"),
    ("gumbo parse + text nodes", "Peer/gumbo_parse"),
    ("Qt `QTextDocument::setHtml` + `toPlainText`", "Peer/Qt_setHtml_toPlainText"),
    ("floor: the file tests `ParseHtml` makes (one `stat` per distinct local picture)", "Floor/file_tests"),
    ("floor: `memchr` scan for '<'", "Floor/memchr"),
    ("floor: `memcpy`", "Floor/memcpy"),
]
PEERS = [name for _, name in CONTENDERS if name.startswith("Peer/")]


def load_runs(pattern):
    """Bytes/s and items/s of each benchmark in each run: {name: {run: rates}},
    a run being the number in the file name (each run's own median when it
    repeated)."""
    runs, context = {}, {}
    for path in sorted(glob.glob(pattern)):
        number = re.findall(r"(\d+)\.json$", path)
        run_id = int(number[0]) if number else 0
        with open(path) as f:
            data = json.load(f)
        context = data.get("context", context)
        for b in data["benchmarks"]:
            name = b.get("run_name", b["name"])
            is_median = b.get("run_type") == "aggregate" and b.get("aggregate_name") == "median"
            seen = runs.setdefault(name, {})
            if is_median or (b.get("run_type", "iteration") == "iteration" and run_id not in seen):
                seen[run_id] = (b.get("bytes_per_second"), b.get("items_per_second"))
    return runs, context


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def median_rates(runs):
    return {name: (median([r[0] for r in by_run.values()]), median([r[1] for r in by_run.values()]))
            for name, by_run in runs.items()}


def median_ratio(runs, name, reference):
    """The median over the runs of name's rate divided by reference's in the
    same run: both ran by turns, so each pair saw the same load."""
    own, ref = runs.get(name, {}), runs.get(reference, {})
    return median([own[r][0] / ref[r][0] for r in own if r in ref and own[r][0] and ref[r][0]])


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


def markers(name):
    return f"<!-- {name}:begin -->", f"<!-- {name}:end -->"


def section(args):
    runs, context = load_runs(os.path.join(args.results, "tessel*.json"))
    peer_runs, _ = load_runs(os.path.join(args.results, "peers*.json"))
    runs.update(peer_runs)
    rates = median_rates(runs)
    with open(os.path.join(args.results, "memory.json")) as f:
        memory = json.load(f)

    qt_sizes = read_messages(os.path.join(args.corpus, "qt.msgs"))
    plain_sizes = read_messages(os.path.join(args.corpus, "plain.msgs"))
    large = os.path.getsize(os.path.join(args.corpus, "large.html"))

    def rate(name):
        return rates.get(name, (None, None))[0]

    begin, end = markers(args.section)
    out = [begin, ""]
    out.append(f"Run of {datetime.date.today().isoformat()} on {os.cpu_count()} cores of "
               f"{cpu_model()} ({context.get('mhz_per_cpu', '?')} MHz), load average "
               f"{args.load[0]} before and {args.load[1]} after the run; g++ "
               f"{command_output(['c++', '-dumpfullversion'])}, Release; medians of "
               f"{args.repetitions or 'the'} runs, the library's and the peers' by turns. Peers: Qt "
               f"{command_output(['pkg-config', '--modversion', 'Qt5Gui'])}, libpurple "
               f"{command_output(['pkg-config', '--modversion', 'purple'])}, libxml2 "
               f"{command_output(['pkg-config', '--modversion', 'libxml-2.0'])}, gumbo "
               f"{command_output(['pkg-config', '--modversion', 'gumbo'])}.")
    out.append("")
    out.append(f"Corpus: {len(qt_sizes)} Qt messages, {sum(qt_sizes):,} bytes "
               f"({sum(qt_sizes) / len(qt_sizes):.0f} on average); {len(plain_sizes)} plain "
               f"messages, {sum(plain_sizes):,} bytes; one large message of {large:,} bytes.")
    out += ["", "### HTML to text on the Qt corpus", "",
            "| contender | MB/s | messages/s | ratio to Tessel `ParseHtml` (median of the runs' ratios) |",
            "|---|---:|---:|---:|"]
    for label, name in CONTENDERS:
        r, items = rates.get(name, (None, None))
        ratio = median_ratio(runs, name, "ParseHtml/qt")
        ratio = "—" if ratio is None else f"{ratio:.3f}"
        out.append(f"| {label} | {mb(r)} | {per_second(items)} | {ratio} |")

    out += ["", "### Tessel", "", "| benchmark | MB/s | items/s |", "|---|---:|---:|"]
    for name, (r, items) in rates.items():
        if not name.startswith(("Peer/", "Floor/")):
            out.append(f"| `{name}` | {mb(r)} | {per_second(items)} |")

    out += ["", f"### Peak heap converting the large message ({memory['input_bytes']:,} bytes)", "",
            "| conversion | input bytes | peak heap bytes | ratio |", "|---|---:|---:|---:|"]
    for c in memory["conversions"]:
        out.append(f"| `{c['name']}` | {c['input_bytes']:,} | {c['peak_bytes']:,} | {c['ratio']:.2f} |")

    peers = [(rate(p), p) for p in PEERS if rate(p)]
    fastest = max(peers) if peers else (None, "?")

    def times(peer):
        return median_ratio(runs, "ParseHtml/qt", peer)
    worst_memory = max((c["ratio"] for c in memory["conversions"]), default=None)
    targets = [
        (f"`ParseHtml` ≥ 3× the fastest peer ({fastest[1].split('/')[1]})", times(fastest[1]), 3, "×"),
        ("`ParseHtml` ≥ 100× Qt", times("Peer/Qt_setHtml_toPlainText"), 100, "×"),
        ("`ParseHtml_Orb` ≥ 1,000 MB/s", (rate("ParseHtml_Orb/qt") or 0) / 1e6, 1000, " MB/s"),
        ("`HtmlFromBody` ≥ 1,000 MB/s", (rate("HtmlFromBody/qt") or 0) / 1e6, 1000, " MB/s"),
        ("`imageKey` on 4 KB ≥ 400 MB/s", (rate("imageKey/4096") or 0) / 1e6, 400, " MB/s"),
    ]
    out += ["", "### Targets", "", "| target | measured | met |", "|---|---:|---|"]
    for label, value, goal, unit in targets:
        shown = "—" if not value else f"{value:,.1f}{unit}"
        out.append(f"| {label} | {shown} | {'yes' if value and value >= goal else 'no'} |")
    shown = "—" if worst_memory is None else f"{worst_memory:.2f}×"
    met = worst_memory is not None and worst_memory <= 4
    out.append(f"| peak heap of the 1 MB message ≤ 4× its size | {shown} | {'yes' if met else 'no'} |")
    out += budget_note(runs, fastest[1])
    out += ["", end]
    return "\n".join(out)


def budget_note(runs, fastest):
    """What the ParseHtml targets leave per message, against what the file
    tests and a bare scan take of it on this machine: medians over the runs
    of each run's own figures, so that a slow spell of one run moves both."""
    def per_message(name, factor=1):
        return {r: 1e9 / (factor * rate[1]) for r, rate in runs.get(name, {}).items() if rate[1]}
    budget = per_message(fastest, 3)
    qt_budget = per_message("Peer/Qt_setHtml_toPlainText", 100)
    files = per_message("Floor/file_tests")
    scan = per_message("Floor/memchr")
    resource_only = per_message("ParseHtml/qt_resource_only")
    common = set(budget) & set(qt_budget) & set(files) & set(scan) & set(resource_only)
    if not common:
        return []

    def med(values):
        return median([values[r] for r in common])
    share = median([files[r] / budget[r] for r in common])
    ratio = median_ratio(runs, "ParseHtml/qt_resource_only", fastest)
    return ["", f"Time per message of the Qt corpus (medians of the runs): the `ParseHtml` targets "
            f"leave {med(budget):,.0f} ns (3× {fastest.split('/')[1]}) and {med(qt_budget):,.0f} ns "
            f"(100× Qt). The file tests that `ParseHtml` must make on the corpus's local pictures "
            f"take {med(files):,.0f} ns on this machine ({share:.0%} of the 3× budget) and a bare "
            f"`memchr` scan for '<' {med(scan):,.0f} ns. With resource images only, where no file "
            f"is tested, `ParseHtml` takes {med(resource_only):,.0f} ns, {ratio:.1f}× the fastest peer."]


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
