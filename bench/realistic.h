// A tagged music library as people keep one, reorganised as people do, and
// the playlists players wrote before the reorganisation: the data of the
// realistic repair-quality benchmark.
//
// The library is drawn from its seed alone (bench::Random), songs with the
// hard cases of identification: "Intro" on several albums of one artist,
// live and remastered versions of one title, compilations and albums kept
// in two formats (the same song twice), the same title by other artists,
// untagged and damaged files, accents, apostrophes, CJK names and artist
// folders whose names start with a dot. The reorganisation moves it to a
// new root, renames album folders ("Artist - Album (Year)", "Album (Year)"),
// turns "The Name" into "Name, The", drops accents from folder names,
// renumbers tracks ("01 - Title", "1-01 Title", "Artist - 01 - Title",
// "01. Title"), re-encodes songs (another extension, the length a second
// off now and then), re-cases names and deletes 5% of the songs (never one
// of which a copy stays).
//
// Then the mess of a library kept for years, drawn from a stream of its own
// so that the songs above stay as drawn: albums retagged since the
// playlists were written ("Title (Remastered 2011)", "Title - 2011
// Remaster", "feat. X" in the artist or title, "&" for "and", typos fixed),
// sometimes renamed to the new tags; file names that disagree with the tags
// ("03 Come as you are (Remastered).mp3"); re-encoded songs 1 to 3 seconds
// longer (padding) or without their tags; the same recording on a single
// and its album and on "Various Artists" compilations (same title, artist
// and length); demo, live and session versions titled as the studio song
// and within 2.5 seconds of its length; and playlist lines from an older
// tag edit (a typo since fixed, another form of the artist).
#ifndef BENCH_REALISTIC_H_
#define BENCH_REALISTIC_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace bench {

enum class SongTags { kFull, kTitleOnly, kNone, kDamaged };

struct RealSong {
  std::string artist, album, title;  // as tagged before the reorganisation (UTF-8)
  SongTags tags = SongTags::kFull;
  // As tagged now, in the new library.
  std::string newArtist, newTitle;
  SongTags newTags = SongTags::kFull;
  // What the playlists' lines say, from an older tag edit; empty: the tags.
  std::string listedArtist, listedTitle;
  int milliseconds = 0;  // the length players measured before the reorganisation
  int seconds = 0;       // the whole seconds the file declares now
  std::string oldPath;   // below the old root, '/'-separated
  std::string newPath;   // below the new root; empty: deleted
  bool hasCopy = false;  // the same recording stands elsewhere in the library
  bool hidden = false;   // below a folder whose name starts with '.'
};

struct RealLibrary {
  std::vector<RealSong> songs;
};

// At least `songs` songs, drawn from `seed`; without `messy`, the library
// before the mess of years (which adds its songs after these and keeps
// their artists, albums, measured lengths and deletions).
RealLibrary makeRealLibrary(std::size_t songs, std::uint64_t seed, bool messy = true);

// Writes every song that is not deleted below the folder `root` (which must
// exist) as a small audio file of its format with its new tags, declaring
// its length (WAV holds its whole length); damaged songs are a few bytes of
// noise.
void writeMusicFolder(const RealLibrary& library, const std::string& root);

enum class PlaylistKind { kExtinf, kRelative, kWindows, kFileUri, kXspf };

struct RealPlaylist {
  PlaylistKind kind;
  std::string title;     // for the report
  std::string fileName;  // absolute
  std::vector<std::size_t> songs;  // entry k is song songs[k] of the library
};

// Writes the playlists players wrote of the old library, each of `entries`
// songs drawn from `seed` (deleted and hidden ones included), and returns
// them: extended M3U with the lines from the tags (or the older ones a
// song lists; lengths rounded); relative M3U8 without lines, in
// "<newRoot>/Playlists", which moved with the music; a Windows-1252 M3U of
// "D:\Music\..." paths with CR LF (songs Windows-1252 cannot name left
// out); plain file:// URIs, percent-encoded; XSPF with location, title,
// creator and duration. The other playlists go to the folder `folder`
// (which must exist).
std::vector<RealPlaylist> writeRealPlaylists(const RealLibrary& library, const std::string& newRoot,
                                             const std::string& folder, std::size_t entries,
                                             std::uint64_t seed);

// The old root of the POSIX playlists.
constexpr const char* kOldRoot = "/home/ana/Music";

}  // namespace bench

#endif  // BENCH_REALISTIC_H_
