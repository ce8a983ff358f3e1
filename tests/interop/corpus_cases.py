"""The tool over the real playlists of the shared corpus (read from there,
copied to a scratch folder only): every file is read without a crash; the
ones it accepts are rewritten and converted to the other format, and the
readers must list for them what they list for the original, except where
DIFFERS explains why not."""
import os
import shutil

import model
import views
from harness import Failure, Run, checkReader, expectEqual, validPaths

EXTENSIONS = (".m3u", ".m3u8", ".pls")

# Files whose rewritten form a reader lists differently from the original,
# and why the rewritten form is the one the tool must write.
HEADERLESS_PLS = ("the first line is not the PLS header, so the file is plain M3U by definition and "
                  "every line is a song path (and the file is renamed to .m3u); neither reader reads the "
                  "original at all")
BOM = ("the reader does not skip the UTF-8 byte-order mark and lists \"\\ufeff#EXTM3U\" (or the first "
       "path with the mark) as a song; the rewritten file has no mark")
TITLE_GAINS_LENGTH = ("a title without a length is read as length 0 (#EXTINF:0,title) and written "
                      "back with length=0")
LENGTH_WITHOUT_TITLE = "a length without a title gives no information line, so the length is not written back"
PLS_FILE_ORDER = ("the reader keeps a PLS file's order of entries, the tool orders them by their numbers "
                  "(so that a PLS whose keys an INI library sorted keeps its order), and renumbers")
HLS = ("an HLS media playlist: the rewritten file keeps its #EXT-X- lines, and the reader takes "
       "it, like the original, for a stream rather than a playlist and lists no entries")

DIFFERS = {
    "mpv": {
        "amarok_test2.pls": HEADERLESS_PLS,
        "playlistsnet_Playlist2.pls": PLS_FILE_ORDER,
        "mopidy_encoding.m3u": ("mpv does not take this 8-byte headerless Latin-1 file for a playlist; "
                                "the rewritten file is byte-identical, its PLS form is read"),
    },
    "totem": {
        "amarok_test2.pls": HEADERLESS_PLS,
        "lizzy_playlist-utf8-bom.m3u": BOM,
        "navidrome_bom-test.m3u": BOM,
        "playlistsnet_PlaylistExt.m3u": BOM,
        "playlistsnet_PlaylistNotExt.m3u": BOM,
        "playlistsnet_PlaylistVLC.m3u": BOM,
        "totem_BassDrive.pls": TITLE_GAINS_LENGTH,
        "totem_missing-items.pls": TITLE_GAINS_LENGTH,
        "lizzy_test04.pls": LENGTH_WITHOUT_TITLE,
        "playlistsnet_Playlist2.pls": TITLE_GAINS_LENGTH,
        "totem_live-streaming.m3u": HLS,
    },
}


def cases(tool, readerClass, corpusDir):
    names = sorted(n for n in os.listdir(corpusDir) if n.endswith(EXTENSIONS))
    if not names:
        raise Failure("no playlists in " + corpusDir)
    return [(name, lambda scratch, name=name: checkFile(tool, readerClass, corpusDir, name, scratch))
            for name in names]


def checkFile(tool, readerClass, corpusDir, name, scratch):
    source = os.path.join(corpusDir, name)
    shutil.copyfile(source, os.path.join(scratch, name))
    with open(source, "rb") as f:
        original = f.read()
    fileName = name.encode()
    reading = model.read(original, fileName)
    valid = validPaths(reading.entries)
    run = Run(tool, scratch, fileName, [], valid)
    expectEqual("exit status", run.status, 0)
    validProgress = b"Reading playlist 'valid.m3u'\n" + (
        b"Assuming m3u format.\n" if valid else b"Assuming input is an empty playlist in m3u format.\n")
    if reading.error is not None:
        with open(run.path(fileName), "rb") as f:
            expectEqual("refused file's bytes", f.read(), original)
        if readerClass is None:
            expectEqual("standard output", run.stdout, validProgress + b"".join(reading.progress))
            expectEqual("standard error", run.stderr,
                        b"\nError in trackmend: " + reading.error + b"\nIgnored. Continuing.\n")
        return
    saved = model.savedName(fileName, reading.pls)
    if readerClass is None:
        with open(run.path(saved), "rb") as f:
            rewritten = f.read()
        expectEqual("rewritten bytes", rewritten, model.rewrite(reading, reading.pls))
        if not reading.pls:
            expectEqual("'#' lines kept", model.keptHashLines(rewritten), model.keptHashLines(original))
        renamed = b""
        if saved != fileName:
            renamed = b"Playlist had wrong extension. Renamed to '" + saved + b"'\n"
        expectEqual("standard output", run.stdout,
                    validProgress + b"".join(reading.progress) +
                    b"Corrected entries = 0 - Corrected infos = 0\nDeleted entries = 0 - Deleted dupes = 0\n"
                    b"Saving '" + fileName + b"'\n" + renamed + b"\n")
        expectEqual("standard error", run.stderr,
                    b"".join(reading.warnings) + b"Using command line minimum match value (0.1)\n")
    if readerClass is not None:
        checkWithReader(readerClass, tool, name, source, scratch, run.path(saved), reading, valid)
        return
    # Read back from its own rewrite, it is written again unchanged.
    run = Run(tool, scratch, saved, [], valid)
    with open(run.path(saved), "rb") as f:
        expectEqual("bytes rewritten once more", f.read(), rewritten)
    # Converted to the other format, from the rewritten file.
    other = not reading.pls
    converted = model.savedName(saved, other)
    run = Run(tool, scratch, saved, ["-P" if other else "-M"], valid)
    expectEqual("exit status of the conversion", run.status, 0)
    with open(run.path(converted), "rb") as f:
        expectEqual("converted bytes", f.read(), model.rewrite(reading, other))


def checkWithReader(readerClass, tool, name, source, scratch, rewritten, reading, valid):
    """The reader lists the rewritten and the converted file as the entries
    the tool meant to write, and the rewritten file as the original; or the
    file has a note in DIFFERS, and then something does differ."""
    mismatches = []
    saved = os.path.basename(rewritten).encode()
    attempt(mismatches, lambda: checkReader(readerClass, rewritten, reading.entries, reading.pls))
    attempt(mismatches, lambda: compareWithOriginal(readerClass, os.path.join(scratch, "original-" + name),
                                                    source, rewritten))
    other = not reading.pls
    run = Run(tool, scratch, saved, ["-P" if other else "-M"], valid)
    expectEqual("exit status of the conversion", run.status, 0)
    converted = run.path(model.savedName(saved, other))
    attempt(mismatches, lambda: checkReader(readerClass, converted, reading.entries, other))
    reason = DIFFERS[readerClass.name].get(name)
    if mismatches and reason is None:
        raise Failure("\n".join(mismatches))
    if reason is not None and not mismatches:
        raise Failure("%s reads it as the tool means now; drop the note: %s" % (readerClass.name, reason))


def attempt(mismatches, check):
    try:
        check()
    except Failure as failure:
        mismatches.append(str(failure))


def compareWithOriginal(readerClass, copyName, source, rewritten):
    # The original is read from a copy beside the rewritten file, so that
    # relative paths resolve against the same folder.
    shutil.copyfile(source, copyName)
    before = readerClass.read(copyName)
    after = readerClass.read(rewritten)
    if [tuple(e) for e in before.entries] != [tuple(e) for e in after.entries]:
        raise Failure("%s lists the original (%s) and the rewritten file (%s) differently:\n%s\n"
                      "  rewritten:\n%s" % (readerClass.name, before.status, after.status,
                                            views.describe(before.entries), views.describe(after.entries)))
