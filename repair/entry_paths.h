// How the repair compares entries written in different path forms with the
// songs of the validList, and how it writes replacements back in each
// entry's own form: a relative entry stays relative to its playlist, a
// file:// entry stays a file:// URI.
#ifndef REPAIR_ENTRY_PATHS_H_
#define REPAIR_ENTRY_PATHS_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

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
  // Whether every compared path is absolute (starts with '/'), so that a
  // relative entry can be compared by the path it resolves to.
  bool allAbsolute() const { return allAbsolute_; }
  // The songs by identity (over the compared paths, as index()), for -i:
  // built on the first call, which must not race with another.
  const IdentityIndex& identities() const;

 private:
  void prepare(unsigned threads);

  std::unique_ptr<const SongList> owned_;
  const SongList* songs_;
  std::unique_ptr<SongList> decoded_;
  std::unique_ptr<CandidateIndex> index_;
  mutable std::unique_ptr<IdentityIndex> identities_;
  bool allAbsolute_ = true;
};

// The path forms of the entries of one invalid playlist.
class EntryPaths {
 public:
  // `playlistFolder`: the absolute folder of the playlist, which its
  // relative entries are relative to. `resolveRelative`: whether relative
  // entries are compared by the path they resolve to (ValidLibrary::
  // allAbsolute) or, like every other entry, as written.
  EntryPaths(std::string playlistFolder, bool resolveRelative);

  // `path` as the repair compares it: a file:// URI decoded, a relative path
  // resolved (with resolveRelative), anything else as written.
  std::string compared(const std::string& path) const;

  // `entry` with its compared path, for ranking.
  PlaylistEntry comparedEntry(const PlaylistEntry& entry) const;

  // The path to write into the playlist when the entry written `written` is
  // replaced by the validList song written `listed` whose compared path is
  // `target`: relative to the playlist's folder for a relative entry (with
  // resolveRelative), a file:// URI for a file:// entry (when `target` is a
  // local path), otherwise `listed` as it stands.
  std::string replacement(const std::string& written, const std::string& target,
                          const std::string& listed) const;

  // The path a copy of the entry written `written` gets in a playlist that
  // lives in the absolute folder `folder`: a relative entry is rewritten
  // relative to that folder, so that it still names the same file; any other
  // entry, or one staying in its folder, keeps its path.
  std::string movedTo(const std::string& written, const std::string& folder) const;

 private:
  std::string folder_;
  bool resolveRelative_;
};

}  // namespace kw

#endif  // REPAIR_ENTRY_PATHS_H_
