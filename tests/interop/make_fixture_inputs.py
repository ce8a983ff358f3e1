#!/usr/bin/python3
"""Writes the input playlists of fixtures/ (run once; the files are kept in
the repository so that their exact bytes are reviewable). The shapes are the
ones real players write; fixtures.py states what the tool makes of each."""
import os

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixtures")


def blockBoundary():
    """Plain M3U in which a two-byte UTF-8 character straddles offset 2048,
    the end of the reader's first block."""
    lines = []
    size = 0
    n = 1
    while True:
        line = b"Music/Album/Track %03d.mp3\n" % n
        if size + len(line) > 2048 - 40:
            break
        lines.append(line)
        size += len(line)
        n += 1
    prefix = b"Music/Caf"
    # Pad the name so that byte 2047 is the first byte of "\xc3\xa9".
    pad = 2047 - size - len(prefix)
    special = prefix + b"x" * pad + b"\xc3\xa9 Noir.mp3\n"
    data = b"".join(lines) + special + b"Music/Album/After the boundary.mp3\n"
    assert data[2047:2049] == b"\xc3\xa9"
    return data


INPUTS = {
    "utf8_bom.m3u": b"\xef\xbb\xbf#EXTM3U\n#EXTINF:201,Mot\xc3\xb6rhead - Ace of Spades\n"
                    b"Music/Mot\xc3\xb6rhead/Ace of Spades.mp3\n#EXTINF:185,Bj\xc3\xb6rk - J\xc3\xb3ga\n"
                    b"Music/Bj\xc3\xb6rk/J\xc3\xb3ga.flac\n",
    "utf8_nobom.m3u8": b"#EXTM3U\n#EXTINF:201,Mot\xc3\xb6rhead - Ace of Spades\n"
                       b"Music/Mot\xc3\xb6rhead/Ace of Spades.mp3\n#EXTINF:96,\xe6\x9d\xb1\xe4\xba\xac\n"
                       b"/home/user/\xe9\x9f\xb3\xe6\xa5\xbd/\xe6\x9d\xb1\xe4\xba\xac.ogg\n",
    "crlf.m3u": b"#EXTM3U\r\n#EXTINF:123,Artist - Song\r\nC:\\Music\\Artist\\Song.mp3\r\n\r\n"
                b"#EXTINF:-1,Radio\r\nhttp://radio.example.org:8000/stream\r\n",
    "lone_cr.m3u": b"#EXTM3U\r#EXTINF:30,Mac\rMusic/old.mp3\rMacintosh HD/Music/new song.mp3\r",
    "latin1.m3u": b"#EXTM3U\n#EXTINF:240,Caf\xe9 del Mar\nM:\\M\xfasica\\Caf\xe9.mp3\n"
                  b"/home/j\xfcrgen/Lieder/\xdcber.ogg\n",
    "block_boundary.m3u": blockBoundary(),
    "pls_capital.pls": b"[Playlist]\nFile1=..\\Music\\a.mp3\nTitle1=A\nLength1=61\n"
                       b"File2=http://stream.example.com:8000/live\nTitle2=Live\nLength2=-1\n"
                       b"NumberOfEntries=2\nVersion=2\n",
    "pls_mixed_keys.pls": b"[playlist]\nnumberofentries=5\nTITLE1=One\nfile1=one.mp3\nLength1=10\n\n"
                          b"length2=20\nFile2=two.mp3\n\ntitle3=Three\nfile3=three.mp3\n"
                          b"File5=five.mp3\nFile4=four.mp3\n",
    "extinf_shapes.m3u": b"#EXTM3U\n#EXTINF:100\nnocomma.mp3\n#EXTINF:200, Blank After Comma\nblank.mp3\n"
                         b"#EXTINF:,No Length\nnolength.mp3\n#EXTINF:-1,Stream\nhttp://example.com/s.mp3\n",
    "comments_blank.m3u": b"../Music/One.mp3\n\n  ../Music/Two Spaces.mp3  \n# a comment\n"
                          b"..\\Windows\\Three.mp3\nhttps://example.org/four.ogg?x=1&y=2",
    "pls_blank_lines.pls": b"[playlist]\n\nNumberOfEntries=2\nFile1=/srv/music/a b.mp3\n\nLength1=-1\n"
                           b"File2=C:\\Music\\b.mp3\nTitle2=B\nLength2=-1",
    "pls_dupes.pls": b"[playlist]\nnumberofentries=4\nfile1=a.mp3\nfile2=b.mp3\ntitle2=B\nlength2=2\n"
                     b"file3=a.mp3\nfile4=b.mp3\n",
    "utf16.m3u": "\ufeff#EXTM3U\r\n#EXTINF:1,A\r\na.mp3\r\n".encode("utf-16-le"),
}

if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    for name, data in INPUTS.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
