#!/usr/bin/env python3
"""Checks exported vCards with an independent parser (python3-vobject) and against the address
book they were made from.

    vcards.py [--addressbook DB [--images DB]] FOLDER...

Every *.vcf file in each FOLDER must be one vCard 3.0 (RFC 2426) that vobject parses and
validates, in UTF-8 without a byte-order mark, every line ended by CR LF and at most 75 octets
long, with FN and a five-part N, one number per TEL and one address per EMAIL, and no blank at
either end of its name or file name. With --addressbook, every person of that database must have
a card of their own that carries each of their fields: name parts, numbers with their types,
e-mail addresses, postal addresses in their parts, web pages, birthday, note, organisation, job
title, messaging handles and social profiles, and (with --images) the photo. A label the user
typed stands beside its value in the grouped form (item1.TEL with item1.X-ABLabel), a birthday
without a year (kept in the year 1604) is written without one (--MM-DD), and FN is the name the
program shows (the name, else the organisation, else the company). Exits 1 with one line per
fault.
"""
import argparse
import os
import sqlite3
import sys
import tempfile

import vobject

import records

faults = []


def fault(where, what):
    faults.append(f"{where}: {what}")


def params(prop, name="TYPE"):
    """The values of a parameter, upper case, split at commas."""
    out = set()
    for value in prop.params.get(name, []):
        out.update(v.strip().upper() for v in value.split(",") if v.strip())
    return out


def read_card(path):
    name = os.path.basename(path)
    if name != name.strip() or name.startswith(" ") or name[:-4] != name[:-4].strip():
        fault(path, "the file name has a blank at an end")
    data = open(path, "rb").read()
    if data.startswith(b"\xef\xbb\xbf"):
        fault(path, "starts with a byte-order mark")
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as e:
        fault(path, f"not UTF-8: {e}")
        return None
    if not text.endswith("\r\n"):
        fault(path, "the last line has no CR LF")
    for number, line in enumerate(text.split("\r\n")[:-1], 1):
        if "\n" in line or "\r" in line:
            fault(path, f"line {number} is not ended by CR LF")
        if len(line.encode("utf-8")) > 75:
            fault(path, f"line {number} is {len(line.encode('utf-8'))} octets long")
    try:
        cards = list(vobject.readComponents(text, validate=True))
    except Exception as e:  # vobject raises several kinds of parse errors
        fault(path, f"does not parse: {e}")
        return None
    if len(cards) != 1:
        fault(path, f"holds {len(cards)} cards")
        return None
    card = cards[0]
    if card.name != "VCARD" or card.version.value != "3.0":
        fault(path, "not a vCard 3.0")
    try:
        card.validate(raiseException=True)
    except Exception as e:
        fault(path, f"does not validate: {e}")
    fn = getattr(card, "fn", None)
    if fn is None or not fn.value.strip():
        fault(path, "no FN")
    elif fn.value != fn.value.strip():
        fault(path, f"FN {fn.value!r} has a blank at an end")
    if "n" not in card.contents or len(card.contents["n"]) != 1:
        fault(path, "no single N")
    elif card.n.value.family != card.n.value.family.strip() or card.n.value.given != card.n.value.given.strip():
        fault(path, f"N {card.n.value!r} has a blank at an end")
    # Every N component is there: family;given;additional;prefix;suffix.
    raw_n = [line for line in text.split("\r\n") if line.startswith("N:") or line.startswith("N;")]
    if raw_n and raw_n[0].split(":", 1)[1].count(";") - raw_n[0].split(":", 1)[1].count("\\;") != 4:
        fault(path, f"N {raw_n[0]!r} does not have five parts")
    for tel in card.contents.get("tel", []):
        if not tel.value.strip() or tel.value != tel.value.strip():
            fault(path, f"TEL {tel.value!r} is empty or padded")
    for email in card.contents.get("email", []):
        if " " in email.value.strip() or email.value != email.value.strip() or "@" not in email.value:
            fault(path, f"EMAIL {email.value!r} is not one address")
    return card


# The address book's labels as vCard types (TYPE values a card must carry for them).
PHONE_TYPES = {
    "mobile": {"CELL"}, "iphone": {"CELL"}, "home": {"HOME"}, "work": {"WORK"}, "main": {"MAIN"},
    "homefax": {"HOME", "FAX"}, "workfax": {"WORK", "FAX"}, "otherfax": {"FAX"}, "pager": {"PAGER"},
}
HOME_WORK = {"home": {"HOME"}, "work": {"WORK"}}


def label_text(label):
    if label is None:
        return ""
    if label.startswith("_$!<") and label.endswith(">!$_"):
        label = label[4:-4]
    return label


def people(book_path, images_path):
    with tempfile.TemporaryDirectory() as tmp:
        book = records.local_copy(book_path, tmp)
        labels = {row[0]: row[1] for row in book.execute("select ROWID, value from ABMultiValueLabel")}
        keys = {row[0]: row[1].lower() for row in book.execute("select ROWID, value from ABMultiValueEntryKey")}
        persons = {}
        for row in book.execute("select ROWID, First, Middle, Last, Prefix, Suffix, Organization, Department, "
                                "JobTitle, Note, Birthday from ABPerson"):
            rowid, *fields = row
            first, middle, last, prefix, suffix, org, dept, title, note, birthday = [
                (f if isinstance(f, str) else ("" if f is None else str(f))) for f in fields]
            persons[rowid] = dict(first=first.strip(), middle=middle.strip(), last=last.strip(),
                                  prefix=prefix.strip(), suffix=suffix.strip(), org=org.strip(), dept=dept.strip(),
                                  title=title.strip(), note=note, birthday=birthday, phones=[], emails=[], urls=[],
                                  addresses=[], messengers=[], profiles=[], photo=None, rowid=rowid)
        for uid, record, prop, label, value in book.execute(
                "select UID, record_id, property, label, value from ABMultiValue order by UID"):
            person = persons.get(record)
            if person is None:
                continue
            label = label_text(labels.get(label))
            if prop in (5, 13, 46):
                parts = {keys.get(k, ""): (v or "").strip() for k, v in book.execute(
                    "select key, value from ABMultiValueEntry where parent_id = ?", (uid,))}
                if prop == 5:
                    person["addresses"].append((label, parts))
                elif parts.get("username") or parts.get("url"):
                    person["messengers" if prop == 13 else "profiles"].append(parts)
            elif value and value.strip():
                {3: person["phones"], 4: person["emails"], 22: person["urls"]}.get(prop, []).append(
                    (label, value.strip()))
        book.close()
        if images_path and os.path.exists(images_path):
            images = records.local_copy(images_path, tmp)
            for record, data in images.execute("select record_id, data from ABFullSizeImage"):
                if record in persons and data:
                    persons[record]["photo"] = bytes(data)
            images.close()
    return persons


def shown_name(person):
    joined = lambda *parts: " ".join(p for p in parts if p)
    return (joined(person["first"], person["middle"], person["last"]) or person["org"]
            or joined(person["dept"], person["title"], person["org"]) or f"unknown {person['rowid']}")


def own_labels(card):
    """The labels a card keeps beside grouped values, by group."""
    return {line.group.lower(): line.value for line in card.contents.get("x-ablabel", []) if line.group}


def typed_values(card, name, expected, types_of_label):
    """What card lacks of the labelled values expected: each on a line of its own, with the types
    its label stands for, or with the label itself beside it when it stands for no type."""
    missing = []
    labels = own_labels(card)
    lines = [(line.value, params(line), labels.get((line.group or "").lower(), ""))
             for line in card.contents.get(name, [])]
    if sorted(v for v, _, _ in lines) != sorted(v for _, v in expected):
        missing.append(f"{name.upper()} {[v for v, _, _ in lines]} != {[v for _, v in expected]}")
    for label, value in expected:
        want = types_of_label.get(label.lower(), set())
        if want or not label or label.lower() == "homepage":
            if not any(v == value and want <= types for v, types, _ in lines):
                missing.append(f"{name.upper()} {value} of label {label!r} lacks type {sorted(want)}")
        elif not any(v == value and own == label for v, _, own in lines):
            missing.append(f"{name.upper()} {value} lacks its label {label!r}")
    return missing


def carries(card, person):
    """The fields of person that card lacks."""
    missing = []
    n = card.n.value
    for part, want in (("family", person["last"]), ("given", person["first"]), ("additional", person["middle"]),
                       ("prefix", person["prefix"]), ("suffix", person["suffix"])):
        got = getattr(n, part)
        got = " ".join(got) if isinstance(got, list) else got
        if got != want:
            missing.append(f"N {part} {got!r} != {want!r}")
    missing += typed_values(card, "tel", person["phones"], PHONE_TYPES)
    missing += typed_values(card, "email", person["emails"], HOME_WORK)
    missing += typed_values(card, "url", person["urls"], {})
    fn = card.fn.value if "fn" in card.contents else ""
    if fn != shown_name(person):
        missing.append(f"FN {fn!r} != {shown_name(person)!r}")
    impps = [(i.value, {v.lower() for v in i.params.get("X-SERVICE-TYPE", [])}) for i in card.contents.get("impp", [])]
    if len(impps) != len(person["messengers"]):
        missing.append(f"{len(impps)} IMPP for {len(person['messengers'])} messaging handles")
    for handle in person["messengers"]:
        if not any(v.endswith(":" + handle.get("username", "")) and handle.get("service", "").lower() in services
                   for v, services in impps):
            missing.append(f"IMPP of {handle}")
    profiles = [(p.value, {v for v in p.params.get("X-USER", [])}) for p in card.contents.get("x-socialprofile", [])]
    if len(profiles) != len(person["profiles"]):
        missing.append(f"{len(profiles)} X-SOCIALPROFILE for {len(person['profiles'])} social profiles")
    for profile in person["profiles"]:
        if not any(profile.get("username") in users and (not profile.get("url") or v == profile["url"])
                   for v, users in profiles):
            missing.append(f"X-SOCIALPROFILE of {profile}")
    adrs = [(a.value, params(a)) for a in card.contents.get("adr", [])]
    if len(adrs) != len(person["addresses"]):
        missing.append(f"{len(adrs)} ADR for {len(person['addresses'])} addresses")
    for label, parts in person["addresses"]:
        want = (parts.get("street", ""), parts.get("city", ""), parts.get("state", ""), parts.get("zip", ""),
                parts.get("country", ""))
        if not any((a.street, a.city, a.region, a.code, a.country) == want and HOME_WORK.get(label.lower(), set()) <= t
                   for a, t in adrs):
            missing.append(f"ADR {want} of label {label!r}")
    day = records.birthday_text(person["birthday"]) if person["birthday"] else None
    got_day = card.bday.value if "bday" in card.contents else None
    if day != got_day:
        missing.append(f"BDAY {got_day!r} != {day!r}")
    note = card.note.value if "note" in card.contents else ""
    if note != person["note"]:
        missing.append(f"NOTE {note!r} != {person['note']!r}")
    org = card.org.value if "org" in card.contents else []
    want_org = [person["org"], person["dept"]] if person["dept"] else [person["org"]]
    if person["org"] or person["dept"]:
        if list(org) != want_org:
            missing.append(f"ORG {org} != {want_org}")
    title = card.title.value if "title" in card.contents else ""
    if title != person["title"]:
        missing.append(f"TITLE {title!r} != {person['title']!r}")
    if person["photo"] is not None:
        photo = card.photo.value if "photo" in card.contents else None
        if photo != person["photo"]:
            missing.append("PHOTO differs from the address book's picture")
    return missing


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--addressbook")
    parser.add_argument("--images")
    parser.add_argument("folders", nargs="+")
    args = parser.parse_args()

    cards = []
    for folder in args.folders:
        for name in sorted(os.listdir(folder)):
            if name.endswith(".vcf"):
                path = os.path.join(folder, name)
                card = read_card(path)
                if card is not None:
                    cards.append((path, card))
    if not cards:
        fault(" ".join(args.folders), "no card")

    if args.addressbook:
        persons = people(args.addressbook, args.images)
        # Each person takes a card of their own: the first one with their name and numbers.
        by_key = {}
        for path, card in cards:
            if "n" not in card.contents:
                continue
            n = card.n.value
            key = (n.family, n.given, tuple(sorted(t.value for t in card.contents.get("tel", []))))
            by_key.setdefault(key, []).append((path, card))
        for rowid, person in sorted(persons.items()):
            key = (person["last"], person["first"], tuple(sorted(v for _, v in person["phones"])))
            found = by_key.get(key)
            if not found:
                fault(args.addressbook, f"person {rowid} ({person['first']} {person['last']}, "
                                        f"{[v for _, v in person['phones']]}) has no card")
                continue
            path, card = found.pop(0)
            for what in carries(card, person):
                fault(path, f"person {rowid}: {what}")

    for line in faults:
        print(line)
    print(f"{len(cards)} cards, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
