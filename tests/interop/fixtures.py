"""What the tool must make of each playlist in fixtures/: the command, the
valid list that makes every entry valid (so the playlist is only read and
written back), the exact bytes written, the name they end up under, and the
tool's standard output and standard error."""
from collections import namedtuple

Fixture = namedtuple("Fixture", "input options valid saved output stdout stderr status")

MINIMUM = b"Using command line minimum match value (0.1)\n"


def stdoutOf(name, detected, saved=None, dupes=0, progress=b""):
    """The main flow's progress for one valid list and one playlist that is
    read, left unchanged and saved."""
    text = (b"Reading playlist 'valid.m3u'\nAssuming m3u format.\n"
            b"Reading playlist '" + name + b"'\n" + detected + progress +
            b"Corrected entries = 0 - Corrected infos = 0\n"
            b"Deleted entries = 0 - Deleted dupes = %d\n" % dupes +
            b"Saving '" + name + b"'\n")
    if saved is not None:
        text += b"Playlist had wrong extension. Renamed to '" + saved + b"'\n"
    return text + b"\n"


EXTENDED = b"Detected extended m3u format.\n"
PLAIN = b"Assuming m3u format.\n"
PLS = b"Detected pls format.\n"


def _blockBoundaryPaths():
    from make_fixture_inputs import blockBoundary
    return blockBoundary().splitlines()


FIXTURES = [
    # The byte-order mark is not content: the header is recognised and the
    # mark is not written back.
    Fixture(b"utf8_bom.m3u", [],
            [b"Music/Mot\xc3\xb6rhead/Ace of Spades.mp3", b"Music/Bj\xc3\xb6rk/J\xc3\xb3ga.flac"],
            b"utf8_bom.m3u",
            b"#EXTM3U\n#EXTINF:201,Mot\xc3\xb6rhead - Ace of Spades\nMusic/Mot\xc3\xb6rhead/Ace of Spades.mp3\n"
            b"#EXTINF:185,Bj\xc3\xb6rk - J\xc3\xb3ga\nMusic/Bj\xc3\xb6rk/J\xc3\xb3ga.flac\n",
            stdoutOf(b"utf8_bom.m3u", EXTENDED), MINIMUM, 0),
    # .m3u8 converted to PLS: UTF-8 passes as bytes, the name becomes .pls.
    Fixture(b"utf8_nobom.m3u8", ["-P"],
            [b"Music/Mot\xc3\xb6rhead/Ace of Spades.mp3", b"/home/user/\xe9\x9f\xb3\xe6\xa5\xbd/\xe6\x9d\xb1\xe4\xba\xac.ogg"],
            b"utf8_nobom.pls",
            b"[playlist]\nnumberofentries=2\nfile1=Music/Mot\xc3\xb6rhead/Ace of Spades.mp3\n"
            b"title1=Mot\xc3\xb6rhead - Ace of Spades\nlength1=201\n"
            b"file2=/home/user/\xe9\x9f\xb3\xe6\xa5\xbd/\xe6\x9d\xb1\xe4\xba\xac.ogg\n"
            b"title2=\xe6\x9d\xb1\xe4\xba\xac\nlength2=96\n",
            stdoutOf(b"utf8_nobom.m3u8", EXTENDED, saved=b"utf8_nobom.pls"), MINIMUM, 0),
    # CR LF line ends and a blank line: written back with line feeds only.
    Fixture(b"crlf.m3u", [],
            [b"C:\\Music\\Artist\\Song.mp3", b"http://radio.example.org:8000/stream"],
            b"crlf.m3u",
            b"#EXTM3U\n#EXTINF:123,Artist - Song\nC:\\Music\\Artist\\Song.mp3\n"
            b"#EXTINF:-1,Radio\nhttp://radio.example.org:8000/stream\n",
            stdoutOf(b"crlf.m3u", EXTENDED), MINIMUM, 0),
    # Classic Mac line ends (lone CR, also at the very end), converted to PLS.
    Fixture(b"lone_cr.m3u", ["-P"],
            [b"Music/old.mp3", b"Macintosh HD/Music/new song.mp3"],
            b"lone_cr.pls",
            b"[playlist]\nnumberofentries=2\nfile1=Music/old.mp3\ntitle1=Mac\nlength1=30\n"
            b"file2=Macintosh HD/Music/new song.mp3\n",
            stdoutOf(b"lone_cr.m3u", EXTENDED, saved=b"lone_cr.pls"), MINIMUM, 0),
    # Latin-1 names are opaque bytes: written back unchanged.
    Fixture(b"latin1.m3u", [],
            [b"M:\\M\xfasica\\Caf\xe9.mp3", b"/home/j\xfcrgen/Lieder/\xdcber.ogg"],
            b"latin1.m3u",
            b"#EXTM3U\n#EXTINF:240,Caf\xe9 del Mar\nM:\\M\xfasica\\Caf\xe9.mp3\n"
            b"/home/j\xfcrgen/Lieder/\xdcber.ogg\n",
            stdoutOf(b"latin1.m3u", EXTENDED), MINIMUM, 0),
    # A two-byte character split by the end of the reader's first block.
    Fixture(b"block_boundary.m3u", [], _blockBoundaryPaths(), b"block_boundary.m3u",
            None,  # the input itself, byte for byte
            stdoutOf(b"block_boundary.m3u", PLAIN), MINIMUM, 0),
    # "[Playlist]" header; NumberOfEntries and Version after the entries are
    # reported, not taken for songs; Length=-1 passes through.
    Fixture(b"pls_capital.pls", [],
            [b"..\\Music\\a.mp3", b"http://stream.example.com:8000/live"],
            b"pls_capital.pls",
            b"[playlist]\nnumberofentries=2\nfile1=..\\Music\\a.mp3\ntitle1=A\nlength1=61\n"
            b"file2=http://stream.example.com:8000/live\ntitle2=Live\nlength2=-1\n",
            stdoutOf(b"pls_capital.pls", PLS),
            b"Unexpected content ignored: 'NumberOfEntries=2'\n"
            b"Unexpected content ignored: 'Version=2'\n" + MINIMUM, 0),
    # Keys in mixed case and out of order within a song, songs out of order
    # (put in the order of their numbers), a length without a title (no
    # information), a title without a length (length 0); converted to M3U.
    Fixture(b"pls_mixed_keys.pls", ["-M"],
            [b"one.mp3", b"two.mp3", b"three.mp3", b"four.mp3", b"five.mp3"],
            b"pls_mixed_keys.m3u",
            b"#EXTM3U\n#EXTINF:10,One\none.mp3\ntwo.mp3\n#EXTINF:0,Three\nthree.mp3\nfour.mp3\nfive.mp3\n",
            stdoutOf(b"pls_mixed_keys.pls", PLS, saved=b"pls_mixed_keys.m3u"), MINIMUM, 0),
    # #EXTINF without a comma becomes a title, a blank after the comma stays
    # in the title, an empty length stays empty; converted to PLS.
    Fixture(b"extinf_shapes.m3u", ["-P"],
            [b"nocomma.mp3", b"blank.mp3", b"nolength.mp3", b"http://example.com/s.mp3"],
            b"extinf_shapes.pls",
            b"[playlist]\nnumberofentries=4\nfile1=nocomma.mp3\ntitle1=100\n"
            b"file2=blank.mp3\ntitle2= Blank After Comma\nlength2=200\n"
            b"file3=nolength.mp3\ntitle3=No Length\nlength3=\n"
            b"file4=http://example.com/s.mp3\ntitle4=Stream\nlength4=-1\n",
            stdoutOf(b"extinf_shapes.m3u", EXTENDED, saved=b"extinf_shapes.pls"), MINIMUM, 0),
    # Plain M3U: relative paths with "..", blanks around a path, a blank
    # line, a comment (kept before the next song, so the file becomes
    # extended), a URL and no final line feed.
    Fixture(b"comments_blank.m3u", [],
            [b"../Music/One.mp3", b"../Music/Two Spaces.mp3", b"..\\Windows\\Three.mp3",
             b"https://example.org/four.ogg?x=1&y=2"],
            b"comments_blank.m3u",
            b"#EXTM3U\n../Music/One.mp3\n../Music/Two Spaces.mp3\n# a comment\n..\\Windows\\Three.mp3\n"
            b"https://example.org/four.ogg?x=1&y=2\n",
            stdoutOf(b"comments_blank.m3u", PLAIN), MINIMUM, 0),
    # PLS with blank lines, NumberOfEntries not directly behind the header,
    # a length without a title, no final line feed.
    Fixture(b"pls_blank_lines.pls", [],
            [b"/srv/music/a b.mp3", b"C:\\Music\\b.mp3"],
            b"pls_blank_lines.pls",
            b"[playlist]\nnumberofentries=2\nfile1=/srv/music/a b.mp3\nfile2=C:\\Music\\b.mp3\n"
            b"title2=B\nlength2=-1\n",
            stdoutOf(b"pls_blank_lines.pls", PLS),
            b"Unexpected content ignored: 'NumberOfEntries=2'\n" + MINIMUM, 0),
    # -d: the first a.mp3 (no information) and the second b.mp3 go; the PLS
    # keys are renumbered over the written entries and counted.
    Fixture(b"pls_dupes.pls", ["-d"], [b"a.mp3", b"b.mp3"], b"pls_dupes.pls",
            b"[playlist]\nnumberofentries=2\nfile1=b.mp3\ntitle1=B\nlength1=2\nfile2=a.mp3\n",
            stdoutOf(b"pls_dupes.pls", PLS, dupes=2), MINIMUM, 0),
    # UTF-16 is refused before reading; the playlist is skipped, not saved.
    Fixture(b"utf16.m3u", [], [b"a.mp3"], b"utf16.m3u",
            None,
            b"Reading playlist 'valid.m3u'\nAssuming m3u format.\nReading playlist 'utf16.m3u'\n",
            b"\nError in trackmend: Error in utf16.m3u (#0): UTF-16 text is not supported.\n"
            b"Ignored. Continuing.\n", 0),
]
