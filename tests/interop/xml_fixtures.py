"""What the tool makes of each XML playlist in fixtures/ when one of its songs
has moved and -a finds it again: the paths it reads from the playlist (the
valid list holds them, with the moved song's new path instead of the old
one), and the location text it writes instead of the old one. Every other
byte of the file stays as it was."""
from collections import namedtuple

XmlFixture = namedtuple("XmlFixture", "input detected paths moved newPath oldText newText")

FIXTURES = [
    # Absolute file:// URIs, percent-encoded UTF-8; VLC's own extensions.
    XmlFixture(b"vlc.xspf", b"xspf",
               [b"/home/ann/Music/Sigur R\xc3\xb3s/\xc3\x81g\xc3\xa6tis byrjun/02 Svefn-g-englar.mp3",
                b"/home/ann/Music/Simon & Garfunkel/Bookends/05 Mrs. Robinson.mp3",
                b"http://radio.example.org:8000/stream?id=1&q=hi"],
               0, b"/srv/music/Sigur R\xc3\xb3s/\xc3\x81g\xc3\xa6tis byrjun/02 Svefn-g-englar.mp3",
               b"file:///home/ann/Music/Sigur%20R%C3%B3s/%C3%81g%C3%A6tis%20byrjun/02%20Svefn-g-englar.mp3",
               b"file:///srv/music/Sigur%20R%C3%B3s/%C3%81g%C3%A6tis%20byrjun/02%20Svefn-g-englar.mp3"),
    # '%' and '#' in names, encoded; meta elements.
    XmlFixture(b"audacious.xspf", b"xspf",
               [b"/home/ann/Music/Bj\xc3\xb6rk/Homogenic/01 J\xc3\xb3ga.flac",
                b"/home/ann/Music/Various/100% Hits/03 Song #1.ogg",
                b"/home/ann/Music/Mot\xc3\xb6rhead/Ace of Spades/01 Ace of Spades.mp3"],
               1, b"/data/Various/100% Hits/03 Song #1.ogg",
               b"file:///home/ann/Music/Various/100%25%20Hits/03%20Song%20%231.ogg",
               b"file:///data/Various/100%25%20Hits/03%20Song%20%231.ogg"),
    # Relative Windows paths, "&amp;" and a plain '%', CR LF line ends.
    XmlFixture(b"wmp.wpl", b"wpl",
               [b"..\\Music\\Caf\xc3\xa9 del Mar\\Vol 1\\01 Entre Dos Aguas.mp3",
                b"..\\Music\\Simon & Garfunkel\\Bookends\\05 Mrs. Robinson.mp3",
                b"..\\Music\\Hits\\100% Pure.wma"],
               1, b"..\\Archive\\Simon & Garfunkel\\Bookends\\05 Mrs. Robinson.mp3",
               b"..\\Music\\Simon &amp; Garfunkel\\Bookends\\05 Mrs. Robinson.mp3",
               b"..\\Archive\\Simon &amp; Garfunkel\\Bookends\\05 Mrs. Robinson.mp3"),
    # Absolute Windows paths with non-ASCII names.
    XmlFixture(b"musicbee.wpl", b"wpl",
               [b"D:\\Music\\Sigur R\xc3\xb3s\\Takk...\\02 Gl\xc3\xb3s\xc3\xb3li.flac",
                b"D:\\Music\\M\xc3\xb6tley Cr\xc3\xbce\\Dr. Feelgood\\01 T.n.T. (Terror 'n Tinseltown).mp3"],
               0, b"E:\\Music\\Sigur R\xc3\xb3s\\Takk...\\02 Gl\xc3\xb3s\xc3\xb3li.flac",
               b"D:\\Music\\Sigur R\xc3\xb3s\\Takk...\\02 Gl\xc3\xb3s\xc3\xb3li.flac",
               b"E:\\Music\\Sigur R\xc3\xb3s\\Takk...\\02 Gl\xc3\xb3s\xc3\xb3li.flac"),
    # ISO-8859-1, upper-case names, a plain relative href, an entry in REPEAT.
    XmlFixture(b"latin1.asx", b"asx",
               [b"M\xc3\xbasica/Latino/Caf\xc3\xa9.wma", b"http://radio.example.org/intro.asf?x=1&y=2"],
               0, b"../M\xc3\xbasica/Latino/Caf\xc3\xa9.wma",
               b"M\xfasica/Latino/Caf\xe9.wma", b"../M\xfasica/Latino/Caf\xe9.wma"),
]
