"""What the checkers know of a backup's own databases, read with Python's sqlite3 and written
here again without the program's code: the contacts of an address book and the rule that says
which of them a number or handle is, and the messages of a messages database with who wrote
each."""
import datetime
import os
import re
import shutil
import sqlite3
import tempfile
import unicodedata

OBJECT_MARK = "\ufffc"


def local_copy(db, into):
    """A copy of the database with its write-ahead log, so that reading it changes nothing."""
    target = os.path.join(into, os.path.basename(db) + ".sqlite")
    shutil.copyfile(db, target)
    if os.path.exists(db + "-wal"):
        shutil.copyfile(db + "-wal", target + "-wal")
    return sqlite3.connect(target)


def opened(db):
    """The database's copy in a folder of its own (removed with the returned folder object)."""
    folder = tempfile.TemporaryDirectory()
    return folder, local_copy(db, folder.name)


def birthday_text(stored):
    """A birthday as the address book stores it (seconds from 2001 to noon of the day) as the
    day it is: "YYYY-MM-DD", or "--MM-DD" for one given without a year (kept in 1604); None for
    a value that is no number."""
    try:
        seconds = float(stored)
    except (TypeError, ValueError):
        return None
    day = (datetime.datetime(2001, 1, 1, tzinfo=datetime.timezone.utc) + datetime.timedelta(seconds=seconds)).date()
    return day.strftime("--%m-%d") if day.year == 1604 else day.isoformat()


def text_of(value):
    if value is None:
        return ""
    return value if isinstance(value, str) else str(value)


def is_separator(ch):
    return ch in " \t\n\v\f\r-./()" or unicodedata.category(ch) in ("Zs", "Zl", "Zp", "Cf", "Pd")


def address_key(address):
    """A number's digits without separators and prefix (a leading "+", "00" or trunk "0" when
    seven digits or more stay), or any other handle in lower case."""
    address = address or ""
    rest = "".join(ch for ch in address if not is_separator(ch))
    match = re.fullmatch(r"(\+?)([0-9]*)", rest)
    if not match:
        return address.strip().lower()
    plus, digits = match.groups()
    if not plus:
        for prefix in ("00", "0"):
            if digits.startswith(prefix) and len(digits) - len(prefix) >= 7:
                digits = digits[len(prefix):]
                break
    return digits


def keys_match(a, b):
    if not a or not b:
        return False
    if a.isdigit() != b.isdigit():
        return False
    if not a.isdigit() or len(a) < 7 or len(b) < 7:
        return a == b
    return a.endswith(b) or b.endswith(a)


def joined(*parts):
    return " ".join(p.strip() for p in parts if p and p.strip())


class Contacts:
    """The people of an address book in table order, each with the name the program shows and
    every number and e-mail address."""

    def __init__(self, book_path):
        folder, book = opened(book_path)
        self.people = []  # (rowid, shown name, [keys])
        values = {}
        for record, value in book.execute(
                "select record_id, value from ABMultiValue where property in (3, 4) order by UID"):
            if value and value.strip():
                values.setdefault(record, []).append(address_key(value))
        for row in book.execute("select ROWID, First, Middle, Last, Organization, Department, JobTitle "
                                "from ABPerson order by ROWID"):
            rowid, first, middle, last, org, dept, title = [row[0]] + [text_of(v) for v in row[1:]]
            name = joined(first, middle, last) or org.strip() or joined(dept, title, org)
            self.people.append((rowid, name, values.get(rowid, [])))
        book.close()
        folder.cleanup()

    def name_of(self, address):
        """The shown name of the contact address is (a named one before a nameless one, then the
        one agreeing in more digits, then the first), or ""."""
        key = address_key(address)
        best = None
        for place, (_, name, keys) in enumerate(self.people):
            for k in keys:
                if keys_match(key, k):
                    rank = (bool(name), min(len(k), len(key)), -place)
                    if best is None or rank > best[0]:
                        best = (rank, name)
        return best[1] if best else ""


def columns(db, table):
    return {row[1] for row in db.execute(f"pragma table_info({table})")}


def flags_direction(flags):
    if flags in (2, 22):
        return "Received"
    if flags in (3, 16387):
        return "Send"
    return "unknown"


def madrid_direction(flags):
    known = flags_direction(flags)
    if known != "unknown" or not flags:
        return known
    return "Send" if flags & 4 else "Received"


class Message:
    def __init__(self, rowid, address, direction, text, attachment, imessage, group=None):
        self.rowid, self.address, self.direction = rowid, address or "", direction
        self.text = (text or "").replace(OBJECT_MARK, "").strip()
        self.attachment, self.imessage = attachment, imessage
        # The keys of every member of the group conversation the message belongs to; None for a
        # conversation with one person.
        self.group = group


def group_keys(addresses):
    """The members' keys of a chat or group, when it is a group conversation (two members or
    more); None otherwise."""
    keys = []
    for address in addresses:
        key = address_key(address)
        if key and not any(keys_match(key, other) for other in keys):
            keys.append(key)
    return frozenset(keys) if len(keys) >= 2 else None


def messages(sms_path):
    """Every message of the database by row id, in each schema a phone wrote, with the group
    conversation it belongs to: its chat on iOS 6 and later, its group_id's members before."""
    folder, db = opened(sms_path)
    found = {}
    message_columns = columns(db, "message")
    if "is_from_me" in message_columns:
        members = {}
        for chat, handle in db.execute("select chat_id, handle.id from chat_handle_join "
                                       "join handle on handle.ROWID = chat_handle_join.handle_id"):
            members.setdefault(chat, []).append(handle)
        groups = {}
        for chat, style in db.execute("select ROWID, style from chat"):
            keys = group_keys(members.get(chat, []))
            if keys is None and style == 43 and members.get(chat):
                keys = frozenset(address_key(a) for a in members[chat])
            if keys is not None:
                groups[chat] = keys
        group_of = {}
        for chat, message in db.execute("select chat_id, message_id from chat_message_join order by chat_id"):
            if chat in groups:
                group_of.setdefault(message, groups[chat])
        for rowid, text, from_me, handle, attach, service in db.execute(
                "select message.ROWID, text, is_from_me, handle.id, cache_has_attachments, message.service "
                "from message left join handle on message.handle_id = handle.ROWID"):
            direction = "Send" if from_me == 1 else "Received" if from_me == 0 else "unknown"
            found[rowid] = Message(rowid, handle, direction, text, bool(attach), service == "iMessage",
                                   group_of.get(rowid))
    else:
        members = {}
        for group_id, address in db.execute("select group_id, address from group_member order by ROWID"):
            if address:
                members.setdefault(group_id, []).append(address)
        # A multimedia message keeps its words in its text/plain parts (in part order) and its
        # pictures and movies in parts of their own, not in its row.
        words, files = {}, set()
        tables = {name for (name,) in db.execute("select name from sqlite_master where type = 'table'")}
        if "msg_pieces" in tables:
            for message_id, content_type, data in db.execute(
                    "select message_id, content_type, data from msg_pieces order by message_id, part_id"):
                kind = (content_type or "").split(";")[0].strip().lower()
                if kind == "text/plain" and data:
                    piece = data.decode("utf-8", "replace") if isinstance(data, bytes) else str(data)
                    words.setdefault(message_id, []).append(piece.strip())
                elif kind.split("/")[0] in ("image", "video", "audio"):
                    files.add(message_id)
        madrid = "is_madrid" in message_columns
        extra = ", is_madrid, madrid_handle, madrid_flags" if madrid else ""
        for row in db.execute("select ROWID, text, flags, address, group_id" + extra + " from message"):
            rowid, text, flags, address, group_id = row[:5]
            if not (text or "").strip():
                text = "\n".join(w for w in words.get(rowid, []) if w)
            group = members.get(group_id, [])
            # A conversation with one person is that member's; a group's message is its sender's.
            if len(group) == 1:
                address = group[0]
            direction = flags_direction(flags)
            imessage = madrid and row[5] == 1
            if imessage:
                address = row[6] or address
                if row[7] is not None:
                    direction = madrid_direction(row[7])
            found[rowid] = Message(rowid, address, direction, text, rowid in files, imessage, group_keys(group))
    db.close()
    folder.cleanup()
    return found


def speaker(message, contacts):
    """Who wrote a message: "Me" when sent, else the contact holding its address, else the
    address."""
    if message.direction == "Send":
        return "Me"
    return contacts.name_of(message.address) or message.address
