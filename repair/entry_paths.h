// How the repair compares entries written in different path forms with the
// songs of the validList, and how it writes replacements back in each
// entry's own form: a relative entry stays relative to its playlist, a
// file:// entry stays a file:// URI.
#ifndef REPAIR_ENTRY_PATHS_H_
#define REPAIR_ENTRY_PATHS_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "playlist/playlist.h"
#include "playlist/song_list.h"
#include "repair/candidates.h"
#include "repair/identity.h"

namespace kw {

// The validList prepared for repairs: the candidate index over every song's
// compared path (a file:// URI decoded, any other path as written), and the
// songs as written. A decoded copy of the list exists only when some path
// is a file:// URI.
class ValidLibrary {
 public:
  // Keeps a pointer to `songs`, which must outlive the library unchanged.
  explicit ValidLibrary(const SongList& songs, unsigned threads = 0);
  // A library of its own copy of `validList`'s songs.
  explicit ValidLibrary(const PlayList& validList, unsigned threads = 0);

  // Candidates carry the compared paths; Candidate::position leads to
  // listedPath().
  const CandidateIndex& index() const { return *index_; }
  // The path of the song at `position` as written in the validList.
  std::string_view listedPath(std::size_t position) const { return songs_->path(position); }
  // The song at `position` with its compared path.
  PlaylistEntry comparedSong(std::size_t position) const { return compared().entry(position); }
  // Whether every compared path that is no URL and no foreign path (a
  // Windows path on POSIX) is absolute, so that relative entries are ranked
  // by the paths they resolve to: a stream or a Windows path in the list
  // says nothing about how its other songs are written.
  bool allAbsolute() const { return allAbsolute_; }
  // The songs by identity (over the compared paths, as index()), for -i:
  // built on the first call; safe to call from several threads.
  const IdentityIndex& identities() const;
  // Whether some path of the list is a URI of the scheme of `url`'s (letter
  // case ignored): only then can the list tell anything about such a URL.
  bool holdsScheme(std::string_view url) const;
  // The position of the last song whose compared path is `path` as the
  // platform compares names (byte for byte on POSIX, letter case ignored on
  // Windows: sys_dep::samePath); none when there is none. The first call builds a lookup table
  // (about 16 bytes a song); safe to call from several threads.
  std::optional<std::size_t> find(std::string_view path) const;

 private:
  void prepare(unsigned threads);
  const SongList& compared() const { return decoded_ ? *decoded_ : *songs_; }

  std::unique_ptr<const SongList> owned_;
  const SongList* songs_;
  std::unique_ptr<SongList> decoded_;
  std::unique_ptr<CandidateIndex> index_;
  mutable std::once_flag identitiesBuilt_;
  mutable std::unique_ptr<IdentityIndex> identities_;
  bool allAbsolute_ = true;
  std::set<std::string> schemes_;
  // (hash of the compared path, position), sorted; built on first use.
  mutable std::once_flag lookupBuilt_;
  mutable std::vector<std::pair<std::uint64_t, std::size_t>> lookup_;
};

// The path forms of the entries of one invalid playlist.
class EntryPaths {
 public:
  // `playlistFolder`: the absolute folder of the playlist as the kernel
  // finds it (writtenFolderOfFile), which its relative
  // entries are relative to. `resolveRelative`: whether relative entries
  // are ranked by the path they resolve to (ValidLibrary::allAbsolute) or,
  // like every other entry, as written. `ansi`: the playlist is written in
  // the ANSI code page (PlayList::ansiCodePage), its entries' bytes stand
  // for UTF-8 text only once decoded.
  EntryPaths(std::string playlistFolder, bool resolveRelative, bool ansi = false);

  // The path written `written` as UTF-8 text: as it is, or decoded from the
  // ANSI code page.
  std::string text(const std::string& written) const;

  // `path` as the repair ranks it: its text (text()), then a file:// URI
  // decoded, a relative path resolved as the kernel resolves it (with
  // resolveRelative; see resolvedAsKernel), anything else as written.
  std::string compared(const std::string& path) const;

  // `entry` with its compared path and its information line as text, for
  // ranking.
  PlaylistEntry comparedEntry(const PlaylistEntry& entry) const;

  // The paths under which the relative entry written `path` is a validList
  // path: as written, resolved as text and resolved as the kernel resolves
  // it (the last two differ only where links stand before a ".."). Empty
  // for any other entry.
  std::vector<std::string> validForms(const std::string& path) const;

  // The path (UTF-8 text) to write into the playlist when the entry written
  // `written` is replaced by the validList song written `listed` whose
  // compared path is `target`: for a relative entry and an absolute `target`, the relative
  // reference to it (relativeReference, with the separator the entry uses;
  // a Windows entry "\x" gets the path from its drive's root), or `listed`
  // when none leads there (another drive); a file:// URI for a file://
  // entry (when `target` is a local path); otherwise `listed` as it stands.
  std::string replacement(const std::string& written, const std::string& target,
                          const std::string& listed) const;

  // The path (UTF-8 text) a copy of the entry written `written` gets in a
  // playlist that lives in the absolute folder `folder` (as named, like the
  // constructor's):
  // a relative entry is rewritten to name the same file from there
  // (relativeReference of the file it names here, or its absolute path when
  // no relative one leads there); any other entry, or one staying in its
  // folder, keeps its path.
  std::string movedTo(const std::string& written, const std::string& folder) const;

 private:
  std::optional<std::string> relativeReplacement(const std::string& written, const std::string& target) const;

  std::string writtenFolder_;  // as named, ".." kept
  std::string folder_;         // normalised as text
  bool resolveRelative_;
  bool ansi_;
};

// The relative path, its parts joined by `separator`, that a playlist in the
// absolute folder `folder` (as named, ".." kept) writes for the song at the
// absolute normalised path `target`: the path between the two as text when
// it names the same file as `target` (same device and file number) or
// `target` does not exist on this machine; otherwise the path between the
// folders as the kernel resolves them (links followed), then the song's
// name, so that a playlist reached through a link still names its song.
// Nothing when no relative path leads there (another Windows drive).
std::optional<std::string> relativeReference(const std::string& folder, const std::string& target,
                                             char separator = '/');

}  // namespace kw

#endif  // REPAIR_ENTRY_PATHS_H_
