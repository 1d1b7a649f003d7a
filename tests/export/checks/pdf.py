#!/usr/bin/env python3
"""Checks a conversation PDF with poppler's tools (poppler-utils).

    pdf.py [--pages N] [--min-pages N] PDF TEXT...

Every page must be a sheet of paper a printer takes, A4 or Letter (one of them for all the
pages), and drawn at the size the screen shows a conversation: its text at least 8 points
tall. The text layer, which pdftotext extracts, must hold every TEXT (blanks and line breaks
aside, since a bubble wraps its text) and no ligature glyph (a search for "offert" must find
"offert"). With --pages the PDF has exactly N pages, with --min-pages at least N. Exits 1 with
one line per fault.
"""
import argparse
import re
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

PAPERS = {"A4": (595.28, 841.89), "Letter": (612.0, 792.0)}
LIGATURES = "".join(chr(c) for c in range(0xFB00, 0xFB07))


def squeezed(text):
    return re.sub(r"\s+", "", text)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pages", type=int)
    parser.add_argument("--min-pages", type=int)
    parser.add_argument("pdf")
    parser.add_argument("texts", nargs="*")
    args = parser.parse_args()
    path = args.pdf
    faults = []
    info = subprocess.run(["pdfinfo", "-f", "1", "-l", "100000", path], capture_output=True, text=True)
    pages = 0
    if info.returncode != 0:
        faults.append(f"{path}: pdfinfo fails: {info.stderr.strip()}")
    else:
        found = re.search(r"^Pages:\s+(\d+)", info.stdout, re.MULTILINE)
        pages = int(found.group(1)) if found else 0
        papers = set()
        for number, width, height in re.findall(r"^Page\s+(\d+) size:\s+([\d.]+) x ([\d.]+) pts", info.stdout,
                                                re.MULTILINE):
            paper = [name for name, (w, h) in PAPERS.items()
                     if abs(float(width) - w) < 1 and abs(float(height) - h) < 1]
            if not paper:
                faults.append(f"{path}: page {number} is {width} x {height} points, neither A4 nor Letter")
            papers.update(paper)
        if len(papers) > 1:
            faults.append(f"{path}: pages of both A4 and Letter")
    if args.pages is not None and pages != args.pages:
        faults.append(f"{path}: {pages} pages, not {args.pages}")
    if args.min_pages is not None and pages < args.min_pages:
        faults.append(f"{path}: {pages} pages, fewer than {args.min_pages}")
    text = subprocess.run(["pdftotext", "-enc", "UTF-8", path, "-"], capture_output=True, text=True)
    if text.returncode != 0:
        faults.append(f"{path}: pdftotext fails: {text.stderr.strip()}")
    layer = squeezed(text.stdout)
    for want in args.texts:
        if squeezed(want) not in layer:
            faults.append(f"{path}: the text layer lacks {want!r}")
    if any(c in layer for c in LIGATURES):
        faults.append(f"{path}: the text layer holds ligature glyphs, which a search does not find")
    boxes = subprocess.run(["pdftotext", "-bbox", path, "-"], capture_output=True, text=True)
    heights = []
    if boxes.returncode == 0:
        body = re.sub(r"<!DOCTYPE[^>]*>", "", boxes.stdout)
        body = re.sub(r'xmlns="[^"]*"', "", body)
        for word in ElementTree.fromstring(body).iter("word"):
            heights.append(float(word.get("yMax")) - float(word.get("yMin")))
    if not heights:
        faults.append(f"{path}: no word in the text layer")
    elif min(heights) < 8:
        faults.append(f"{path}: words {min(heights):.1f} points tall, too small to read")
    for line in faults:
        print(line)
    print(f"{pages} pages, {len(args.texts)} texts, {len(faults)} faults; text layer: {text.stdout[:300]!r}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
