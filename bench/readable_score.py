#!/usr/bin/env python3
"""Scores texts of HTML pages against the browser's own text of the same pages.

Usage: readable_score.py BROWSER_DIR OURS_DIR [--worst N] [--by words|punct|lines] [--from-header]

Both folders hold one UTF-8 file per page (the browser folder <page>.txt;
OURS_DIR <page>.txt, <page>, or the strip mode's <page without dots>.txt). For each page three
multiset overlaps are taken between our text and the browser's:
  words  - runs of word characters (letters, digits, underscore; any script),
  punct  - every other character that is not white space,
  lines  - lines with white space runs made one space and the ends trimmed,
           empty lines left out.
F1 = 2PR/(P+R), P = common/ours, R = common/browser, with counts pooled over
all pages for the overall figure (a page both sides leave empty counts as a
match). --from-header drops a first line "From: ..." of our files (the strip
mode's header), so that the strip output can be scored the same way.
"""
import argparse
import collections
import os
import re
import sys

WORD = re.compile(r"\w+")
SPACE = re.compile(r"\s+")


def tokens(text):
    words = collections.Counter(WORD.findall(text))
    punct = collections.Counter(c for c in WORD.sub("", text) if not c.isspace())
    lines = collections.Counter()
    for line in text.split("\n"):
        line = SPACE.sub(" ", line).strip()
        if line:
            lines[line] += 1
    return {"words": words, "punct": punct, "lines": lines}


def overlap(ours, theirs):
    common = sum((ours & theirs).values())
    return common, sum(ours.values()), sum(theirs.values())


def f1(common, ours, theirs):
    if ours == 0 and theirs == 0:
        return 1.0
    if common == 0:
        return 0.0
    p, r = common / ours, common / theirs
    return 2 * p * r / (p + r)


def read(path):
    with open(path, "rb") as f:
        return f.read().decode("utf-8", errors="replace")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("browser")
    parser.add_argument("ours")
    parser.add_argument("--worst", type=int, default=10, help="pages to list with the lowest F1")
    parser.add_argument("--by", choices=("words", "punct", "lines"), default="lines")
    parser.add_argument("--from-header", action="store_true")
    args = parser.parse_args()

    kinds = ("words", "punct", "lines")
    totals = {k: [0, 0, 0] for k in kinds}
    pages = []
    missing = 0
    for name in sorted(os.listdir(args.browser)):
        if not name.endswith(".txt"):
            continue
        page = name[: -len(".txt")]
        # <page>.txt, <page>, or the strip mode's name: the file name without its dots, then .txt.
        candidates = (name, page, page.replace(".", "") + ".txt")
        ours_path = next((p for p in (os.path.join(args.ours, c) for c in candidates) if os.path.exists(p)), None)
        if ours_path is None:
            missing += 1
            continue
        ours_text = read(ours_path)
        if args.from_header and ours_text.startswith("From: "):
            ours_text = ours_text.split("\n", 1)[1] if "\n" in ours_text else ""
        a, b = tokens(ours_text), tokens(read(os.path.join(args.browser, name)))
        scores = {}
        for k in kinds:
            c = overlap(a[k], b[k])
            for i in range(3):
                totals[k][i] += c[i]
            scores[k] = f1(*c)
        pages.append((page, scores))

    if not pages:
        print("no pages to score", file=sys.stderr)
        return 1
    print(f"pages scored: {len(pages)}" + (f", {missing} without our text (not scored)" if missing else ""))
    for k in kinds:
        mean = sum(s[k] for _, s in pages) / len(pages)
        print(f"{k:6} F1 overall {f1(*totals[k]):.5f}   mean per page {mean:.5f}")
    if args.worst:
        print(f"\nlowest {args.by} F1:")
        for page, s in sorted(pages, key=lambda p: p[1][args.by])[: args.worst]:
            print(f"  {s['words']:.3f} {s['punct']:.3f} {s['lines']:.3f}  {page}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
