// A music folder as the list of valid songs: the folder is walked, the tags
// of its song files read on several threads, and the result is a playlist
// like any other, so the repair, the duplicate finder and the writer take
// it unchanged.
#ifndef LIBRARY_SCAN_H_
#define LIBRARY_SCAN_H_

#include <iostream>
#include <string>

#include "playlist/playlist.h"
#include "playlist/song_list.h"

namespace kw {

struct ScanSettings {
  // Threads reading tags; 0: one per hardware thread. The result does not
  // depend on it.
  unsigned threads = 0;
  // Where the running count of songs is drawn while scanning, or null. Meant
  // for a terminal only: the count is redrawn in place with carriage returns
  // and erased at the end.
  std::ostream* liveCount = nullptr;
};

// Appends one entry per song below the folder `list.fileName`, sorted by
// path bytes: the path is the folder made absolute and resolved as the
// kernel resolves it (sys_dep::resolvedAsKernel: a ".." after a link leads
// where the link's target leads), '/' and the path below it (walkFolder); the information line is that of its tags
// (infoLine), none when it has no title. Writes "Scanning folder '<fileName>'"
// before and "Found <N> songs." after the scan to `progress`, and a
// "Skipped '<path>': <reason>" line per folder or file left out to
// `warnings`: first those of the walk in the order it met them, then, in
// path order, the files that could not be opened and the songs whose tags
// were given up ("Skipped tags of '<path>': unreadable tags"; the song stays,
// without an information line). Throws
// kw::err::IOError(list.fileName) when the folder itself cannot be listed,
// before anything is written; the playlist is then unchanged.
void scanFolder(PlayList& list, std::ostream& progress = std::cout, std::ostream& warnings = std::cerr,
                const ScanSettings& settings = {});

// True when `name` names a folder (symbolic links followed).
bool isFolder(const std::string& name);

// Fills `list` with the songs of `list.fileName`: a folder is scanned
// (scanFolder), anything else is read as a playlist (readPlaylist, which
// throws as it does).
void readSongList(PlayList& list, std::ostream& progress = std::cout, std::ostream& warnings = std::cerr,
                  const ScanSettings& settings = {});

// The same into the compact form of a library (readSongs for a playlist):
// only each song's path and information line.
void readSongList(SongList& songs, std::ostream& progress = std::cout, std::ostream& warnings = std::cerr,
                  const ScanSettings& settings = {});

}  // namespace kw

#endif  // LIBRARY_SCAN_H_
