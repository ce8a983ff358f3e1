"""A plain model of how trackmend reads and writes playlists, used to derive
the entries the tool must write for generated and real-world playlists.

Kept deliberately simple (whole files, lists of lines) so that it can serve as
an independent reference: the hand-written fixtures pin its results too.
"""
from collections import namedtuple

# before/after: the entry's other '#' lines around its information line.
Entry = namedtuple("Entry", "path extInfo deleted before after", defaults=((), ()))
# fileLines: the '#' lines of the file itself; trailingLines: those after the last path.
Reading = namedtuple("Reading", "pls entries progress warnings error fileLines trailingLines",
                     defaults=((), ()))
DUPLICATED = b"Duplicated extended playlist info skipped\n"

INT_MIN, INT_MAX = -2**31, 2**31 - 1


def splitLines(data):
    """Lines ended by LF, CR LF or a lone CR; a last line without an end is
    kept when not empty. Returns (lines, ended) where ended[i] tells whether
    line i had a line end (the reader counts only those)."""
    lines, ended = [], []
    start = i = 0
    while i < len(data):
        byte = data[i]
        if byte in (0x0A, 0x0D):
            lines.append(data[start:i])
            ended.append(True)
            if byte == 0x0D and i + 1 < len(data) and data[i + 1] == 0x0A:
                i += 1
            start = i + 1
        i += 1
    if start < len(data):
        lines.append(data[start:])
        ended.append(False)
    return lines, ended


def atoi(text):
    """The C library's atoi, clamped to the int range."""
    i = 0
    while i < len(text) and text[i] in b" \t\n\v\f\r":
        i += 1
    sign = 1
    if i < len(text) and text[i] in b"+-":
        sign = -1 if text[i] == ord("-") else 1
        i += 1
    value = 0
    while i < len(text) and 0x30 <= text[i] <= 0x39:
        value = value * 10 + text[i] - 0x30
        i += 1
    return max(INT_MIN, min(INT_MAX, sign * value))


def read(data, fileName):
    """What readPlaylist makes of `data` read from `fileName`."""
    progress = [b"Reading playlist '" + fileName + b"'\n"]
    warnings = []
    if data.startswith(b"\xff\xfe") or data.startswith(b"\xfe\xff"):
        return Reading(False, [], progress, warnings,
                       b"Error in " + fileName + b" (#0): UTF-16 text is not supported.")
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    lines, ended = splitLines(data)

    def headerError(lineIndex, message):
        number = sum(1 for e in ended[:lineIndex + 1] if e)
        return b"Error in " + fileName + b" (#%d): " % number + message

    if not lines:
        progress.append(b"Assuming input is an empty playlist in m3u format.\n")
        return Reading(False, [], progress, warnings, None)
    # Blank lines before the first content do not tell the format.
    start = next((n for n, line in enumerate(lines) if line.strip(b" ")), 0)
    first = lines[start]
    if first.startswith(b"#"):
        if first != b"#EXTM3U":
            return Reading(False, [], progress, warnings, headerError(start, b"#EXTM3U awaited."))
        progress.append(b"Detected extended m3u format.\n")
        return _readM3u(lines[start + 1:], progress)
    if first[:10].lower() == b"[playlist]" and not first[10:].strip(b" \t"):
        progress.append(b"Detected pls format.\n")
        if len(lines) < start + 2:
            return Reading(True, [], progress, warnings,
                           headerError(start, b"Unexpected end of file behind header"))
        body = lines[start + 1:]
        if body[0][:16].lower() == b"numberofentries=":
            body = body[1:]
        entries, warnings = _readPls(body)
        return Reading(True, entries, progress, warnings, None)
    progress.append(b"Assuming m3u format.\n")
    return _readM3u(lines, progress)


def isInfo(line):
    return line[:7].upper() == b"#EXTINF"


def hashLine(line):
    """The '#' line an M3U line is (blanks and tabs before it dropped), or None."""
    line = line.strip(b" ").lstrip(b" \t")
    return line if line.startswith(b"#") else None


def _readM3u(lines, progress):
    """Each path takes the '#' lines written since the path before it; the
    first path's lines before its #EXTINF line, and the lines after the last
    path, belong to the file."""
    paths, groups = [], [[]]
    for line in lines:
        if hashLine(line) is not None:
            groups[-1].append(hashLine(line))
        elif line.strip(b" "):
            paths.append(line.strip(b" "))
            groups.append([])
    if not paths:
        return Reading(False, [], progress, [], None, tuple(groups[0]), ())
    entries, fileLines = [], ()
    for n, (path, group) in enumerate(zip(paths, groups)):
        infos = [i for i, line in enumerate(group) if isInfo(line)]
        progress = progress + [DUPLICATED] * max(0, len(infos) - 1)
        if infos:
            before = [line for line in group[:infos[-1]] if not isInfo(line)]
            info, after = group[infos[-1]], group[infos[-1] + 1:]
        else:
            before, info, after = group, None, []
        if n == 0:
            fileLines, before = tuple(before), []
        entries.append(Entry(path, info, False, tuple(before), tuple(after)))
    return Reading(False, entries, progress, [], None, fileLines, tuple(groups[-1]))


def _readPls(lines):
    """Titles and lengths belong to the latest entry of their number, a second
    file of a number starts an entry, entries come by number (file order
    within one)."""
    warnings = []
    songs = []  # (number, {key: value}) in the order the entries start
    latest = {}

    def entry(song):
        title = song.get("title", b"")
        info = b"#EXTINF:%d," % atoi(song.get("length", b"")) + title if title else None
        return Entry(song["file"], info, False)

    for line in lines:
        line = line.strip(b" ")
        if not line:
            continue
        key = None
        for name in ("file", "title", "length"):
            if line[:len(name)].lower() == name.encode():
                key = name
                break
        equals = line.find(b"=", len(key)) if key else -1
        index = atoi(line[len(key):]) if key else 0
        if key is None or equals < 0 or index <= 0:
            if line[:1] != b"\0":
                warnings.append(b"Unexpected content ignored: '" + line + b"'\n")
            continue
        if index not in latest or (key == "file" and latest[index].get("file")):
            latest[index] = {}
            songs.append((index, latest[index]))
        latest[index][key] = line[equals + 1:]
    songs.sort(key=lambda song: song[0])
    return [entry(song) for _, song in songs if song.get("file")], warnings


def removeDuplicates(entries):
    """Marks duplicates deleted as the -d option does; returns (entries, count)."""
    entries = list(entries)
    count = 0
    for i in range(len(entries)):
        for j in range(i + 1, len(entries)):
            a, b = entries[i], entries[j]
            if a.path == b.path and not a.deleted and not b.deleted:
                if a.extInfo is not None:
                    entries[j] = b._replace(deleted=True)
                else:
                    entries[i] = a._replace(deleted=True)
                count += 1
    return entries, count


def write(entries, pls, fileLines=(), trailingLines=()):
    """The bytes savePlaylist writes for `entries` (and the file's own lines
    in M3U; PLS has no place for them)."""
    kept = [e for e in entries if not e.deleted]
    if not pls:
        hashLines = list(fileLines) + list(trailingLines)
        hashLines += [line for e in kept for line in e.before + e.after]
        extended = hashLines or any(e.extInfo is not None for e in entries)
        out = b"#EXTM3U\n" if extended else b""
        for line in fileLines:
            out += line + b"\n"
        for e in kept:
            for line in e.before + ((e.extInfo,) if e.extInfo is not None else ()) + e.after:
                out += line + b"\n"
            # A path read as a comment or stripped of blanks names the same file after "./".
            comment = e.path.startswith(b" ") or e.path.lstrip(b" \t").startswith(b"#")
            out += ((b".\\" if b"\\" in e.path else b"./") if comment else b"") + e.path + b"\n"
        for line in trailingLines:
            out += line + b"\n"
        return out
    out = b"[playlist]\nnumberofentries=%d\n" % len(kept)
    for index, e in enumerate(kept, 1):
        out += b"file%d=" % index + e.path + b"\n"
        if e.extInfo is None:
            continue
        info = e.extInfo[8:] if e.extInfo[:8].upper() == b"#EXTINF:" else e.extInfo
        if b"," not in info:
            out += b"title%d=" % index + info + b"\n"
        else:
            length, title = info.split(b",", 1)
            out += b"title%d=" % index + title + b"\n" + b"length%d=" % index + length + b"\n"
    return out


def rewrite(reading, pls, entries=None):
    """write() for what `reading` read, with `entries` in place of its own."""
    return write(reading.entries if entries is None else entries, pls, reading.fileLines,
                 reading.trailingLines)


def keptHashLines(data):
    """The '#' lines an M3U rewrite of `data` must hold, in order: all of them
    (blanks and tabs before them dropped), less the header and the #EXTINF
    lines that another one follows before the same path."""
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    lines, _ = splitLines(data)
    if lines[:1] == [b"#EXTM3U"]:
        lines = lines[1:]
    kept, dropped, infos = [], set(), []
    for line in lines:
        hashed = hashLine(line)
        if hashed is None:
            if line.strip(b" "):
                dropped.update(infos[:-1])
                infos = []
            continue
        if isInfo(hashed):
            infos.append(len(kept))
        kept.append(hashed)
    return [line for n, line in enumerate(kept) if n not in dropped]


def savedName(fileName, pls):
    """The name the saved playlist ends up with after the extension fix."""
    slash = fileName.rfind(b"/")
    dot = fileName.rfind(b".")
    stem = fileName[:dot] if dot > slash else fileName
    extension = fileName[len(stem):]
    if not pls and extension.lower() == b".m3u8":
        return stem + b".m3u8"
    return stem + (b".pls" if pls else b".m3u")
