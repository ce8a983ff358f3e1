#!/usr/bin/python3
"""Lists the entries GNOME's playlist parser reads from one playlist file.

Usage: totem_dump.py PLAYLIST

Writes one line per entry, "entry <hex uri> <hex title or -> <duration or ->",
then "end <result>" with the parser's result name (SUCCESS, UNHANDLED, ERROR,
IGNORED). Exit status 0 whenever the parser ran, 3 when it cannot be loaded.
Text is written as hex of its UTF-8 bytes so that the caller sees exactly what
the parser reported.
"""
import sys

try:
    import gi
    gi.require_version("TotemPlParser", "1.0")
    from gi.repository import Gio, TotemPlParser
except (ImportError, ValueError) as error:
    print("totem-pl-parser unavailable: %s" % error, file=sys.stderr)
    sys.exit(3)


def hexText(text):
    if text is None:
        return "-"
    return text.encode("utf-8", "surrogateescape").hex()


def main():
    lines = []

    def onEntry(_parser, uri, metadata):
        title = metadata.get(TotemPlParser.PARSER_FIELD_TITLE)
        duration = metadata.get(TotemPlParser.PARSER_FIELD_DURATION)
        lines.append("entry %s %s %s" % (hexText(uri), hexText(title),
                                         hexText(duration)))

    parser = TotemPlParser.Parser()
    # Entries are listed, never opened: no recursion into them, no network.
    parser.props.recurse = False
    parser.props.disable_unsafe = True
    parser.connect("entry-parsed", onEntry)
    uri = Gio.File.new_for_path(sys.argv[1]).get_uri()
    result = parser.parse(uri, False)
    for line in lines:
        print(line)
    print("end %s" % result.value_nick.upper())
    return 0


if __name__ == "__main__":
    sys.exit(main())
