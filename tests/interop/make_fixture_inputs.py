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

# XML playlists shaped as the programs named write them (xml_fixtures.py says
# what the tool makes of each).
VLC_EXTENSION = (b'\t\t\t<extension application="http://www.videolan.org/vlc/playlist/0">\n'
                 b'\t\t\t\t<vlc:id>%d</vlc:id>\n%s\t\t\t</extension>\n')

XML_INPUTS = {
    "vlc.xspf": b'<?xml version="1.0" encoding="UTF-8"?>\n'
                b'<playlist xmlns="http://xspf.org/ns/0/" xmlns:vlc="http://www.videolan.org/vlc/playlist/ns/0/" version="1">\n'
                b'\t<title>Wiedergabeliste</title>\n\t<trackList>\n'
                b'\t\t<track>\n'
                b'\t\t\t<location>file:///home/ann/Music/Sigur%20R%C3%B3s/%C3%81g%C3%A6tis%20byrjun/02%20Svefn-g-englar.mp3</location>\n'
                b'\t\t\t<title>Svefn-g-englar</title>\n\t\t\t<creator>Sigur R\xc3\xb3s</creator>\n'
                b'\t\t\t<album>\xc3\x81g\xc3\xa6tis byrjun</album>\n\t\t\t<trackNum>2</trackNum>\n'
                b'\t\t\t<duration>604000</duration>\n' + VLC_EXTENSION % (0, b"") +
                b'\t\t</track>\n'
                b'\t\t<track>\n'
                b'\t\t\t<location>file:///home/ann/Music/Simon%20%26%20Garfunkel/Bookends/05%20Mrs.%20Robinson.mp3</location>\n'
                b'\t\t\t<title>Mrs. Robinson</title>\n\t\t\t<creator>Simon &amp; Garfunkel</creator>\n'
                b'\t\t\t<annotation>Live &lt;1969&gt;</annotation>\n\t\t\t<duration>244000</duration>\n'
                + VLC_EXTENSION % (1, b"\t\t\t\t<vlc:option>start-time=12</vlc:option>\n") +
                b'\t\t</track>\n'
                b'\t\t<track>\n\t\t\t<location>http://radio.example.org:8000/stream?id=1&amp;q=hi</location>\n'
                b'\t\t\t<title>Radio</title>\n' + VLC_EXTENSION % (2, b"") + b'\t\t</track>\n'
                b'\t</trackList>\n'
                b'\t<extension application="http://www.videolan.org/vlc/playlist/0">\n'
                b'\t\t<vlc:item tid="0"/>\n\t\t<vlc:item tid="1"/>\n\t\t<vlc:item tid="2"/>\n\t</extension>\n'
                b'</playlist>\n',
    "audacious.xspf": b'<?xml version="1.0" encoding="UTF-8"?>\n'
                      b'<playlist version="1" xmlns="http://xspf.org/ns/0/">\n'
                      b'  <title>Evening</title>\n  <trackList>\n'
                      b'    <track>\n      <location>file:///home/ann/Music/Bj%C3%B6rk/Homogenic/01%20J%C3%B3ga.flac</location>\n'
                      b'      <title>J\xc3\xb3ga</title>\n      <creator>Bj\xc3\xb6rk</creator>\n'
                      b'      <album>Homogenic</album>\n      <trackNum>1</trackNum>\n      <duration>305000</duration>\n'
                      b'      <meta rel="year">1997</meta>\n      <meta rel="genre">Electronic</meta>\n    </track>\n'
                      b'    <track>\n      <location>file:///home/ann/Music/Various/100%25%20Hits/03%20Song%20%231.ogg</location>\n'
                      b'      <title>Song #1</title>\n      <creator>Various</creator>\n      <album>100% Hits</album>\n'
                      b'      <duration>201000</duration>\n      <meta rel="mtime">1700000000</meta>\n    </track>\n'
                      b'    <track>\n      <location>file:///home/ann/Music/Mot%C3%B6rhead/Ace%20of%20Spades/01%20Ace%20of%20Spades.mp3</location>\n'
                      b'      <title>Ace of Spades</title>\n      <creator>Mot\xc3\xb6rhead</creator>\n    </track>\n'
                      b'  </trackList>\n</playlist>\n',
    "wmp.wpl": b'<?wpl version="1.0"?>\r\n<smil>\r\n    <head>\r\n'
               b'        <meta name="Generator" content="Microsoft Windows Media Player -- 12.0.19041.3636"/>\r\n'
               b'        <meta name="ItemCount" content="3"/>\r\n        <meta name="TotalDuration" content="767"/>\r\n'
               b'        <title>Caf\xc3\xa9 Mix</title>\r\n    </head>\r\n    <body>\r\n        <seq>\r\n'
               b'            <media src="..\\Music\\Caf\xc3\xa9 del Mar\\Vol 1\\01 Entre Dos Aguas.mp3" albumTitle="Caf\xc3\xa9 del Mar"'
               b' albumArtist="Various" trackTitle="Entre Dos Aguas" trackArtist="Paco de Luc\xc3\xada" duration="362000"'
               b' tid="{B0A8E1C2-6F7D-4E1A-9C2B-000000000001}" cid="{3F2504E0-4F89-11D3-9A0C-0305E82C3301}"/>\r\n'
               b'            <media src="..\\Music\\Simon &amp; Garfunkel\\Bookends\\05 Mrs. Robinson.mp3"'
               b' tid="{B0A8E1C2-6F7D-4E1A-9C2B-000000000002}"/>\r\n'
               b'            <media src="..\\Music\\Hits\\100% Pure.wma" tid="{B0A8E1C2-6F7D-4E1A-9C2B-000000000003}"/>\r\n'
               b'        </seq>\r\n    </body>\r\n</smil>\r\n',
    "musicbee.wpl": b'<?wpl version="1.0"?>\n<smil>\n  <head>\n    <meta name="Generator" content="MusicBee 3.5" />\n'
                    b'    <meta name="ItemCount" content="2" />\n    <title>Favourites</title>\n  </head>\n  <body>\n    <seq>\n'
                    b'      <media src="D:\\Music\\Sigur R\xc3\xb3s\\Takk...\\02 Gl\xc3\xb3s\xc3\xb3li.flac" />\n'
                    b'      <media src="D:\\Music\\M\xc3\xb6tley Cr\xc3\xbce\\Dr. Feelgood\\01 T.n.T. (Terror \'n Tinseltown).mp3" />\n'
                    b'    </seq>\n  </body>\n</smil>\n',
    "latin1.asx": b'<?xml version="1.0" encoding="ISO-8859-1"?>\n<ASX VERSION="3.0">\n  <TITLE>M\xfasica</TITLE>\n'
                  b'  <ENTRY>\n    <TITLE>Caf\xe9</TITLE>\n    <AUTHOR>Los M\xfasicos</AUTHOR>\n'
                  b'    <REF HREF="M\xfasica/Latino/Caf\xe9.wma" />\n  </ENTRY>\n'
                  b'  <REPEAT COUNT="2">\n    <ENTRY>\n      <TITLE>Intro</TITLE>\n'
                  b'      <REF HREF="http://radio.example.org/intro.asf?x=1&amp;y=2" />\n    </ENTRY>\n  </REPEAT>\n'
                  b'</ASX>\n',
}
INPUTS.update(XML_INPUTS)

if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    for name, data in INPUTS.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
