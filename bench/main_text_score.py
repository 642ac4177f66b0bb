#!/usr/bin/env python3
"""Scores the main text against a set of pages with snippets.

Usage: main_text_score.py SNIPPETS_JSON OUTPUT_DIR [--half even|odd|all] [--list]

SNIPPETS_JSON maps page addresses to {"file": NAME.html, "with": [...],
"without": [...]}; OUTPUT_DIR holds the companion's outputs (NAMEhtml.txt for
NAME.html, named as strip names them: the dots of the name dropped). A "with"
snippet found in a page's output is a true positive, one missing a false
negative; a "without" snippet found is a false positive, one left out a true
negative. White space runs count as one space on both sides. Entries whose
page has no output are left out. --half scores the pages at even or odd
positions of the sorted file names only (tune on one, report the other).
"""
import json
import os
import re
import sys


def normal(text):
    return re.sub(r"\s+", " ", text).strip()


def main():
    args = sys.argv[1:]
    half, listing = "all", False
    if "--half" in args:
        at = args.index("--half")
        half = args[at + 1]
        del args[at:at + 2]
    if "--list" in args:
        args.remove("--list")
        listing = True
    if len(args) != 2:
        sys.exit(__doc__)
    snippets, outputs = args
    with open(snippets, encoding="utf-8") as f:
        entries = json.load(f)
    files = sorted({e["file"] for e in entries.values()})
    position = {name: i for i, name in enumerate(files)}
    tp = fn = fp = tn = pages = 0
    for entry in entries.values():
        name = entry["file"]
        if half != "all" and position[name] % 2 != (0 if half == "even" else 1):
            continue
        path = os.path.join(outputs, name.replace(".", "") + ".txt")
        if not os.path.exists(path):
            continue
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        text = normal(text.split("\n", 1)[1] if "\n" in text else "")
        pages += 1
        found_with = [normal(s) in text for s in entry.get("with", [])]
        found_without = [normal(s) in text for s in entry.get("without", [])]
        tp += sum(found_with)
        fn += len(found_with) - sum(found_with)
        fp += sum(found_without)
        tn += len(found_without) - sum(found_without)
        if listing:
            print(f"{name}\tFN={len(found_with) - sum(found_with)}\tFP={sum(found_without)}")
    precision = tp / (tp + fp) if tp + fp else 0.0
    recall = tp / (tp + fn) if tp + fn else 0.0
    f = 2 * precision * recall / (precision + recall) if precision + recall else 0.0
    print(f"pages {pages} ({half})  TP {tp} FN {fn} FP {fp} TN {tn}  "
          f"precision {precision:.3f}  recall {recall:.3f}  F {f:.3f}")


if __name__ == "__main__":
    main()
