#!/usr/bin/env python3
"""Recall and precision of the markup link rules against an independent
reading with Python's html.parser.

    links_recall.py BUILD_DIR [CORPUS_DIR]

Runs BUILD_DIR/bench/tamsenor-markup-bench --print-links over the corpus
(default /tmp/tamsenor-corpus), collects the same links and mailto
addresses with html.parser by the same rules, compares the two per file
after one canonical form on both sides (percent-encoding redone, host in
lower case, default port dropped) and prints the totals and the first
differences of each kind.
"""
import collections
import html.parser
import os
import re
import subprocess
import sys
import urllib.parse

LINK_ATTRIBUTES = {
    "a": ("href",), "area": ("href",), "link": ("href",),
    "img": ("src", "srcset"), "source": ("src", "srcset"),
    "script": ("src",), "iframe": ("src",), "embed": ("src",), "audio": ("src",), "video": ("src",),
    "form": ("action",), "blockquote": ("cite",), "q": ("cite",),
}
SCHEMES = {"http": 80, "https": 443, "ftp": 21, "ftps": 990}
EMAIL = re.compile(r"^[a-zA-Z0-9.!#$%&'*+/=?^_`{|}~-]+@[a-zA-Z0-9](?:[a-zA-Z0-9-]{0,61}[a-zA-Z0-9])?"
                   r"(?:\.[a-zA-Z0-9](?:[a-zA-Z0-9-]{0,61}[a-zA-Z0-9])?)*$")
WHITE = " \t\n\f\r"


def clean(value):
    value = value.strip("".join(chr(c) for c in range(0x21)))
    return re.sub(r"[\t\n\r]", "", value)


def srcset_urls(value):
    """HTML's srcset parsing: URLs of the candidates with valid descriptors."""
    urls, pos, n = [], 0, len(value)
    while True:
        while pos < n and (value[pos] in WHITE or value[pos] == ","):
            pos += 1
        if pos >= n:
            return urls
        start = pos
        while pos < n and value[pos] not in WHITE:
            pos += 1
        url, descriptors = value[start:pos], []
        if url.endswith(","):
            url = url.rstrip(",")
        else:
            while pos < n and value[pos] in WHITE:
                pos += 1
            current, parens = "", False
            while pos < n:
                c = value[pos]
                pos += 1
                if parens:
                    current += c
                    parens = c != ")"
                elif c in WHITE:
                    if current:
                        descriptors.append(current)
                    current = ""
                elif c == ",":
                    break
                else:
                    current += c
                    parens = c == "("
            if current:
                descriptors.append(current)
        if url and valid_descriptors(descriptors):
            urls.append(url)


def valid_descriptors(descriptors):
    seen = set()
    for d in descriptors:
        kind, number = d[-1], d[:-1]
        if kind in "wh" and re.fullmatch(r"[0-9]+", number) and int(number) > 0:
            pass
        elif kind == "x" and re.fullmatch(r"-?(?:[0-9]+(?:\.[0-9]+)?|\.[0-9]+)(?:[eE][-+]?[0-9]+)?", number) \
                and float(number) >= 0:
            pass
        else:
            return False
        if kind in seen or (kind == "x" and seen) or (kind in "wh" and "x" in seen):
            return False
        seen.add(kind)
    return "h" not in seen or "w" in seen


def canonical(url):
    """One form for both sides: scheme and host in lower case, default port
    dropped, every component percent-encoded the same way."""
    try:
        parts = urllib.parse.urlsplit(url)
        scheme = parts.scheme.lower()
        host = parts.hostname
        port = parts.port
    except ValueError:
        return None
    if scheme not in SCHEMES or not host:
        return None
    try:
        host = host.encode("idna").decode("ascii") if not host.isascii() else host
    except UnicodeError:
        return None
    netloc = host
    if port is not None and port != SCHEMES[scheme]:
        netloc += ":%d" % port
    if parts.username is not None:
        netloc = parts.username + ("" if parts.password is None else ":" + parts.password) + "@" + netloc
    keep = "/!$&'()*+,;=:@~-._"

    def redo(text):
        return urllib.parse.quote(urllib.parse.unquote(text), safe=keep)

    out = scheme + "://" + netloc + redo(parts.path or ("/" if parts.query or parts.fragment or True else ""))
    if parts.query or url.split("#")[0].endswith("?"):
        out += "?" + redo(parts.query)
    if parts.fragment or "#" in url:
        out += "#" + redo(parts.fragment)
    return out


class Reader(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.base = None
        self.raw = []
        self.mails = []

    def handle_starttag(self, tag, attrs):
        self.handle(tag, attrs)

    def handle_startendtag(self, tag, attrs):
        self.handle(tag, attrs)

    def handle(self, tag, attrs):
        seen_names = set()
        for name, value in attrs:
            # The first of two equal attributes counts, as in a browser.
            if name in seen_names:
                continue
            seen_names.add(name)
            value = value or ""
            if tag == "base" and name == "href" and self.base is None:
                self.base = clean(value)
            if name not in LINK_ATTRIBUTES.get(tag, ()) or len(value) > 2 * 1024 * 1024:
                continue
            if name == "srcset":
                self.raw.extend(clean(u) for u in srcset_urls(value))
            elif tag in ("a", "area") and clean(value).lower().startswith("mailto:"):
                self.mailto(clean(value)[7:])
            else:
                self.raw.append(clean(value))

    def mailto(self, to):
        to = re.split(r"[?#]", to, maxsplit=1)[0]
        for address in urllib.parse.unquote(to, errors="replace").split(","):
            address = address.strip(WHITE)
            if EMAIL.match(address):
                local, domain = address.split("@", 1)
                self.mails.append(local + "@" + domain.lower())

    def links(self):
        base = self.base if self.base and urllib.parse.urlsplit(self.base).scheme else None
        out = []
        for url in self.raw:
            if not re.match(r"^[A-Za-z][A-Za-z0-9+.-]*:", url):
                if base is None:
                    continue
                url = urllib.parse.urljoin(base, url)
            c = canonical(url)
            if c:
                out.append(c)
        return out


def decode(data):
    match = re.search(rb"<meta[^>]+charset=[\"']?([A-Za-z0-9_:.-]+)", data[:4096], re.I)
    for encoding in ([match.group(1).decode()] if match else []) + ["utf-8"]:
        try:
            return data.decode(encoding)
        except (LookupError, UnicodeDecodeError):
            pass
    return data.decode("latin-1")


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build, corpus = sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else "/tmp/tamsenor-corpus"
    ours = collections.defaultdict(lambda: {"link": set(), "mailto": set()})
    stopped = []
    out = subprocess.run([os.path.join(build, "bench", "tamsenor-markup-bench"), "--print-links", corpus],
                         check=True, capture_output=True).stdout.decode("utf-8", "replace")
    for line in out.splitlines():
        path, kind, value = line.split("\t", 2)
        if kind == "stopped":
            stopped.append(path)
        else:
            ours[path][kind].add(canonical(value) if kind == "link" else value)
    totals = {k: collections.Counter() for k in ("link", "mailto")}
    examples = {k: {"missed": [], "extra": []} for k in ("link", "mailto")}
    files = sorted(os.path.join(corpus, f) for f in os.listdir(corpus))
    for path in files:
        reader = Reader()
        with open(path, "rb") as f:
            reader.feed(decode(f.read()))
        reader.close()
        theirs = {"link": set(reader.links()), "mailto": set(reader.mails)}
        for kind in ("link", "mailto"):
            a, b = ours[path][kind], theirs[kind]
            totals[kind].update(ours=len(a), reference=len(b), both=len(a & b))
            for which, diff in (("missed", b - a), ("extra", a - b)):
                for value in sorted(diff):
                    if len(examples[kind][which]) < 15:
                        examples[kind][which].append((os.path.basename(path), value))
    print("%d files, %d where the parser gave up early" % (len(files), len(stopped)))
    for kind, t in totals.items():
        recall = t["both"] / t["reference"] if t["reference"] else 1.0
        precision = t["both"] / t["ours"] if t["ours"] else 1.0
        print("%-6s ours %6d  html.parser %6d  both %6d  recall %.4f  precision %.4f"
              % (kind, t["ours"], t["reference"], t["both"], recall, precision))
        for which in ("missed", "extra"):
            for name, value in examples[kind][which]:
                print("   %s  %s  %s" % (which, name, value[:160]))


if __name__ == "__main__":
    main()
