#include "bench/realistic.h"

#include <iconv.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <stdexcept>
#include <utility>

#include "bench/generator.h"
#include "playlist/path_forms.h"
#include "tests/support/audio_files.h"

namespace bench {
namespace {

const std::vector<std::string> kFirstNames = {
    "Anna", "Ben", "Clara", "David", "Elena", "Frank", "Greta", "Hugo", "Ida", "Jonas", "Karla", "Leo",
    "Mira", "Nils", "Olga", "Paul", "Rosa", "Sam", "Tara", "Vera", "Zoë", "José", "Åsa", "Søren",
    "Chloé", "Jürgen", "Renée", "Björn", "Inès", "Noël"};
const std::vector<std::string> kLastNames = {
    "Adler", "Baker", "Castell", "Dorn", "Eriksen", "Fontaine", "Gray", "Hart", "Jansen", "Keller",
    "Lindqvist", "Moreau", "Novak", "Okafor", "Petrov", "Quinn", "Reyes", "Schmidt", "Tanaka", "Varga",
    "Weiss", "Young", "Zimmer", "Müller", "Núñez", "Ødegaard", "García", "Brontë", "O'Brien", "D'Angelo"};
const std::vector<std::string> kAdjectives = {
    "Black", "Silver", "Electric", "Broken", "Velvet", "Golden", "Hollow", "Crimson", "Quiet", "Neon",
    "Wild", "Frozen", "Lonely", "Burning", "Paper", "Iron", "Little", "Secret", "Northern", "Sonic",
    "Midnight", "Lazy", "Royal", "Distant", "Fallen", "Bright", "Glass", "Cosmic", "Rusty", "Savage",
    "Gentle", "Strange", "Dusty", "Café", "Señor", "Jäger"};
const std::vector<std::string> kNouns = {
    "Rivers", "Engines", "Owls", "Machines", "Horses", "Ghosts", "Harbours", "Lights", "Mirrors",
    "Wolves", "Sailors", "Foxes", "Kings", "Gardens", "Satellites", "Echoes", "Pilots", "Tigers",
    "Shadows", "Bells", "Clouds", "Wires", "Sparrows", "Islands", "Brothers", "Sisters", "Radios",
    "Saints", "Trains", "Mountains", "Lanterns", "Comets", "Dreamers", "Kites", "Années"};
const std::vector<std::string> kCjkArtists = {"夜明けの月", "東京カラー", "青い鳥", "星の海", "坂道ガールズ"};
// Artist folders whose names start with a dot, as some artists' names do.
const std::vector<std::string> kDottedArtists = {".Noon", "...And the Tide", ".Static", ".Hidden Rooms"};
const std::vector<std::string> kCities = {"Berlin", "Tokyo", "Montréal", "Paris", "Budokan",
                                          "Leeds",  "Oslo",  "São Paulo", "Reykjavík", "Chicago"};
const std::vector<std::string> kTitleWords = {
    "Love", "Night", "Rain", "Home", "Fire", "Heart", "Dance", "Road", "Summer", "Winter", "Song",
    "Time", "Light", "Dream", "Ocean", "City", "Morning", "Stars", "Blue", "Run", "Tonight", "Forever",
    "Alone", "Together", "Again", "Away", "Down", "Gold", "Wind", "River", "Train", "Sky", "Eyes",
    "Hands", "Kiss", "Radio", "Ghost", "Angel", "Sweet", "Cold", "Slow", "Last", "First", "Little",
    "Lost", "Found", "Goodbye", "Hello", "Tomorrow", "Yesterday", "Paradise", "Highway", "Thunder",
    "Silence", "Memory", "Island", "Shadow", "Mirror", "Window", "Garden", "Letter", "Story", "Friend",
    "Stranger", "Lullaby", "Blues", "Waltz", "Anthem", "Desert", "Storm", "Bird", "Wolf", "Moon", "Sun",
    "Girl", "Boy", "Mother", "Father", "Rock", "Soul", "Fever", "Sugar", "Honey", "Smoke", "Whisky",
    "Coffee", "Don't", "I'm", "Can't", "Lovin'", "Rock 'n' Roll", "Été", "Corazón", "Noël", "Sehnsucht",
    "Mañana", "Ça", "Därför", "Любовь", "月", "Über", "Naïve", "Who?", "AC/DC"};
const std::vector<std::string> kNumberTitles = {"7 Seconds", "99 Balloons", "24 Hours", "19",
                                                "1979",      "2 Hearts",    "3 Little Birds", "4 Walls"};
const std::vector<std::string> kTitleSuffixes = {" (Acoustic)", " (Demo)", " Part 2", " [Bonus Track]",
                                                 " (feat. Anna Dorn)", " (Radio Edit)"};
const std::vector<std::string> kAlbumWords = {"Songs", "Stories", "Tales", "Nights", "Days", "Years",
                                              "Sessions", "Letters", "Roads", "Colours", "Waves", "Signals",
                                              "Rooms", "Seasons", "Maps", "Hymns", "Ballads", "Visions"};
// The accented letters of the pools without their accents, as people type
// folder names on a keyboard without them.
const std::vector<std::pair<std::string, std::string>> kUnaccented = {
    {"é", "e"}, {"è", "e"}, {"ë", "e"}, {"É", "E"}, {"ö", "o"}, {"ó", "o"}, {"ø", "o"}, {"Ø", "O"},
    {"ü", "u"}, {"ú", "u"}, {"ñ", "n"}, {"å", "a"}, {"Å", "A"}, {"ä", "a"}, {"ã", "a"}, {"í", "i"},
    {"ï", "i"}, {"ç", "c"}, {"Ç", "C"}, {"Ü", "U"}};

enum class Format { kMp3, kFlac, kOgg, kOpus, kWav };

const char* extensionOf(Format f) {
  switch (f) {
    case Format::kMp3: return ".mp3";
    case Format::kFlac: return ".flac";
    case Format::kOgg: return ".ogg";
    case Format::kOpus: return ".opus";
    case Format::kWav: return ".wav";
  }
  return ".mp3";
}

Format drawFormat(Random& rng) {
  const std::size_t r = rng.below(100);
  return r < 75 ? Format::kMp3 : r < 90 ? Format::kFlac : r < 95 ? Format::kOgg : r < 99 ? Format::kOpus : Format::kWav;
}

Format reencoded(Random& rng, Format f) {
  if (f == Format::kMp3) return rng.percent(60) ? Format::kFlac : Format::kOpus;
  if (f == Format::kWav) return Format::kFlac;
  return Format::kMp3;
}

enum class Naming { kSpace, kDash, kDot, kDisc, kArtist };

std::string twoDigits(int n) {
  return std::string(1, static_cast<char>('0' + n / 10 % 10)) + static_cast<char>('0' + n % 10);
}

// A title as file names carry it: no character Windows refuses.
std::string safeName(std::string name) {
  for (char& c : name) {
    if (c == '/') c = '-';
    if (std::string_view("\\?:*\"<>|").find(c) != std::string_view::npos) c = '_';
  }
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  return name;
}

std::string fileName(Naming naming, int disc, int track, const std::string& artist, const std::string& title,
                     Format format) {
  std::string number = twoDigits(track), name;
  switch (naming) {
    case Naming::kSpace: name = number + " " + title; break;
    case Naming::kDash: name = number + " - " + title; break;
    case Naming::kDot: name = number + ". " + title; break;
    case Naming::kDisc: name = std::to_string(std::max(disc, 1)) + "-" + number + " " + title; break;
    case Naming::kArtist: name = artist + " - " + number + " - " + title; break;
  }
  return safeName(name) + extensionOf(format);
}

std::string unaccented(std::string text) {
  for (const auto& [from, to] : kUnaccented)
    for (std::size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, from.size(), to);
  return text;
}

bool hasAccent(const std::string& text) { return unaccented(text) != text; }

std::string asciiCase(std::string text, bool upper) {
  for (char& c : text) {
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string uniqueName(std::set<std::string>& used, const std::function<std::string()>& make) {
  for (int attempt = 0;; ++attempt) {
    std::string name = make();
    if (attempt >= 20) {
      name += ' ';
      name += std::to_string(attempt);
    }
    if (used.insert(name).second) return name;
  }
}

std::string makeArtist(Random& rng) {
  const std::size_t r = rng.below(100);
  if (r < 2) return rng.pick(kCjkArtists);
  if (r < 24) {
    if (rng.percent(50)) return "The " + rng.pick(kNouns);
    std::string adjective = rng.pick(kAdjectives);
    return "The " + adjective + " " + rng.pick(kNouns);
  }
  if (r < 49) {
    std::string first = rng.pick(kFirstNames);
    return first + " " + rng.pick(kLastNames);
  }
  if (r < 64) {
    std::string adjective = rng.pick(kAdjectives);
    return adjective + " " + rng.pick(kNouns);
  }
  if (r < 69) {
    std::string first = rng.pick(kFirstNames);
    return first + " & the " + rng.pick(kNouns);
  }
  if (r < 74) {
    std::string last = rng.pick(kLastNames);
    return last + " & " + rng.pick(kLastNames);
  }
  if (r < 84) return rng.pick(kNouns);
  std::string first = rng.pick(kFirstNames);
  return first + " " + rng.pick(kLastNames) + " Trio";
}

std::string makeAlbum(Random& rng) {
  switch (rng.below(4)) {
    case 0: {
      std::string adjective = rng.pick(kAdjectives);
      return adjective + " " + rng.pick(kAlbumWords);
    }
    case 1: {
      std::string words = rng.pick(kAlbumWords);
      return words + " of " + rng.pick(kTitleWords);
    }
    case 2: return "Vol. " + std::to_string(rng.between(1, 4));
    default: {
      std::string title = rng.pick(kTitleWords);
      for (int k = rng.between(0, 2); k > 0; --k) title += " " + rng.pick(kTitleWords);
      return title;
    }
  }
}

std::string makeTitle(Random& rng) {
  if (rng.percent(2)) return rng.pick(kNumberTitles);
  std::string title = rng.pick(kTitleWords);
  for (int k = rng.between(0, 3); k > 0; --k) title += " " + rng.pick(kTitleWords);
  if (rng.percent(6)) title += rng.pick(kTitleSuffixes);
  return title;
}

// A song as drawn, before its paths are made.
struct Track {
  std::string title;
  int milliseconds;
  SongTags tags;
};

// An album folder as drawn, before and after the reorganisation.
struct Album {
  std::string title;
  int year;
  Format format;
  Naming naming;
  int discs;  // 1, or 2 for an album in "CD 1" and "CD 2" folders
  std::vector<Track> tracks;
  std::vector<std::size_t> copyOf;  // per track: the song it copies, or npos
};

constexpr std::size_t kNoCopy = static_cast<std::size_t>(-1);

int drawLength(Random& rng, Format format) {
  const int seconds = format == Format::kWav ? rng.between(90, 150) : rng.between(90, 600);
  return seconds * 1000 + static_cast<int>(rng.below(1000));
}

SongTags drawTags(Random& rng, bool untaggedAlbum) {
  if (untaggedAlbum) return SongTags::kNone;
  const std::size_t r = rng.below(1000);
  return r < 30 ? SongTags::kNone : r < 50 ? SongTags::kTitleOnly : r < 53 ? SongTags::kDamaged : SongTags::kFull;
}

Naming drawOldNaming(Random& rng) {
  const std::size_t r = rng.below(100);
  return r < 50 ? Naming::kSpace : r < 80 ? Naming::kDash : Naming::kDot;
}

Naming drawNewNaming(Random& rng, Naming old) {
  const std::size_t r = rng.below(100);
  return r < 40 ? old : r < 60 ? Naming::kDash : r < 75 ? Naming::kDisc : r < 90 ? Naming::kArtist : Naming::kDot;
}

Album studioAlbum(Random& rng, std::set<std::string>& titles, int year) {
  Album album;
  album.title = uniqueName(titles, [&] { return makeAlbum(rng); });
  album.year = year;
  album.format = drawFormat(rng);
  album.naming = drawOldNaming(rng);
  album.discs = rng.percent(6) ? 2 : 1;
  const bool untagged = rng.percent(5);
  std::set<std::string> used;
  for (int k = rng.between(8, 14) * album.discs; k > 0; --k) {
    std::string title = uniqueName(used, [&] { return makeTitle(rng); });
    album.tracks.push_back({std::move(title), drawLength(rng, album.format), drawTags(rng, untagged)});
  }
  album.copyOf.assign(album.tracks.size(), kNoCopy);
  return album;
}

// How one artist's folders change in the reorganisation.
struct ArtistMove {
  std::string folder;  // the new artist folder name
  std::string shown;   // the artist as the new folder names show it
};

ArtistMove moveArtist(Random& rng, const std::string& artist) {
  ArtistMove move{artist, artist};
  if (hasAccent(artist) && rng.percent(50)) move.folder = move.shown = unaccented(artist);
  if (move.folder.starts_with("The ") && rng.percent(60)) move.folder = move.folder.substr(4) + ", The";
  if (rng.percent(4)) move.folder = asciiCase(move.folder, false);
  return move;
}

class Builder {
 public:
  Builder(std::uint64_t seed) : rng_(seed) {}

  RealLibrary build(std::size_t songs) {
    std::set<std::string> artists;
    // Every fortieth artist has a name starting with a dot, so every seed
    // has such folders.
    for (std::size_t n = 0; library_.songs.size() < songs; ++n)
      addArtist(uniqueName(artists, [&] { return n % 40 == 7 ? rng_.pick(kDottedArtists) : makeArtist(rng_); }));
    markDeleted();
    return std::move(library_);
  }

 private:
  void addArtist(const std::string& artist) {
    std::set<std::string> titles;
    std::vector<Album> albums;
    int year = rng_.between(1965, 2005);
    const int studio = rng_.between(1, 4);
    for (int a = 0; a < studio; ++a, year += rng_.between(1, 4)) albums.push_back(studioAlbum(rng_, titles, year));
    if (studio >= 2 && rng_.percent(15))  // "Intro" opens every studio album
      for (Album& album : albums) {
        // Each draw is a statement of its own: the order of operands is unspecified.
        const int seconds = rng_.between(90, 130);
        const int length = seconds * 1000 + static_cast<int>(rng_.below(1000));
        album.tracks[0] = {"Intro", length, album.tracks[0].tags};
      }
    const std::size_t first = library_.songs.size();
    const bool hidden = artist.starts_with('.');
    const ArtistMove move = moveArtist(rng_, artist);
    for (const Album& album : albums) addAlbum(artist, album, move, hidden);
    const std::size_t studioEnd = library_.songs.size();
    if (studio >= 2 && rng_.percent(12)) addLive(artist, first, studioEnd, titles, year, move, hidden);
    if (rng_.percent(8)) addRemaster(artist, albums[rng_.below(albums.size())], first, move, hidden);
    if (studioEnd - first >= 12 && rng_.percent(8))
      addCompilation(artist, first, studioEnd, titles, year, move, hidden);
    for (const Album& album : albums)
      if (rng_.percent(4)) addSecondFormat(artist, album, move, hidden);
  }

  // The songs of `album`; a track whose copyOf names a song is that
  // recording again (tags and length included).
  void addAlbum(const std::string& artist, const Album& album, const ArtistMove& move, bool hidden) {
    // The reorganisation of this album folder.
    const std::size_t r = rng_.below(100);
    const std::string shownAlbum = hasAccent(album.title) && rng_.percent(50) ? unaccented(album.title) : album.title;
    const std::string year = " (" + std::to_string(album.year) + ")";
    std::string newFolder;
    if (r < 25)
      newFolder = safeName(move.shown + " - " + shownAlbum + year);
    else if (r < 35)
      newFolder = move.folder + "/" + safeName(shownAlbum + year);
    else
      newFolder = move.folder + "/" + safeName(rng_.percent(4) ? asciiCase(shownAlbum, rng_.percent(50)) : shownAlbum);
    Naming naming = drawNewNaming(rng_, album.naming);
    const bool mergeDiscs = album.discs > 1 && rng_.percent(50);
    if (mergeDiscs) naming = Naming::kDisc;
    const bool lowerNames = rng_.percent(5);
    const Format format = rng_.percent(12) ? reencoded(rng_, album.format) : album.format;
    const std::string oldFolder = artist + "/" + safeName(album.title);
    const std::size_t perDisc = album.tracks.size() / static_cast<std::size_t>(album.discs);
    for (std::size_t k = 0; k < album.tracks.size(); ++k) {
      const Track& track = album.tracks[k];
      const int disc = album.discs > 1 ? static_cast<int>(k / perDisc) + 1 : 0;
      const int number = static_cast<int>(album.discs > 1 ? k % perDisc : k) + 1;
      RealSong song;
      song.artist = artist;
      song.album = album.title;
      song.title = track.title;
      song.tags = track.tags;
      song.milliseconds = track.milliseconds;
      song.seconds = track.milliseconds / 1000;
      if (format != album.format && rng_.percent(30)) song.seconds += rng_.percent(50) ? 1 : -1;
      song.hidden = hidden;
      const std::string discFolder = disc == 0 ? "" : "CD " + std::to_string(disc) + "/";
      song.oldPath =
          oldFolder + "/" + discFolder + fileName(album.naming, disc, number, artist, track.title, album.format);
      std::string name = fileName(naming, disc, number, move.shown, track.title, format);
      if (lowerNames) name = asciiCase(name, false);
      const std::string newDisc = disc == 0 || mergeDiscs ? "" : "Disc " + std::to_string(disc) + "/";
      song.newPath = newFolder + "/" + newDisc + name;
      if (album.copyOf[k] != kNoCopy) {
        RealSong& original = library_.songs[album.copyOf[k]];
        original.hasCopy = song.hasCopy = true;
        song.tags = original.tags == SongTags::kDamaged ? SongTags::kFull : original.tags;
      }
      song.newArtist = song.artist;
      song.newTitle = song.title;
      song.newTags = song.tags;
      library_.songs.push_back(std::move(song));
    }
  }

  // Songs of [first, end) in the order drawn, distinct.
  std::vector<std::size_t> pickSongs(std::size_t first, std::size_t end, int count) {
    std::vector<std::size_t> picks;
    for (std::size_t k = first; k < end; ++k) picks.push_back(k);
    for (std::size_t i = picks.size(); i > 1; --i) std::swap(picks[i - 1], picks[rng_.below(i)]);
    picks.resize(std::min(picks.size(), static_cast<std::size_t>(count)));
    return picks;
  }

  Track trackOf(const RealSong& song) const { return {song.title, song.milliseconds, song.tags}; }

  // The same titles played live: longer, half of them titled "(Live)".
  void addLive(const std::string& artist, std::size_t first, std::size_t end, std::set<std::string>& titles, int year,
               const ArtistMove& move, bool hidden) {
    Album live;
    live.title = uniqueName(titles, [&] { return "Live at " + rng_.pick(kCities); });
    live.year = year;
    live.format = drawFormat(rng_);
    live.naming = drawOldNaming(rng_);
    live.discs = 1;
    std::set<std::string> used;
    for (const std::size_t k : pickSongs(first, end, rng_.between(8, 12))) {
      Track track = trackOf(library_.songs[k]);
      if (track.tags == SongTags::kDamaged) track.tags = SongTags::kFull;
      if (rng_.percent(50)) track.title += " (Live)";
      if (!used.insert(track.title).second) continue;
      const int longer = rng_.between(5, 60);
      track.milliseconds += longer * 1000 + static_cast<int>(rng_.below(1000));
      live.tracks.push_back(std::move(track));
    }
    live.copyOf.assign(live.tracks.size(), kNoCopy);
    addAlbum(artist, live, move, hidden);
  }

  // One album again, remastered: most titles unchanged and the length
  // within a second and a half, the rest titled "(Remastered)".
  void addRemaster(const std::string& artist, const Album& original, std::size_t first, const ArtistMove& move,
                   bool hidden) {
    Album remaster = original;
    remaster.title += " (Remastered)";
    remaster.year += rng_.between(10, 30);
    remaster.format = drawFormat(rng_);
    remaster.copyOf.assign(remaster.tracks.size(), kNoCopy);
    std::size_t k = first;
    while (library_.songs[k].album != original.title) ++k;
    for (std::size_t t = 0; t < remaster.tracks.size(); ++t) {
      Track& track = remaster.tracks[t];
      if (track.tags == SongTags::kDamaged) track.tags = SongTags::kFull;
      if (rng_.percent(40)) {
        track.title += " (Remastered)";
      } else {
        track.milliseconds += static_cast<int>(rng_.below(3000)) - 1500;
        library_.songs[k + t].hasCopy = true;  // the same title, the same length: as good as a copy
      }
    }
    addAlbum(artist, remaster, move, hidden);
    for (std::size_t t = 0; t < remaster.tracks.size(); ++t)
      if (!remaster.tracks[t].title.ends_with(" (Remastered)"))
        library_.songs[library_.songs.size() - remaster.tracks.size() + t].hasCopy = true;
  }

  // The artist's best songs again: the very same recordings.
  void addCompilation(const std::string& artist, std::size_t first, std::size_t end, std::set<std::string>& titles,
                      int year, const ArtistMove& move, bool hidden) {
    Album best;
    best.title = uniqueName(titles, [&] {
      return rng_.percent(50) ? std::string("Greatest Hits") : "The Best of " + artist;
    });
    best.year = year + rng_.between(1, 5);
    best.format = drawFormat(rng_);
    best.naming = drawOldNaming(rng_);
    best.discs = 1;
    std::set<std::string> used;
    for (const std::size_t k : pickSongs(first, end, rng_.between(8, 12))) {
      if (!used.insert(library_.songs[k].title).second) continue;
      best.tracks.push_back(trackOf(library_.songs[k]));
      best.copyOf.push_back(k);
    }
    addAlbum(artist, best, move, hidden);
  }

  // The album kept twice, in two formats, in folders told apart by a note.
  void addSecondFormat(const std::string& artist, const Album& original, const ArtistMove& move, bool hidden) {
    Album copy = original;
    copy.format = original.format == Format::kFlac ? Format::kMp3 : Format::kFlac;
    copy.title += original.format == Format::kFlac ? " [MP3]" : " [FLAC]";
    std::size_t k = library_.songs.size();
    while (library_.songs[k - 1].album != original.title) --k;
    copy.copyOf.clear();
    for (std::size_t t = 0; t < copy.tracks.size(); ++t) copy.copyOf.push_back(k - copy.tracks.size() + t);
    for (Track& track : copy.tracks)
      if (track.tags == SongTags::kDamaged) track.tags = SongTags::kFull;
    addAlbum(artist, copy, move, hidden);
  }

  // 5% of the songs go, never one whose recording stays elsewhere.
  void markDeleted() {
    for (RealSong& song : library_.songs)
      if (!song.hasCopy && rng_.percent(5)) song.newPath.clear();
  }

  Random rng_;
  RealLibrary library_;
};

const std::vector<std::string> kCompilations = {"Summer Hits", "Ultimate Love Songs", "Road Trip", "Pure Rock",
                                                "Chill Out",   "Café del Mar",        "Number Ones", "Indie Anthems"};
const std::vector<std::string> kVersionAlbums = {"Demos", "Acoustic Sessions", "BBC Sessions", "Unplugged",
                                                 "Rarities"};

std::string extensionIn(const std::string& path) { return path.substr(path.rfind('.')); }

// `path` with `from` in its file name replaced by `to` (as file names carry
// titles); unchanged when the name does not hold `from`.
std::string renamed(const std::string& path, const std::string& from, const std::string& to) {
  const std::size_t name = path.rfind('/') + 1;
  const std::size_t at = path.rfind(safeName(from));
  if (from.empty() || at == std::string::npos || at < name) return path;
  return path.substr(0, at) + safeName(to) + path.substr(at + safeName(from).size());
}

// `title` with two neighbouring lower-case letters swapped, as typed in a
// hurry; unchanged when it has no such pair.
std::string typo(Random& rng, const std::string& title) {
  std::vector<std::size_t> pairs;
  for (std::size_t k = 1; k + 1 < title.size(); ++k)
    if (title[k] >= 'a' && title[k] <= 'z' && title[k + 1] >= 'a' && title[k + 1] <= 'z' && title[k] != title[k + 1])
      pairs.push_back(k);
  if (pairs.empty()) return title;
  std::string out = title;
  const std::size_t k = pairs[rng.below(pairs.size())];
  std::swap(out[k], out[k + 1]);
  return out;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

bool tagged(const RealSong& song) { return song.tags == SongTags::kFull || song.tags == SongTags::kTitleOnly; }

// The mess of a library kept for years (see realistic.h), drawn from a
// stream of its own: the songs drawn before stay as they were.
class Mess {
 public:
  explicit Mess(std::uint64_t seed) : rng_(seed ^ 0x6d6573734c696272ull) {}

  void apply(RealLibrary& library) {
    songs_ = &library.songs;
    for (const RealSong& song : *songs_) {
      paths_.insert(song.oldPath);
      if (!song.newPath.empty()) paths_.insert(song.newPath);
    }
    // The other releases first: they carry the titles as they were before
    // any tag edit of the albums.
    const std::size_t drawn = songs_->size();
    for (std::size_t b = 0, e; b < drawn; b = e) {
      for (e = b + 1; e < drawn && (*songs_)[e].artist == (*songs_)[b].artist;) ++e;
      if (rng_.percent(10)) addSingle(b, e);
      if (rng_.percent(8)) addVersions(b, e);
    }
    std::set<std::string> titles;
    for (std::size_t n = std::max<std::size_t>(3, drawn / 200); n > 0; --n) addVarious(drawn, titles);
    for (std::size_t b = 0, e; b < drawn; b = e) {
      for (e = b + 1; e < drawn && sameAlbum((*songs_)[b], (*songs_)[e]);) ++e;
      const std::size_t r = rng_.below(100);
      if (r < 12) retag(b, e);
      else if (r < 18) misname(b, e);
    }
    for (RealSong& song : *songs_) messSong(song);
  }

 private:
  static bool sameAlbum(const RealSong& a, const RealSong& b) { return a.artist == b.artist && a.album == b.album; }

  // A tagger run on the album after the playlists were written: a remaster
  // edition's titles, a guest named, or typos and "&" fixed; half the time
  // the files are renamed to the new titles.
  void retag(std::size_t b, std::size_t e) {
    const std::size_t style = rng_.below(10);
    const bool renameFiles = rng_.percent(50);
    if (style < 4) {
      const std::string year = std::to_string(rng_.between(2009, 2016));
      const std::string suffix = rng_.percent(50) ? " (Remastered " + year + ")" : " - " + year + " Remaster";
      for (std::size_t k = b; k < e; ++k)
        if (tagged((*songs_)[k])) (*songs_)[k].newTitle += suffix;
    } else if (style < 7) {
      for (int n = rng_.between(1, 2); n > 0; --n) {
        RealSong& song = (*songs_)[b + rng_.below(e - b)];
        std::string guest = rng_.pick(kFirstNames);
        guest += " " + rng_.pick(kLastNames);
        if (song.tags == SongTags::kFull && rng_.percent(50))
          song.newArtist = song.artist + " feat. " + guest;
        else if (tagged(song) && song.newTitle == song.title)
          song.newTitle += " (feat. " + guest + ")";
      }
    } else {
      for (std::size_t k = b; k < e; ++k)
        (*songs_)[k].newArtist = replaced((*songs_)[k].newArtist, " & ", " and ");
      for (int n = rng_.between(1, 2); n > 0; --n) {
        RealSong& song = (*songs_)[b + rng_.below(e - b)];
        if (tagged(song) && song.newTitle == song.title) song.title = typo(rng_, song.title);
      }
    }
    if (!renameFiles) return;
    for (std::size_t k = b; k < e; ++k) {
      RealSong& song = (*songs_)[k];
      if (tagged(song) && !song.newPath.empty()) rename(song.newPath, song.title, song.newTitle);
    }
  }

  // Files named by something else than the tags: titles in sentence case,
  // half the time with " (Remastered)"; the names kept through the move.
  void misname(std::size_t b, std::size_t e) {
    const bool remastered = rng_.percent(50);
    for (std::size_t k = b; k < e; ++k) {
      RealSong& song = (*songs_)[k];
      if (!tagged(song)) continue;
      std::string name = song.title.substr(0, 1) + asciiCase(song.title.substr(1), false);
      if (remastered) name += " (Remastered)";
      rename(song.oldPath, song.title, name);
      if (!song.newPath.empty()) rename(song.newPath, song.title, name);
    }
  }

  // `path` renamed (renamed()), unless another song has the new name.
  void rename(std::string& path, const std::string& from, const std::string& to) {
    std::string moved = renamed(path, from, to);
    if (moved != path && paths_.insert(moved).second) path = std::move(moved);
  }

  // A re-encoded song 1 to 3 seconds longer (padding) or without its tags;
  // a playlist line from an older tag edit.
  void messSong(RealSong& song) {
    if (!song.newPath.empty() && extensionIn(song.newPath) != extensionIn(song.oldPath) && tagged(song)) {
      if (rng_.percent(35)) {
        const std::size_t r = rng_.below(10);
        song.seconds += r < 5 ? 1 : r < 8 ? 2 : 3;
      }
      if (rng_.percent(15)) song.newTags = SongTags::kNone;
    }
    if (song.tags != SongTags::kFull || !rng_.percent(4)) return;
    const std::size_t r = rng_.below(4);
    if (r < 2)
      song.listedTitle = typo(rng_, song.title);
    else if (r == 2 && song.artist.starts_with("The "))
      song.listedArtist = song.artist.substr(4);
    else
      song.listedTitle = song.title + " (Album Version)";
  }

  // Songs of [b, e) fit to be copied or played again: tagged in full and
  // still there.
  std::vector<std::size_t> sources(std::size_t b, std::size_t e, std::size_t count) {
    std::vector<std::size_t> fit;
    for (std::size_t k = b; k < e; ++k)
      if ((*songs_)[k].tags == SongTags::kFull && !(*songs_)[k].newPath.empty()) fit.push_back(k);
    for (std::size_t i = fit.size(); i > 1; --i) std::swap(fit[i - 1], fit[rng_.below(i)]);
    fit.resize(std::min(fit.size(), count));
    return fit;
  }

  // The folder of a new album of `artist`: at the root as "Artist - Album
  // (Year)", or in the artist's new folder when the library has one.
  std::string newFolder(std::size_t b, std::size_t e, const std::string& album, int year) {
    const std::string& artist = (*songs_)[b].artist;
    if (rng_.percent(50))
      for (std::size_t k = b; k < e; ++k) {
        const std::string& path = (*songs_)[k].newPath;
        const std::size_t slash = path.find('/');
        if (slash != std::string::npos && path.find(" - ") > slash && path.find('/', slash + 1) != std::string::npos)
          return path.substr(0, slash) + "/" + safeName(album);
      }
    return safeName(artist + " - " + album + " (" + std::to_string(year) + ")");
  }

  // Adds `song` unless one of its paths is taken.
  void add(RealSong song) {
    if (paths_.count(song.oldPath) || (!song.newPath.empty() && paths_.count(song.newPath))) return;
    paths_.insert(song.oldPath);
    if (!song.newPath.empty()) paths_.insert(song.newPath);
    song.newArtist = song.artist;
    song.newTitle = song.title;
    song.newTags = song.tags;
    songs_->push_back(std::move(song));
  }

  RealSong copyOf(std::size_t k, const std::string& album) {
    RealSong& original = (*songs_)[k];
    RealSong song;
    song.artist = original.artist;
    song.album = album;
    song.title = original.title;
    song.milliseconds = original.milliseconds;
    song.seconds = original.milliseconds / 1000;
    song.hidden = original.hidden;
    return song;
  }

  // A single of one song of the artist's [b, e): the album's recording (the
  // same title, artist and length), and half the time a radio edit titled
  // the same, shorter.
  void addSingle(std::size_t b, std::size_t e) {
    const std::vector<std::size_t> picked = sources(b, e, 1);
    if (picked.empty()) return;
    const std::size_t k = picked.front();
    const std::string title = (*songs_)[k].title;
    const std::string album = title + (rng_.percent(50) ? " (Single)" : " - Single");
    const std::string folder = newFolder(b, e, album, rng_.between(1990, 2015));
    const std::string format = rng_.percent(70) ? ".mp3" : ".flac";
    RealSong song = copyOf(k, album);
    song.oldPath = song.artist + "/" + safeName(album) + "/01 " + safeName(title) + format;
    song.newPath = folder + "/01 - " + safeName(title) + format;
    const std::size_t before = songs_->size();
    add(song);
    if (songs_->size() > before) (*songs_)[k].hasCopy = songs_->back().hasCopy = true;
    if (!rng_.percent(50)) return;
    song.hasCopy = false;
    song.milliseconds = std::max(60000, song.milliseconds - rng_.between(30, 70) * 1000);
    song.seconds = song.milliseconds / 1000;
    song.oldPath = song.artist + "/" + safeName(album) + "/02 " + safeName(title) + format;
    song.newPath = rng_.percent(5) ? "" : folder + "/02 - " + safeName(title) + format;
    add(std::move(song));
  }

  // Other recordings of some of the artist's songs, titled the same and
  // within 2.5 seconds of their lengths: demos, sessions, live takes.
  void addVersions(std::size_t b, std::size_t e) {
    const std::string album = rng_.pick(kVersionAlbums);
    const std::string folder = newFolder(b, e, album, rng_.between(1990, 2015));
    const std::string format = rng_.percent(70) ? ".mp3" : ".flac";
    int number = 0;
    for (const std::size_t k : sources(b, e, static_cast<std::size_t>(rng_.between(3, 6)))) {
      RealSong song = copyOf(k, album);
      song.milliseconds = std::max(1000, song.milliseconds + static_cast<int>(rng_.below(5001)) - 2500);
      song.seconds = song.milliseconds / 1000;
      const std::string name = twoDigits(++number) + " " + safeName(song.title) + format;
      song.oldPath = song.artist + "/" + safeName(album) + "/" + name;
      song.newPath = rng_.percent(5) ? "" : folder + "/" + name;
      add(std::move(song));
    }
  }

  // A "Various Artists" compilation of songs of the first `drawn`: the same
  // recordings, each tagged with its own artist.
  void addVarious(std::size_t drawn, std::set<std::string>& titles) {
    const int year = rng_.between(1995, 2015);
    const std::string title = uniqueName(titles, [&] {
      const std::string name = rng_.pick(kCompilations);
      return name + (rng_.percent(50) ? " " + std::to_string(year) : " Vol. " + std::to_string(rng_.between(1, 9)));
    });
    const std::size_t r = rng_.below(3);
    const std::string oldFolder = (rng_.percent(60) ? "Various Artists/" : "Compilations/") + safeName(title);
    const std::string newFolder = r == 0   ? "Various Artists - " + safeName(title) + " (" + std::to_string(year) + ")"
                                  : r == 1 ? "Compilations/" + safeName(title)
                                           : "Various Artists/" + safeName(title);
    const bool oldArtistFirst = rng_.percent(50), newTitleOnly = rng_.percent(30);
    int number = 0;
    for (const std::size_t k : sources(0, drawn, static_cast<std::size_t>(rng_.between(12, 18)))) {
      RealSong song = copyOf(k, title);
      song.hidden = false;
      const std::string n = twoDigits(++number), artist = safeName(song.artist), name = safeName(song.title);
      song.oldPath = oldFolder + "/" + n + (oldArtistFirst ? " " + artist + " - " : " - ") + name + ".mp3";
      song.newPath = newFolder + "/" + n + " - " + (newTitleOnly ? "" : artist + " - ") + name + ".mp3";
      const std::size_t before = songs_->size();
      add(std::move(song));
      if (songs_->size() > before) (*songs_)[k].hasCopy = songs_->back().hasCopy = true;
    }
  }

  Random rng_;
  std::vector<RealSong>* songs_ = nullptr;
  std::set<std::string> paths_;
};

const std::string& listedTitle(const RealSong& song) {
  return song.listedTitle.empty() ? song.title : song.listedTitle;
}

const std::string& listedArtist(const RealSong& song) {
  return song.listedArtist.empty() ? song.artist : song.listedArtist;
}

std::string displayName(const RealSong& song) {
  switch (song.tags) {
    case SongTags::kFull: return listedArtist(song) + " - " + listedTitle(song);
    case SongTags::kTitleOnly: return listedTitle(song);
    default: {
      // Players show a song without tags by its file name.
      const std::string name = song.oldPath.substr(song.oldPath.rfind('/') + 1);
      return name.substr(0, name.rfind('.'));
    }
  }
}

// The length players write in whole seconds: rounded; -1 when they could
// not read the file.
int playerSeconds(const RealSong& song) {
  return song.tags == SongTags::kDamaged ? -1 : (song.milliseconds + 500) / 1000;
}

std::string extinfLine(const RealSong& song) {
  return "#EXTINF:" + std::to_string(playerSeconds(song)) + "," + displayName(song);
}

// `text` in Windows-1252, or none when it holds a character that set lacks.
std::optional<std::string> windows1252(const std::string& text) {
  const iconv_t cd = iconv_open("WINDOWS-1252", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv cannot write Windows-1252");
  std::string out(text.size(), '\0');
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size(), outLeft = out.size();
  char* target = out.data();
  const bool ok = iconv(cd, &in, &inLeft, &target, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

std::string xmlEscaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out += c;
  }
  return out;
}

void writeFile(const std::string& fileName, const std::string& bytes) {
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + fileName);
}

std::string xspfOf(const RealLibrary& library, const std::vector<std::size_t>& songs) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<playlist xmlns=\"http://xspf.org/ns/0/\" xmlns:vlc=\"http://www.videolan.org/vlc/playlist/ns/0/\" "
      "version=\"1\">\n\t<title>Playlist</title>\n\t<trackList>\n";
  for (std::size_t n = 0; n < songs.size(); ++n) {
    const RealSong& song = library.songs[songs[n]];
    text += "\t\t<track>\n\t\t\t<location>" + xmlEscaped(kw::fileUri(std::string(kOldRoot) + "/" + song.oldPath)) +
            "</location>\n";
    if (song.tags == SongTags::kFull || song.tags == SongTags::kTitleOnly)
      text += "\t\t\t<title>" + xmlEscaped(listedTitle(song)) + "</title>\n";
    else
      text += "\t\t\t<title>" + xmlEscaped(song.oldPath.substr(song.oldPath.rfind('/') + 1)) + "</title>\n";
    if (song.tags == SongTags::kFull) text += "\t\t\t<creator>" + xmlEscaped(listedArtist(song)) + "</creator>\n";
    if (song.tags != SongTags::kDamaged)
      text += "\t\t\t<duration>" + std::to_string(song.milliseconds) + "</duration>\n";
    text += "\t\t\t<extension application=\"http://www.videolan.org/vlc/playlist/0\">\n\t\t\t\t<vlc:id>" +
            std::to_string(n) + "</vlc:id>\n\t\t\t</extension>\n\t\t</track>\n";
  }
  return text + "\t</trackList>\n</playlist>\n";
}

}  // namespace

RealLibrary makeRealLibrary(std::size_t songs, std::uint64_t seed, bool messy) {
  RealLibrary library = Builder(seed).build(songs);
  if (messy) Mess(seed).apply(library);
  return library;
}

void writeMusicFolder(const RealLibrary& library, const std::string& root) {
  for (const RealSong& song : library.songs) {
    if (song.newPath.empty()) continue;
    const std::string path = root + "/" + song.newPath;
    std::filesystem::create_directories(path.substr(0, path.rfind('/')));
    if (song.newTags == SongTags::kDamaged) {
      std::string noise(700, '\0');
      for (std::size_t k = 0; k < noise.size(); ++k) noise[k] = static_cast<char>((k * 167 + 13) % 251);
      writeFile(path, noise);
      continue;
    }
    trackmend_test::AudioSpec spec;
    if (song.newTags != SongTags::kNone) spec.title = song.newTitle;
    if (song.newTags == SongTags::kFull) spec.artist = song.newArtist;
    spec.seconds = song.seconds;
    trackmend_test::writeAudioFile(path, spec);
  }
}

std::vector<RealPlaylist> writeRealPlaylists(const RealLibrary& library, const std::string& newRoot,
                                             const std::string& folder, std::size_t entries, std::uint64_t seed) {
  Random rng(seed);
  std::vector<RealPlaylist> lists = {
      {PlaylistKind::kExtinf, "extended M3U", folder + "/favourites.m3u", {}},
      {PlaylistKind::kRelative, "relative M3U8, no #EXTINF", newRoot + "/Playlists/car.m3u8", {}},
      {PlaylistKind::kWindows, "D:\\Music M3U, Windows-1252", folder + "/winamp.m3u", {}},
      {PlaylistKind::kFileUri, "file:// M3U, no #EXTINF", folder + "/gnome.m3u", {}},
      {PlaylistKind::kXspf, "XSPF", folder + "/vlc.xspf", {}},
  };
  std::filesystem::create_directories(newRoot + "/Playlists");
  for (RealPlaylist& list : lists) {
    std::vector<std::size_t> order(library.songs.size());
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = k;
    for (std::size_t i = order.size(); i > 1; --i) std::swap(order[i - 1], order[rng.below(i)]);
    std::string text;
    if (list.kind == PlaylistKind::kExtinf || list.kind == PlaylistKind::kWindows)
      text = list.kind == PlaylistKind::kWindows ? "#EXTM3U\r\n" : "#EXTM3U\n";
    for (std::size_t k = 0; k < order.size() && list.songs.size() < entries; ++k) {
      const RealSong& song = library.songs[order[k]];
      switch (list.kind) {
        case PlaylistKind::kExtinf:
          text += extinfLine(song) + "\n" + kOldRoot + "/" + song.oldPath + "\n";
          break;
        case PlaylistKind::kRelative:
          text += "../" + song.oldPath + "\n";
          break;
        case PlaylistKind::kWindows: {
          std::string path = "D:\\Music\\" + song.oldPath;
          std::replace(path.begin(), path.end(), '/', '\\');
          const std::optional<std::string> bytes = windows1252(extinfLine(song) + "\r\n" + path + "\r\n");
          if (!bytes) continue;
          text += *bytes;
          break;
        }
        case PlaylistKind::kFileUri:
          text += kw::fileUri(std::string(kOldRoot) + "/" + song.oldPath) + "\n";
          break;
        case PlaylistKind::kXspf:
          break;
      }
      list.songs.push_back(order[k]);
    }
    if (list.kind == PlaylistKind::kXspf) text = xspfOf(library, list.songs);
    writeFile(list.fileName, text);
  }
  return lists;
}

}  // namespace bench
