"""The independent playlist readers: mpv's playlist demuxer and GNOME's
totem-pl-parser, each run on one file and reduced to a list of entries.

An entry is (location, title, duration): location is what the reader would
open, title its display title or None, duration in seconds or None when the
reader reports none. Both readers are run so that they never open an entry.
"""
import os
import shutil
import subprocess
import tempfile
from collections import namedtuple

HERE = os.path.dirname(os.path.abspath(__file__))
PYTHON = "/usr/bin/python3"

Entry = namedtuple("Entry", "location title duration")
Listing = namedtuple("Listing", "status entries")


class ReaderMissing(Exception):
    pass


def _unhex(text):
    return None if text == "-" else bytes.fromhex(text)


class Mpv:
    name = "mpv"

    @staticmethod
    def available():
        if not shutil.which("mpv"):
            return "mpv is not installed (bash tests/interop/install_readers.sh)"
        return None

    @staticmethod
    def read(playlistFile):
        with tempfile.TemporaryDirectory(prefix="trackmend-mpv-") as scratch:
            out = os.path.join(scratch, "entries")
            command = ["mpv", "--no-config", "--really-quiet", "--ao=null",
                       "--vo=null", "--idle=no", "--no-terminal",
                       "--script=" + os.path.join(HERE, "mpv_dump.lua"),
                       "--script-opts-append=pldump-out=" + out,
                       "--script-opts-append=pldump-playlist=" + os.path.abspath(playlistFile),
                       "--", os.path.abspath(playlistFile)]
            subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=60,
                           env=dict(os.environ, HOME=scratch))
            if not os.path.exists(out):
                raise AssertionError("mpv wrote no listing for " + playlistFile)
            with open(out, "rb") as listing:
                lines = listing.read().decode("ascii").splitlines()
        entries = []
        status = None
        for line in lines:
            words = line.split(" ")
            if words[0] == "entry":
                entries.append(Entry(_unhex(words[1]), _unhex(words[2]), None))
            elif words[0] == "end":
                status = " ".join(words[1:])
        if status is None:
            raise AssertionError("mpv listing without end line for " + playlistFile)
        return Listing(status, entries)


class Totem:
    name = "totem"

    @staticmethod
    def available():
        if not os.path.exists(PYTHON):
            return PYTHON + " is missing"
        probe = subprocess.run(
            [PYTHON, "-c", "import gi; gi.require_version('TotemPlParser', '1.0');"
                           "from gi.repository import TotemPlParser"],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=60)
        if probe.returncode != 0:
            return ("totem-pl-parser is not usable from %s (bash tests/interop/install_readers.sh): %s"
                    % (PYTHON, probe.stderr.decode(errors="replace").strip().splitlines()[-1:]))
        return None

    @staticmethod
    def read(playlistFile):
        done = subprocess.run([PYTHON, os.path.join(HERE, "totem_dump.py"),
                               os.path.abspath(playlistFile)],
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=60)
        if done.returncode != 0:
            raise AssertionError("totem_dump failed on %s: %s" % (playlistFile, done.stderr))
        entries = []
        status = None
        for line in done.stdout.decode("ascii").splitlines():
            words = line.split(" ")
            if words[0] == "entry":
                duration = _unhex(words[3])
                entries.append(Entry(_unhex(words[1]), _unhex(words[2]), duration))
            elif words[0] == "end":
                status = words[1]
        return Listing(status, entries)


READERS = {"mpv": Mpv, "totem": Totem}
