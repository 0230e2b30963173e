#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the seeds of the download fuzz target into fuzz/seeds/download/.

Each seed is an input as download_fuzz.cpp reads it, front to back: one byte
per choice (an index into one of its tables), texts as a length byte and the
bytes, bodies and numbers as two-byte little-endian lengths or values. The
helpers below follow that reader; when it changes, change them with it and
run this script again.
"""
import os
import sys

# Table indexes of download_fuzz.cpp.
DIRECT, PARSE_HTML, PARSE_HTML2 = 0, 1, 2
LIMIT = {"1MiB": 0, "none": 1, "1": 2, "7": 3, "100": 4, "1000": 5, "20480": 6, "20481": 7}
CALL = {30: 0, 1: 1, 5: 2, 15: 3, 60: 4, 120: 5, 250: 6}
EXT = {".png": 0, ".jpg": 1, ".PNG": 2, ".jpeg": 3, ".png?a=b": 4, ".png#f": 5, ".jpg/x": 6,
       ".gif": 7, "": 8, ".pn": 9}
HOST = {"server": 0, "server:80": 1, "server:8080": 2, "a@server": 3, "server.": 4,
        "localhost": 5, "127.0.0.1": 6, "[::1]": 7, "": 8, "0x7f005a01": 9}
STATUS = {200: 0, 206: 3, 301: 4, 302: 5, 303: 6, 307: 7, 308: 8, 300: 9, 304: 10, 204: 11,
          205: 12, 404: 13, 500: 14, 100: 15, 101: 16, 103: 17, 199: 18, 0: 19, 99: 20,
          1000: 21, "raw": 22}
VERSION = {"HTTP/1.1": 0, "HTTP/1.0": 2, "HTTP/1.2": 3, "HTTP/2": 4, "HTTP/0.9": 5,
           "http/1.1": 6, "HTTP/1.1 ": 7}
KEEP, CLOSE, RESET = 0, 1, 2
MS = {0: 0, 1: 5, 5: 6, 20: 7, 50: 8}
BY_LENGTH, BY_CHUNKS, BY_CLOSE, UNFRAMED, BY_OTHER_LENGTH = range(5)
HEADER = {"Content-Type": 0, "Connection: close": 1, "Connection: keep-alive": 2,
          "Keep-Alive": 3, "Content-Encoding": 4, "Set-Cookie": 5, "Content-Range": 6}
REPEAT = {1: 0, 2: 4, 64: 5, 4096: 6, 32768: 7}


def text(s):
    s = s.encode() if isinstance(s, str) else s
    assert len(s) < 256
    return bytes([len(s)]) + s


def number(n):
    assert 0 <= n < 65536
    return bytes([n & 255, n >> 8])


def blob(s):
    s = s.encode() if isinstance(s, str) else s
    return number(len(s)) + s


def at(path, ext=".png"):
    return bytes([0]) + text(path) + bytes([EXT[ext]])


def at_host(host, path, ext=".png"):
    return bytes([1, HOST[host]]) + text(path) + bytes([EXT[ext]])


def raw_address(s):
    return bytes([2]) + text(s)


def after_server(s):
    return bytes([3]) + text(s)


def location(kind, s=""):
    return bytes([7, kind]) + (text(s) if kind <= 4 else b"")


def header(name):
    return bytes([HEADER[name]])


def length_header(n):
    return bytes([9]) + number(n)


def raw_header(line):
    return bytes([10]) + text(line)


def reply(status=200, body="", framing=BY_LENGTH, version="HTTP/1.1", reason="OK", lf=False,
          interim=False, end=KEEP, delay=0, pause=0, headers=(), repeat=1, raw_status="",
          other_length=0, chunk_style=0, chunk_sizes=b"", cut=None):
    flags = lf | interim << 1 | (cut is not None) << 2 | end << 3
    b = bytes([STATUS[status], VERSION[version]]) + text(reason)
    b += bytes([flags, MS[delay], MS[pause], framing])
    if status == "raw":
        b += text(raw_status)
    b += bytes([len(headers)]) + b"".join(headers)
    b += blob(body) + bytes([REPEAT[repeat]])
    if framing == BY_OTHER_LENGTH:
        b += number(other_length)
    if framing == BY_CHUNKS:
        b += bytes([chunk_style]) + text(chunk_sizes)
    if cut is not None:
        b += number(cut)
    return b


def seed(addresses, replies, mode=DIRECT, limit="1MiB", call=30):
    assert 1 <= len(addresses) <= 3 and len(replies) <= 4
    b = bytes([mode, LIMIT[limit], CALL[call], len(addresses) - 1]) + b"".join(addresses)
    return b + bytes([len(replies)]) + b"".join(replies)


PNG = bytes.fromhex("89504e470d0a1a0a0000000d49484452")
SEEDS = {
    "length": seed([at("a")], [reply(body=PNG)]),
    "chunked": seed([at("c")], [reply(body="chunked body of a picture", framing=BY_CHUNKS,
                                      chunk_sizes=bytes([2, 0, 9]))]),
    "chunked-styled": seed([at("c", ".jpg")], [reply(body="0123456789" * 5, framing=BY_CHUNKS,
                                                     chunk_style=15, chunk_sizes=bytes([6]))]),
    "chunked-unterminated": seed([at("c")], [reply(body="abc", framing=BY_CHUNKS, chunk_style=16,
                                                   end=CLOSE)]),
    "until-close": seed([at("u")], [reply(body="until the end", framing=BY_CLOSE, end=CLOSE)]),
    "unframed": seed([at("u")], [reply(body="no length", framing=UNFRAMED, end=CLOSE)]),
    "announced-longer": seed([at("l")], [reply(body="short", framing=BY_OTHER_LENGTH,
                                               other_length=100, end=CLOSE)]),
    "announced-shorter-then-again": seed(
        [at("s"), at("t")],
        [reply(body="longer than said", framing=BY_OTHER_LENGTH, other_length=4),
         reply(body="second")]),
    "keep-alive": seed([at("k1"), at("k2", ".jpg"), at("k3")],
                       [reply(body="one"), reply(body="two"), reply(body="three")]),
    "redirect": seed([at("r")], [reply(status=302, headers=[location(0, "moved")]),
                                 reply(body="moved here")]),
    "redirect-absolute": seed([at("r")], [reply(status=301, headers=[location(1, "m")], body="x"),
                                          reply(status=307, headers=[location(3, "n")]),
                                          reply(body="there")]),
    "redirect-away": seed([at("r"), at("r2")], [reply(status=302, headers=[location(5)]),
                                                reply(status=303, headers=[location(6)])]),
    "redirect-to-file": seed([at("r")], [reply(status=308, headers=[location(7)])]),
    "not-found": seed([at("missing")], [reply(status=404, body="<html>not here</html>")]),
    "no-content": seed([at("n")], [reply(status=204, body="stray", end=CLOSE), reply(status=304)]),
    "interim": seed([at("i")], [reply(interim=True, body="after continue")]),
    "informational-only": seed([at("i")], [reply(status=100, end=CLOSE)]),
    "cut-in-head": seed([at("h")], [reply(body="body", end=RESET, cut=20)]),
    "cut-in-body": seed([at("b")], [reply(body="0123456789abcdef" * 8, end=CLOSE, cut=90)]),
    "over-limit": seed([at("big")], [reply(body="0123456789abcdef", repeat=32768)],
                       limit="20480", call=250),
    "large": seed([at("big", ".jpg")], [reply(body="0123456789abcdef", repeat=32768,
                                              framing=BY_CHUNKS, chunk_sizes=bytes([255]))],
                  limit="none", call=250),
    "bare-lf": seed([at("lf")], [reply(body="lines", lf=True, headers=[header("Content-Type")])]),
    "http10": seed([at("old")], [reply(version="HTTP/1.0", body="old server")]),
    "odd-versions": seed([at("v"), at("w")], [reply(version="HTTP/2", body="x", end=CLOSE),
                                              reply(version="HTTP/0.9", end=CLOSE)]),
    "raw-status": seed([at("s")], [reply(status="raw", raw_status="ICY 200 OK", end=CLOSE)]),
    "headers": seed([at("h")], [reply(body="h", headers=[
        header("Content-Encoding"), header("Set-Cookie"), header("Content-Range"),
        length_header(1), raw_header("X-Long: " + "v" * 200)])]),
    "slow": seed([at("slow")], [reply(body="late", delay=50, pause=20)], call=15),
    "hosts": seed([at_host("a@server", "u"), at_host("server:8080", "p"), at_host("localhost", "l")],
                  [reply(body="user"), reply(body="port")]),
    "addresses": seed([raw_address("http://127.0.90.1/raw.jpg"), after_server(":80/x.png"),
                       at("dot", ".jpg/x")], [reply(body="raw"), reply(body="x")]),
    "message": seed([at("m1"), raw_address("a.png"), at("m2", ".jpg")],
                    [reply(body="first"), reply(body="second")], mode=PARSE_HTML),
    "message-rewritten": seed([at("m1"), at("m1"), raw_address(":/Res/x.png")],
                              [reply(body="once")], mode=PARSE_HTML2),
    "message-stalled": seed([at("m")], [reply(body="x", delay=50)], mode=PARSE_HTML, call=5),
}


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "seeds", "download")
    os.makedirs(out, exist_ok=True)
    for name in os.listdir(out):
        os.remove(os.path.join(out, name))
    for name, data in SEEDS.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    print(f"{len(SEEDS)} seeds in {out}", file=sys.stderr)


if __name__ == "__main__":
    main()
