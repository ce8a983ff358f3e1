#!/usr/bin/python3
"""Interoperability tests: the playlists the tool writes, read back by
independent players' readers.

  interop_test.py --tool PATH --suite generated|fixtures|corpus|xml [--reader mpv|totem]

Without --reader the suite checks the tool alone (exact bytes written, exact
output, exit status); with a reader it checks that the reader lists the
entries the tool meant to write. Exit status 0 all passed, 1 a failure,
77 skipped (reader or corpus missing), with the reason printed.
"""
import argparse
import os
import posixpath
import re
import shutil
import subprocess
import sys
import tempfile
from urllib.parse import unquote_to_bytes

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # keep the source folder clean

import model  # noqa: E402
import readers  # noqa: E402
import views  # noqa: E402
from harness import Failure, Run, checkReader, expectEqual, validPaths  # noqa: E402

SKIP = 77


# ---------------------------------------------------------------- generated

def generatedCases():
    """(name, file name, content, [steps]); a step is (options, leaveOut):
    leaveOut names a path the valid list lacks, answered "d" (delete)."""
    convert = lambda first: [(first, None), (["-P"], None), (["-M"], None)]
    return [
        ("plain posix with blanks", b"plain.m3u",
         b"/music/Some Artist/01 First Song.mp3\nrel dir/x y.ogg\n../up/z.flac\n", convert([])),
        ("extended lengths and titles", b"ext.m3u",
         b"#EXTM3U\n#EXTINF:215,Artist - Title\n/music/a.mp3\n#EXTINF:-1,Stream Title\n"
         b"http://radio.example.org/live\n#EXTINF:,No Length\n/music/b.mp3\n#EXTINF:42,\n/music/c.mp3\n"
         b"#EXTINF:7\n/music/d.mp3\n/music/e without info.mp3\n#EXTINF:9,Comma, in title\n/music/f.mp3\n",
         convert([])),
        ("windows paths", b"windows.m3u",
         b"#EXTM3U\n#EXTINF:100,Drive\nC:\\Music\\Some Artist\\Song.mp3\n#EXTINF:101,UNC\n"
         b"\\\\server\\share\\Song Two.mp3\nMusic\\Relative\\Three.wma\n..\\Up\\Four.mp3\nD:/Forward/Five.mp3\n",
         convert([])),
        ("utf-8 names", b"utf8.m3u",
         b"#EXTM3U\n#EXTINF:61,Sigur R\xc3\xb3s - Hopp\xc3\xadpolla\n/music/Sigur R\xc3\xb3s/Hopp\xc3\xadpolla.mp3\n"
         b"#EXTINF:62,\xe6\x9d\xb1\xe4\xba\xac\n\xe9\x9f\xb3\xe6\xa5\xbd/\xe6\x9d\xb1\xe4\xba\xac.ogg\n",
         convert([])),
        ("latin-1 names", b"latin1.m3u",
         b"#EXTM3U\n#EXTINF:61,Sigur R\xf3s\n/music/Sigur R\xf3s/Hopp\xedpolla.mp3\nC:\\M\xfasica\\Caf\xe9.mp3\n",
         convert([])),
        ("written as VLC writes it: '#' lines around #EXTINF, at the top and at the end", b"vlc.m3u",
         b"#EXTM3U\n#PLAYLIST:Road Trip\n#EXTINF:245,Anna Berg - Harbour Lights\n#EXTVLCOPT:start-time=5\n"
         b"#EXTVLCOPT:stop-time=200\n/music/a.mp3\n#EXTVLCOPT:network-caching=1000\n/music/b.mp3\n"
         b"#EXTGRP:Radio\n#EXTINF:-1,C\n#EXTVLCOPT:no-video\nhttp://radio.example.org/c\n# end of the trip\n",
         convert([])),
        ("pls in, m3u and back", b"list.pls",
         b"[playlist]\nnumberofentries=3\nfile1=/music/a b.mp3\ntitle1=A B\nlength1=120\n"
         b"file2=http://radio.example.org:8000/s\ntitle2=Radio\nlength2=-1\nfile3=rel/c.mp3\n",
         [([], None), (["-M"], None), (["-P"], None)]),
        ("duplicates deleted with -d (m3u)", b"dupes.m3u",
         b"#EXTM3U\n/music/a.mp3\n#EXTINF:1,B\n/music/b.mp3\n#EXTINF:2,A\n/music/a.mp3\n/music/b.mp3\n/music/c.mp3\n",
         [(["-d"], None), (["-P"], None), (["-M"], None)]),
        ("duplicates deleted with -d while converting to pls", b"dupes2.m3u",
         b"/music/a.mp3\n/music/b.mp3\n/music/a.mp3\n/music/c.mp3\n/music/a.mp3\n",
         [(["-d", "-P"], None), (["-M"], None)]),
        ("entry deleted with the answer d", b"answer.pls",
         b"[playlist]\nfile1=/music/keep one.mp3\ntitle1=One\nlength1=1\nfile2=/music/gone song.mp3\n"
         b"title2=Gone\nlength2=2\nfile3=/music/keep three.mp3\n",
         [([], b"/music/gone song.mp3"), (["-M"], None)]),
    ]


def runGenerated(tool, readerClass, scratch, case):
    _, fileName, content, steps = case
    with open(os.path.join(scratch, os.fsdecode(fileName)), "wb") as f:
        f.write(content)
    for options, leaveOut in steps:
        with open(os.path.join(scratch, os.fsdecode(fileName)), "rb") as f:
            before = f.read()
        reading = model.read(before, fileName)
        entries = reading.entries
        dupes = 0
        if "-d" in options:
            entries, dupes = model.removeDuplicates(entries)
        deletedEntries = 0
        stdin = b""
        if leaveOut is not None:
            stdin = b"d\n"
            for i, entry in enumerate(entries):
                if entry.path == leaveOut and not entry.deleted:
                    entries[i] = entry._replace(deleted=True)
                    deletedEntries = 1
                    break
        pls = reading.pls
        if not pls and "-P" in options:
            pls = True
        elif pls and "-M" in options:
            pls = False
        saved = model.savedName(fileName, pls)
        run = Run(tool, scratch, fileName, options, validPaths(reading.entries, leaveOut), stdin)
        expectEqual("exit status", run.status, 0)
        if readerClass is None:
            with open(run.path(saved), "rb") as f:
                expectEqual("bytes of %s" % os.fsdecode(saved), f.read(),
                            model.rewrite(reading, pls, entries))
            expectEqual("statistics", run.stdout.split(b"Corrected entries = ")[1].split(b"Saving")[0],
                        b"0 - Corrected infos = 0\nDeleted entries = %d - Deleted dupes = %d\n"
                        % (deletedEntries, dupes))
            if leaveOut is None:
                expectEqual("standard error", run.stderr,
                            b"".join(reading.warnings) + b"Using command line minimum match value (0.1)\n")
        else:
            checkReader(readerClass, run.path(saved), entries, pls)
        fileName = saved


# ---------------------------------------------------------------- fixtures

def runFixture(tool, readerClass, scratch, fixture):
    import fixtures  # noqa: F401  (imported here: it reads the fixture inputs)
    source = os.path.join(HERE, "fixtures", os.fsdecode(fixture.input))
    with open(source, "rb") as f:
        original = f.read()
    shutil.copyfile(source, os.path.join(scratch, os.fsdecode(fixture.input)))
    run = Run(tool, scratch, fixture.input, fixture.options, fixture.valid)
    expectEqual("exit status", run.status, fixture.status)
    wanted = original if fixture.output is None else fixture.output
    with open(run.path(fixture.saved), "rb") as f:
        written = f.read()
    # The entries the tool meant to write: the model's reading of the input,
    # which must produce the hand-made bytes (so it is pinned as well).
    reading = model.read(original, fixture.input)
    entries = reading.entries
    if "-d" in fixture.options:
        entries, _ = model.removeDuplicates(entries)
    pls = fixture.saved.endswith(b".pls")
    if readerClass is None:
        expectEqual("bytes of " + os.fsdecode(fixture.saved), written, wanted)
        expectEqual("standard output", run.stdout, fixture.stdout)
        expectEqual("standard error", run.stderr, fixture.stderr)
        if fixture.saved != fixture.input and os.path.exists(run.path(fixture.input)):
            raise Failure("the old name %s is still there" % os.fsdecode(fixture.input))
        if reading.error is None:
            expectEqual("model's bytes", model.rewrite(reading, pls, entries), wanted)
        return
    if reading.error is not None:
        return  # refused and left alone: nothing written to read back
    checkReader(readerClass, run.path(fixture.saved), entries, pls)


# ---------------------------------------------------------------- xml

def located(location):
    """The file a reader's location names: a file:// URI decoded, anything
    else as the reader gave it."""
    return unquote_to_bytes(location[7:]) if location.startswith(b"file://") else location


def target(folder, path):
    """The file a path written in a playlist in `folder` names."""
    if views.SCHEME.match(path) or re.match(rb"^[A-Za-z]:", path) or path.startswith(b"/"):
        return path
    return posixpath.normpath(folder.encode() + b"/" + path)


def runXmlFixture(tool, readerClass, scratch, fixture):
    """One moved song of an XML playlist, found again with -a: the new
    location is written into the original bytes, and a reader lists the
    tracks it listed for the original, the moved one at its new place."""
    from fixtures import MINIMUM
    name = os.fsdecode(fixture.input)
    source = os.path.join(HERE, "fixtures", name)
    with open(source, "rb") as f:
        original = f.read()
    shutil.copyfile(source, os.path.join(scratch, name))
    valid = [fixture.newPath if k == fixture.moved else path for k, path in enumerate(fixture.paths)]
    run = Run(tool, scratch, fixture.input, ["-a"], valid)
    expectEqual("exit status", run.status, 0)
    with open(run.path(fixture.input), "rb") as f:
        written = f.read()
    if readerClass is None:
        expectEqual("occurrences of the old location", original.count(fixture.oldText), 1)
        expectEqual("bytes of " + name, written, original.replace(fixture.oldText, fixture.newText))
        expectEqual("standard output", run.stdout,
                    b"Reading playlist 'valid.m3u'\nAssuming m3u format.\nReading playlist '" + fixture.input +
                    b"'\nDetected " + fixture.detected + b" format.\nCorrected entries = 1 - Corrected infos = 0\n"
                    b"Deleted entries = 0 - Deleted dupes = 0\nSaving '" + fixture.input + b"'\n\n")
        expectEqual("standard error", run.stderr, MINIMUM + b"Song: '" + fixture.paths[fixture.moved] +
                    b"'\nAuto: '" + fixture.newPath + b"'\n")
        return
    copy = os.path.join(scratch, "original-" + name)  # beside it, so relative paths resolve alike
    shutil.copyfile(source, copy)
    before, after = readerClass.read(copy), readerClass.read(run.path(fixture.input))
    expectEqual("%s's result" % readerClass.name, after.status, before.status)
    expectEqual("%s's track count" % readerClass.name, len(after.entries), len(before.entries))
    for k, (old, new) in enumerate(zip(before.entries, after.entries)):
        if k != fixture.moved:
            expectEqual("%s's track %d" % (readerClass.name, k), tuple(new), tuple(old))
            continue
        expectEqual("%s's title and length of the moved track" % readerClass.name, new[1:], old[1:])
        expectEqual("the file %s finds for the moved track" % readerClass.name, located(new.location),
                    target(scratch, fixture.newPath))


# ---------------------------------------------------------------- main

def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", required=True)
    parser.add_argument("--suite", required=True, choices=["generated", "fixtures", "corpus", "xml"])
    parser.add_argument("--reader", choices=sorted(readers.READERS))
    parser.add_argument("--corpus", default=os.path.join(HERE, "..", "..", "..", "shared", "corpus"))
    args = parser.parse_args()

    readerClass = None
    if args.reader:
        readerClass = readers.READERS[args.reader]
        missing = readerClass.available()
        if missing:
            print("SKIPPED: %s" % missing)
            return SKIP

    if args.suite == "generated":
        cases = [(c[0], lambda s, c=c: runGenerated(args.tool, readerClass, s, c)) for c in generatedCases()]
    elif args.suite == "xml":
        import xml_fixtures
        cases = [(os.fsdecode(f.input), lambda s, f=f: runXmlFixture(args.tool, readerClass, s, f))
                 for f in xml_fixtures.FIXTURES]
    elif args.suite == "fixtures":
        import fixtures
        cases = [(os.fsdecode(f.input), lambda s, f=f: runFixture(args.tool, readerClass, s, f))
                 for f in fixtures.FIXTURES]
    else:
        import corpus_cases
        corpusDir = os.path.normpath(args.corpus)
        if not os.path.isdir(corpusDir):
            print("SKIPPED: no corpus folder at %s" % corpusDir)
            return SKIP
        cases = corpus_cases.cases(args.tool, readerClass, corpusDir)

    passed = failed = 0
    for name, check in cases:
        with tempfile.TemporaryDirectory(prefix="trackmend-interop-") as scratch:
            try:
                check(scratch)
                passed += 1
                print("PASS %s" % name)
            except Failure as failure:
                failed += 1
                print("FAIL %s: %s" % (name, failure))
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
