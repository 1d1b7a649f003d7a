#!/usr/bin/env python3
"""Checks exported conversation pages with an independent HTML5 parser (python3-html5lib).

    pages.py [--min-links N] [--messages SMS_DB --addressbook BOOK_DB] ROOT PAGE...

Every PAGE must be UTF-8 without a byte-order mark and declare that encoding, and parse as HTML5
without a single parse error (an element left open, a stray end tag). Every address it links
(src, href) must be relative, percent-encoded and resolve to a file inside ROOT, the export
folder: pictures shown by <img> with an alt text, movies by <video controls> or a link, other
files linked; every file in a page's attachment folder is linked from the page. At least N
addresses must be linked over all pages.

With --messages, every message of that database must stand on the pages exactly once (a
message is an element of class "message" with the id "message-<row id>"), on its side (sent
ones on the right), under the name of who wrote it ("Me" for a sent one, else the contact of
the address book holding its address, else the address), with its text (beside its
attachment, when it has one), and in its conversation: under the header of its group (whose
"Phone:" lists every member) when the database files it in a group chat or group, else under a
header of its own address. Exits 1 with one line per fault.
"""
import argparse
import os
import re
import sys
import urllib.parse

import html5lib

import records

faults = []
PICTURES = {".jpg", ".jpeg", ".png", ".gif", ".heic", ".tif", ".tiff", ".bmp"}
MOVIES = {".mov", ".mp4", ".m4v", ".3gp", ".avi", ".mpg", ".mpeg"}


def fault(where, what):
    faults.append(f"{where}: {what}")


def inner_text(element):
    """The text of element with a line break for each <br>."""
    parts = [element.text or ""]
    for child in element:
        parts.append("\n" if child.tag == "br" else inner_text(child))
        parts.append(child.tail or "")
    return "".join(parts)


def squeezed(text):
    return re.sub(r"\s+", " ", text).strip()


def header_addresses(header):
    """The addresses a conversation header's "Phone:" names, as keys."""
    text = squeezed(inner_text(header).replace("\xa0", " "))
    if "Phone:" not in text:
        return []
    return [records.address_key(a) for a in text.rsplit("Phone:", 1)[1].split(", ") if a.strip()]


def check_conversation(path, message, header):
    """Whether the message stands under the header of its conversation."""
    if header is None:
        fault(path, f"message {message.rowid} stands under no conversation header")
        return
    keys = header_addresses(header)
    if message.group is not None:
        if frozenset(keys) != message.group:
            fault(path, f"message {message.rowid} of the group {sorted(message.group)} stands under {keys}")
    elif message.address and (len(keys) != 1 or
                              not records.keys_match(keys[0], records.address_key(message.address))):
        fault(path, f"message {message.rowid} of {message.address!r} stands under {keys}")


def check_messages(path, document, database, contacts, seen):
    """Each message element of the page against the database's row it names."""
    header = None
    for element in document.iter():
        if element.tag == "h3":
            header = element
            continue
        if "message" not in (element.get("class") or "").split() or not element.get("id"):
            continue
        rowid = int(element.get("id").removeprefix("message-"))
        if rowid in seen:
            fault(path, f"message {rowid} stands on the pages twice")
        seen.add(rowid)
        message = database.get(rowid)
        if message is None:
            fault(path, f"message {rowid} is in no row of the database")
            continue
        check_conversation(path, message, header)
        speakers = [inner_text(e).strip() for e in element.iter() if e.get("class") == "speaker"]
        want = records.speaker(message, contacts)
        if speakers != [want]:
            fault(path, f"message {rowid} is labelled {speakers}, not {want!r}")
        bubbles = [e for e in element.iter() if e.tag == "p" and e.get("class") != "name"]
        texts = [squeezed(inner_text(e)) for e in bubbles if (e.get("class") or "").startswith("triangle-isosceles")]
        sent = message.direction == "Send"
        for bubble in bubbles:
            on_right = bubble.get("class") in ("triangle-isosceles2", "imgdic")
            if on_right != sent:
                fault(path, f"message {rowid} ({message.direction}) stands on the {'right' if on_right else 'left'}")
        if message.text or not message.attachment:
            if texts != [squeezed(message.text)]:
                fault(path, f"message {rowid} shows {texts}, not {message.text!r}")
        if message.attachment and len(bubbles) == len(texts):
            fault(path, f"message {rowid} does not show its attachment")


def check_page(root, path, database=None, contacts=None, seen=None):
    links = 0
    data = open(path, "rb").read()
    if data.startswith(b"\xef\xbb\xbf") or data.startswith(b"\xff\xfe") or data.startswith(b"\xfe\xff"):
        fault(path, "starts with a byte-order mark")
    try:
        data.decode("utf-8")
    except UnicodeDecodeError as e:
        fault(path, f"not UTF-8: {e}")
        return 0
    if not re.search(rb"<meta charset=['\"]?utf-8['\"]?\s*/?>", data[:2048], re.IGNORECASE):
        fault(path, "does not declare utf-8")
    parser = html5lib.HTMLParser(strict=False, namespaceHTMLElements=False)
    document = parser.parse(data, transport_encoding="utf-8")
    for position, code, details in parser.errors:
        fault(path, f"parse error {code} at {position} {details}")
    if database is not None:
        check_messages(path, document, database, contacts, seen)
    folder = os.path.dirname(os.path.abspath(path))
    real_root = os.path.realpath(root)
    linked = set()
    for element in document.iter():
        for attribute in ("src", "href"):
            address = element.get(attribute)
            if address is None:
                continue
            links += 1
            parsed = urllib.parse.urlsplit(address)
            if parsed.scheme or parsed.netloc or address.startswith("/"):
                fault(path, f"{element.tag} {attribute}={address!r} is not relative")
                continue
            if any(c in address for c in " \"'<>\\") or any(ord(c) > 126 for c in address):
                fault(path, f"{attribute}={address!r} is not percent-encoded")
            target = os.path.realpath(os.path.join(folder, urllib.parse.unquote(parsed.path)))
            if os.path.commonpath([target, real_root]) != real_root:
                fault(path, f"{attribute}={address!r} points outside the export folder")
            elif not os.path.isfile(target):
                fault(path, f"{attribute}={address!r} names no file")
            linked.add(target)
            extension = os.path.splitext(target)[1].lower()
            if element.tag == "img":
                if extension not in PICTURES:
                    fault(path, f"<img> shows {address!r}, which is no picture")
                if not (element.get("alt") or "").strip():
                    fault(path, f"<img src={address!r}> has no alt text")
            elif element.tag == "video":
                if extension not in MOVIES:
                    fault(path, f"<video> plays {address!r}, which is no movie")
                if element.get("controls") is None:
                    fault(path, "<video> without controls")
            elif element.tag != "a":
                fault(path, f"<{element.tag}> links {address!r}")
    attachments = os.path.splitext(path)[0] + "_files"
    if os.path.isdir(attachments):
        for name in os.listdir(attachments):
            if os.path.realpath(os.path.join(attachments, name)) not in linked:
                fault(path, f"the attachment {name!r} beside the page is not linked")
    return links


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--min-links", type=int, default=0)
    parser.add_argument("--messages")
    parser.add_argument("--addressbook")
    parser.add_argument("root")
    parser.add_argument("pages", nargs="*")
    args = parser.parse_args()
    database = records.messages(args.messages) if args.messages else None
    contacts = records.Contacts(args.addressbook) if args.addressbook else None
    seen = set()
    links = sum(check_page(args.root, page, database, contacts, seen) for page in args.pages)
    if database is not None:
        missing = sorted(set(database) - seen)
        if missing:
            fault(args.root, f"{len(missing)} messages of the database are on no page: {missing[:10]}")
    if not args.pages:
        fault(args.root, "no page")
    if links < args.min_links:
        fault(args.root, f"{links} addresses linked, fewer than {args.min_links}")
    for line in faults:
        print(line)
    print(f"{len(args.pages)} pages, {links} links, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
