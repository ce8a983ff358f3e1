// Writing playlists as M3U (plain or extended) or PLS.
#ifndef PLAYLIST_WRITER_H_
#define PLAYLIST_WRITER_H_

#include <iostream>
#include <string>

#include "playlist/playlist.h"

namespace kw {

// Rewrites the file `list.fileName` in the format chosen by `list.plsFormat`,
// leaving out deleted entries, then renames it to correctedPlaylistName().
// An XML playlist as read (writesXml) is spliced instead and renamed to
// xmlPlaylistName() (playlist/xml_playlist.h).
// M3U gets the "#EXTM3U" header when any entry (deleted ones included) has
// information, when any '#' line is written, or when the first path would
// read as a header; `list.fileLines` follow the header, `list.trailingLines`
// end the file. PLS keys and "numberofentries=" count the written entries
// only; PLS has no place for '#' lines other than the information line.
// Writes "Saving '<fileName>'" to `progress` first (also when the save then
// fails) and "Playlist had wrong extension. Renamed to '<new>'" after a rename.
//
// The content goes to a temporary file in the playlist's directory that
// replaces the old file only once it is completely written, flushed to the
// disk (fsync) and closed, with the old file's permission bits (a new file
// gets 0666 less the umask); a symbolic link stays a link and its target is
// rewritten. A file we may not write to is not replaced either. On failure
// the temporary file is removed (also when it fails right after it was
// made), the old file is left byte-identical and kw::err::IOError(fileName)
// is thrown. The rename never replaces another
// existing file: then, as for any failed rename, the new content stays under
// the old name and kw::err::IOError("<old> -> <new>", "rename") is thrown.
// After each rename the folder is flushed too, so that the new name survives
// a crash of the machine (a folder that cannot be opened, or whose file
// system cannot flush folders, is not); a failed flush after the rename
// throws kw::err::IOError with the playlist's name at that moment.
void savePlaylist(const PlayList& list, std::ostream& progress = std::cout);

// Whether savePlaylist() flushes to the disk (on unless switched off). Off
// only for measuring what the flushes cost: a crash of the machine may then
// leave a playlist empty or half-written.
void setSyncToDisk(bool on);

// The name `fileName` gets when its extension is made to match the format:
// the file part (after the last '/') up to its last '.', or all of it, then
// ".pls" for PLS, else ".m3u8" when the old extension is ".m3u8" in any
// letter case, else ".m3u".
std::string correctedPlaylistName(const std::string& fileName, bool pls);

// Writes one entry in PLS form (keys numbered `index`, the entry's 1-based
// position among the written entries; the information line, less a leading
// "#EXTINF:" in any letter case, split at its first ',' into length and
// title) when `pls` is set, else in M3U form (its other lines before the
// information line, the information line, its other lines after it, the
// path); a deleted entry writes nothing. A path holding a line end or ending
// in a blank is written as its file:// URI (a relative one taken against the
// working directory) or, in another form, with "%0A"/"%0D" for its line ends
// and "%20" for its final blanks, so that it never splits a line or loses a
// byte; in M3U a path that would read as a '#' line or lose its first blanks
// gets "./" (".\" in Windows form) in front. savePlaylist writes paths the
// same way, relative to the playlist.
void writeEntry(const PlaylistEntry& entry, std::ostream& out, bool pls, int index);

}  // namespace kw

#endif  // PLAYLIST_WRITER_H_
