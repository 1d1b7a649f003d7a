#!/usr/bin/env python3
"""Checks a conversation PDF with poppler's tools (poppler-utils).

    pdf.py PDF TEXT...

The PDF must have exactly one page and a text layer that holds every TEXT (blanks and line breaks
aside, since a bubble wraps its text), which pdftotext extracts. Exits 1 with one line per fault.
"""
import re
import subprocess
import sys


def squeezed(text):
    return re.sub(r"\s+", "", text)


def main():
    path, expected = sys.argv[1], sys.argv[2:]
    faults = []
    info = subprocess.run(["pdfinfo", path], capture_output=True, text=True)
    if info.returncode != 0:
        faults.append(f"{path}: pdfinfo fails: {info.stderr.strip()}")
    else:
        pages = re.search(r"^Pages:\s+(\d+)", info.stdout, re.MULTILINE)
        if not pages or pages.group(1) != "1":
            faults.append(f"{path}: {pages.group(1) if pages else 'no'} pages, not one")
    text = subprocess.run(["pdftotext", "-enc", "UTF-8", path, "-"], capture_output=True, text=True)
    if text.returncode != 0:
        faults.append(f"{path}: pdftotext fails: {text.stderr.strip()}")
    layer = squeezed(text.stdout)
    for want in expected:
        if squeezed(want) not in layer:
            faults.append(f"{path}: the text layer lacks {want!r}")
    for line in faults:
        print(line)
    print(f"{len(expected)} texts, {len(faults)} faults; text layer: {text.stdout[:300]!r}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
