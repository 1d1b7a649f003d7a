#!/usr/bin/env python3
"""Checks exported text files against the databases they were made from.

    texts.py --calls CALL_DB --addressbook BOOK_DB "Call History.txt"
    texts.py --notes NOTES_DB Notes.txt
    texts.py --contacts BOOK_DB Contacts.txt

Call History.txt: every call of the database has an entry with its number, and every entry is
named by the contact of the address book holding its number (a named one before a nameless one;
short numbers only whole), or by no one. Notes.txt: every note has an entry with its title and
its text without markup. Contacts.txt: every person has an entry whose numbers are theirs, in
their order, told apart by ", ", and whose birthday is their day (without a year when they gave
none). Entries not in the database (recovered from deleted rows) must follow the same rules.
The file must be UTF-8. Exits 1 with one line per fault.
"""
import argparse
import html
import re
import sys
from collections import Counter

import records

faults = []


def fault(where, what):
    faults.append(f"{where}: {what}")


def entries(path, labels):
    """Each entry of the file as a dict of its labelled parts ("Label:value  " each)."""
    text = open(path, "rb").read().decode("utf-8")
    pattern = "".join(f"{re.escape(label)}:(.*?)  " for label in labels) + r"\n\n"
    found = [dict(zip(labels, m.groups())) for m in re.finditer(pattern, text, re.DOTALL)]
    if sum(len(f"{label}:") for label in labels) and not found and text.strip():
        fault(path, "holds no entry of the expected form")
    return found


def check_calls(path, calls_db, book_db):
    contacts = records.Contacts(book_db)
    folder, db = records.opened(calls_db)
    wanted = Counter(records.text_of(a) for (a,) in db.execute("select address from call"))
    db.close()
    folder.cleanup()
    found = entries(path, ["Name", "Phone", "Date", "Type", "Duration"])
    for entry in found:
        want = contacts.name_of(entry["Phone"])
        if entry["Name"] != want:
            fault(path, f"the call of {entry['Phone']!r} is named {entry['Name']!r}, not {want!r}")
    missing = wanted - Counter(e["Phone"] for e in found)
    if missing:
        fault(path, f"{sum(missing.values())} calls of the database have no entry: {list(missing)[:5]}")


def without_markup(body):
    for piece in ("<div>", "</div>", "&nbsp;", "<br>", "</br>"):
        body = body.replace(piece, " ")
    return html.unescape(body)


def check_notes(path, notes_db):
    folder, db = records.opened(notes_db)
    tables = {name.lower() for (name,) in db.execute("select name from sqlite_master where type='table'")}
    query = ("select ZTITLE, ZCONTENT from ZNOTE left join ZNOTEBODY on ZNOTE.ZBODY = ZNOTEBODY.Z_PK"
             if "znote" in tables else
             "select title, data from note left join note_bodies on note_bodies.note_id = note.ROWID")
    notes = [(records.text_of(t), records.text_of(b)) for t, b in db.execute(query)]
    db.close()
    folder.cleanup()
    found = Counter((e["Title"], re.sub(r"\s+", "", e["Note"])) for e in entries(path, ["Title", "Note", "Date"]))
    for title, body in notes:
        key = (title, re.sub(r"\s+", "", without_markup(body)))
        if found[key] == 0:
            fault(path, f"the note {title!r} has no entry with its text")
        found[key] -= 1


def check_contacts(path, book_db):
    folder, book = records.opened(book_db)
    phones = {}
    for record, value in book.execute("select record_id, value from ABMultiValue where property = 3 order by UID"):
        if value and value.strip():
            phones.setdefault(record, []).append(value.strip())
    people = Counter()
    for rowid, birthday in book.execute("select ROWID, Birthday from ABPerson"):
        people[(", ".join(phones.get(rowid, [])), records.birthday_text(records.text_of(birthday) or None) or "")] += 1
    book.close()
    folder.cleanup()
    found = Counter((e["Phone"], e["Birthday"]) for e in entries(
        path, ["Name", "Phone", "Email", "Company", "JobTitle", "Home Page", "Address", "Birthday", "Note"]))
    missing = people - found
    if missing:
        fault(path, f"{sum(missing.values())} people have no entry with their numbers and birthday: "
                    f"{list(missing)[:3]}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--calls")
    parser.add_argument("--addressbook")
    parser.add_argument("--notes")
    parser.add_argument("--contacts")
    parser.add_argument("file")
    args = parser.parse_args()
    if args.calls:
        check_calls(args.file, args.calls, args.addressbook)
    if args.notes:
        check_notes(args.file, args.notes)
    if args.contacts:
        check_contacts(args.file, args.contacts)
    for line in faults:
        print(line)
    print(f"{args.file}: {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
