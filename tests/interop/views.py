"""What each independent reader should list for the entries of a playlist
file, and the comparison of that with what it did list.

The tool writes bytes; a reader turns them into locations and titles in its
own way. Every rule below undoes one such reader-specific step and nothing
else, so that any other difference is reported.
"""
import os
import posixpath
import re
from urllib.parse import quote, unquote_to_bytes

SCHEME = re.compile(rb"^[A-Za-z][A-Za-z0-9+.-]*://")
DRIVE_BACKSLASH = re.compile(rb"^[A-Za-z]:\\")


def fields(entry, pls):
    """(path, title, length) as the written file states them: in M3U only an
    "#EXTINF:" line with a comma carries a title; in PLS the title and length
    keys are split from the information line as the writer does."""
    info = entry.extInfo
    if info is None:
        return entry.path, None, None
    if not pls:
        if info.startswith(b"#EXTINF:") and b"," in info:
            length, title = info[8:].split(b",", 1)
            return entry.path, title, length
        return entry.path, None, None
    if info.startswith(b"#EXTINF:"):
        info = info[8:]
    if b"," not in info:
        return entry.path, info, None
    length, title = info.split(b",", 1)
    return entry.path, title, length


def isUtf8(data):
    try:
        data.decode("utf-8")
        return True
    except UnicodeDecodeError:
        return False


def questionMarks(data):
    return "".join(chr(b) if b < 0x80 else "?" for b in data).encode("ascii") \
        if not isUtf8(data) else data


def latin1ToUtf8(data):
    return None if data is None else data.decode("latin-1").encode("utf-8")


def mpvExpected(entries, pls, directory):
    """mpv keeps every byte of a path; it makes a relative one absolute by
    putting the playlist's directory and '/' in front (no ".." resolution, a
    backslash is an ordinary byte), turns file:// URLs into paths, and gives a
    title only for M3U "#EXTINF:" lines with a non-empty title; it reports no
    lengths."""
    listing = []
    for entry in entries:
        path, title, _ = fields(entry, pls)
        listing.append((mpvLocation(path, directory), None if pls else (title or None), None))
    return listing


def mpvLocation(path, directory):
    if path.startswith(b"file://"):
        return unquote_to_bytes(path[7:])
    if SCHEME.match(path) or path.startswith(b"/"):
        return path
    return directory + b"/" + path


def totemExpected(entries, pls, directory, fileBytes):
    """totem-pl-parser gives locations as URIs: a relative path is resolved
    against the playlist's directory with ".." removed and percent-encoded
    (a backslash becomes %5C); an absolute POSIX path comes back as a plain
    path. In M3U it reads a drive path with backslashes ("C:\\x") as nothing
    it can locate (no location; such an entry is listed only when it has a
    title), a UNC path as smb://, an "#EXTINF:" line with an empty title as
    the title of everything after "#EXTINF:", and it decodes a file that is
    not valid UTF-8 as Latin-1 throughout. In PLS a path that is not valid
    UTF-8 loses its entry when absolute, and has each bad byte turned into '?'
    when relative, while a title that is not valid UTF-8 is decoded as
    Latin-1; the length key is reported as the duration. Anything with "://"
    in it is taken for a URI as it stands."""
    recode = not pls and not isUtf8(fileBytes)
    listing = []
    for entry in entries:
        path, title, length = fields(entry, pls)
        if not pls:
            title = totemM3uTitle(entry.extInfo, title)
        if recode:
            path, title = latin1ToUtf8(path), latin1ToUtf8(title)
        if pls and not isUtf8(path):
            if path.startswith(b"/"):
                continue
            path = questionMarks(path)
        if pls and title is not None and not isUtf8(title):
            title = latin1ToUtf8(title)
        location = totemLocation(path, pls, directory)
        if location is None and not title:
            continue
        duration = length if pls and length else None
        listing.append((location, title if title else None, duration))
    return listing


def totemM3uTitle(info, title):
    """totem takes the text after the first comma of "#EXTINF:"; when that is
    empty, or there is no comma and the text is not a number, it takes all
    the text after "#EXTINF:"."""
    if info is None or not info.startswith(b"#EXTINF:"):
        return title
    text = info[8:]
    if title == b"" or (title is None and not re.fullmatch(rb"[-+]?[0-9]+", text)):
        return text
    return title


def totemLocation(path, pls, directory):
    if b"://" in path:
        return path
    if not pls and DRIVE_BACKSLASH.match(path):
        return None
    if not pls and path.startswith(b"\\\\"):
        return b"smb:" + path.replace(b"\\", b"/")
    if path.startswith(b"/"):
        return path
    full = posixpath.normpath(directory + b"/" + path)
    return b"file://" + quote(full, safe="/!$&'()*+,;=:@~").encode("ascii")


def expected(readerName, entries, pls, fileName):
    directory = os.path.dirname(os.path.abspath(fileName)).encode()
    kept = [e for e in entries if not e.deleted]
    if readerName == "mpv":
        return mpvExpected(kept, pls, directory)
    with open(fileName, "rb") as f:
        data = f.read()
    return totemExpected(kept, pls, directory, data)


def describe(listing):
    return "\n".join("    %r" % (tuple(item),) for item in listing) or "    (none)"
