// Writing playlists as M3U (plain or extended) or PLS.
#ifndef PLAYLIST_WRITER_H_
#define PLAYLIST_WRITER_H_

#include <iostream>
#include <string>

#include "playlist/playlist.h"

namespace kw {

// Rewrites the file `list.fileName` in the format chosen by `list.plsFormat`,
// leaving out deleted entries, then renames it to savedName(list).
// An XML playlist as read (writesXml) is spliced instead.
// M3U gets the "#EXTM3U" header when any entry (deleted ones included) has
// information, when any '#' line is written, or when the first paths would
// read as a header or as something that is no playlist; `list.fileLines`
// follow the header, `list.trailingLines` end the file. PLS keys and
// "numberofentries=" count the written entries only; PLS has no place for
// '#' lines other than the information line.
// Writes "Saving '<fileName>'" to `progress` first (also when the save then
// fails) and "Playlist had wrong extension. Renamed to '<new>'" after a rename.
//
// The file written is fileToReplace(list.fileName) (what it throws, this
// throws): a symbolic link stays a link and its target is rewritten. The
// content goes to a temporary file in that file's folder
// (kw::sys_dep::ReplacementFile) that replaces the old file only once it is
// completely written and flushed to the disk, with the old file's
// permission bits (a new file gets 0666 less the umask). A file we may not
// write to is not replaced either. On failure the temporary file is removed,
// the old file is left byte-identical and kw::err::IOError(fileName) is
// thrown. A file that had other hard links is replaced all the same (they
// keep the old content), and "'<fileName>' had other hard links; they keep
// the old content." goes to `warnings`.
// Only the name given is renamed, never onto another existing file: then,
// as for any failed rename, the new content stays under the old name and
// kw::err::IOError("<old> -> <new>", "rename") is thrown. After each rename
// the folder is flushed too; a failed flush after the rename throws
// kw::err::IOError with the playlist's name at that moment.
void savePlaylist(const PlayList& list, std::ostream& progress = std::cout, std::ostream& warnings = std::cerr);

// The name savePlaylist() gives `list`: xmlPlaylistName() when it writes XML
// (writesXml), else correctedPlaylistName().
std::string savedName(const PlayList& list);

// The file a save of `fileName` replaces: `fileName` with its chain of
// symbolic links followed (targets of any length, relative ones taken
// against the link's folder); it need not exist. Throws kw::err::Error
// "Not a regular file ('<fileName>')" when the chain ends at anything but a
// regular file, a folder or nothing (a FIFO, a device, a socket), or when it
// passes through /proc (kw::sys_dep::systemPlaceOf), or through /dev after a
// link or at a link lying there; kw::err::Error "Not following a link in a
// shared folder ('<fileName>')", before anything else, for any link on the
// way (of a folder too) that the kernel's protection of links in shared
// folders would not follow (followsForeignLinkInSharedFolder);
// kw::err::IOError(fileName) for a folder ("Is a directory"), a loop of
// more than 40 links or a failing look-up.
std::string fileToReplace(const std::string& fileName);

// Checks before any work that savePlaylist() can replace `fileName`:
// fileToReplace(fileName) (what it throws, this throws), then that a file
// can be created in that file's folder, really tried
// (kw::sys_dep::probeFileCreation: kw::err::IOError naming the folder), then
// that an existing file may be written (kw::err::IOError(fileName)).
// Writes nothing; leaves no file behind.
void checkSavable(const std::string& fileName);

// Whether savePlaylist() flushes to the disk (on unless switched off;
// kw::sys_dep::setSyncToDisk). Off only for measuring what the flushes cost:
// a crash of the machine may then leave a playlist empty or half-written.
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
