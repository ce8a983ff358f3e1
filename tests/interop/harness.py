"""Running the tool in a scratch folder and comparing what came out."""
import os
import subprocess

import views


class Failure(Exception):
    pass


class Run:
    """One run of the tool on `name` inside a scratch folder."""

    def __init__(self, tool, work, name, options, valid, stdin=b""):
        self.work = work
        self.name = name
        with open(os.path.join(work, "valid.m3u"), "wb") as f:
            f.write(b"".join(path + b"\n" for path in valid))
        done = subprocess.run([tool] + options + ["valid.m3u", os.fsdecode(name)], cwd=work,
                              input=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=120)
        if done.returncode < 0:
            raise Failure("killed by signal %d: %s %s" % (-done.returncode, options, name))
        self.status, self.stdout, self.stderr = done.returncode, done.stdout, done.stderr

    def path(self, name):
        return os.path.join(self.work, os.fsdecode(name))


def expectEqual(what, actual, wanted):
    if actual != wanted:
        raise Failure("%s differs\n  got:  %r\n  want: %r" % (what, actual, wanted))


def validPaths(entries, leaveOut=None):
    """Every distinct path once, so that each entry is found valid; a path left
    out is replaced by a near twin that makes the repair ask about it."""
    paths = []
    for entry in entries:
        if entry.path not in paths and entry.path != leaveOut:
            paths.append(entry.path)
    if leaveOut is not None:
        paths.append(leaveOut + b"x")
    return paths


def checkReader(reader, fileName, entries, pls):
    listing = reader.read(fileName)
    got = [tuple(e) for e in listing.entries]
    want = views.expected(reader.name, entries, pls, fileName)
    if got != want:
        raise Failure("%s lists for %s (%s):\n%s\n  expected:\n%s"
                      % (reader.name, os.path.basename(fileName), listing.status,
                         views.describe(got), views.describe(want)))
