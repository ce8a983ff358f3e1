#include "bench/generator.h"

#include <fstream>
#include <set>
#include <stdexcept>
#include <utility>

namespace bench {
namespace {

// Word pools. Invented names; a few UTF-8 ones so that bytes from 0x80 up
// take part in every comparison, as they do in real libraries.
const std::vector<std::string> kAdjectives = {
    "Black", "Silver", "Electric", "Broken", "Velvet", "Golden", "Hollow", "Crimson", "Quiet",
    "Neon", "Wild", "Frozen", "Lonely", "Burning", "Paper", "Iron", "Little", "Secret", "Blue",
    "Northern", "Sonic", "Midnight", "Lazy", "Royal", "Distant", "Fallen", "Bright", "Stone",
    "Glass", "Cosmic", "Rusty", "Sleepy", "Savage", "Gentle", "Early", "Perfect", "Strange",
    "Dusty", "Café", "Über", "Señor", "Cœur", "Jäger", "Ñu", "Fjäll"};
const std::vector<std::string> kNouns = {
    "Rivers", "Engines", "Owls", "Machines", "Horses", "Ghosts", "Harbours", "Lights", "Mirrors",
    "Wolves", "Sailors", "Foxes", "Kings", "Gardens", "Satellites", "Echoes", "Pilots", "Tigers",
    "Shadows", "Bells", "Clouds", "Wires", "Sparrows", "Islands", "Brothers", "Sisters", "Radios",
    "Saints", "Trains", "Mountains", "Pianos", "Drums", "Thieves", "Doctors", "Lanterns",
    "Monkeys", "Orchids", "Comets", "Dreamers", "Mädchen", "Straße", "Øresund", "Москва",
    "夜明け", "Ελλάδα", "Łąka"};
const std::vector<std::string> kFirstNames = {
    "Anna", "Ben", "Clara", "David", "Elena", "Frank", "Greta", "Hugo", "Ida", "Jonas", "Karla",
    "Leo", "Mira", "Nils", "Olga", "Paul", "Rosa", "Sam", "Tara", "Ugo", "Vera", "Walter",
    "Xenia", "Yann", "Zoë", "José", "Åsa", "Søren", "Małgorzata", "Иван", "Chloé", "Jürgen"};
const std::vector<std::string> kLastNames = {
    "Adler", "Baker", "Castell", "Dorn", "Eriksen", "Fontaine", "Gray", "Hart", "Ivanova",
    "Jansen", "Keller", "Lindqvist", "Moreau", "Novak", "Okafor", "Petrov", "Quinn", "Reyes",
    "Schmidt", "Tanaka", "Umberto", "Varga", "Weiss", "Young", "Zimmer", "Müller", "Núñez",
    "Ødegaard", "Kowalczyk", "Smirnova", "Brontë", "García"};
const std::vector<std::string> kTitleWords = {
    "Love", "Night", "Rain", "Home", "Fire", "Heart", "Dance", "Road", "Summer", "Winter",
    "Song", "Time", "Light", "Dream", "Ocean", "City", "Morning", "Stars", "Blue", "Run",
    "Tonight", "Forever", "Alone", "Together", "Again", "Away", "Down", "Up", "Gold", "Wind",
    "River", "Train", "Sky", "Eyes", "Hands", "Kiss", "Radio", "Ghost", "Angel", "Devil",
    "Sweet", "Cold", "Hot", "Slow", "Fast", "Last", "First", "Little", "Big", "Lost", "Found",
    "Goodbye", "Hello", "Tomorrow", "Yesterday", "Paradise", "Highway", "Thunder", "Silence",
    "Memory", "Island", "Shadow", "Mirror", "Window", "Garden", "Letter", "Story", "Friend",
    "Stranger", "Lullaby", "Blues", "Waltz", "Boogie", "Anthem", "Machine", "Desert", "Storm",
    "Hurricane", "Bird", "Wolf", "Moon", "Sun", "Star", "Girl", "Boy", "Man", "Woman", "Child",
    "Mother", "Father", "Rock", "Roll", "Soul", "Fever", "Sugar", "Honey", "Candy", "Velvet",
    "Smoke", "Whisky", "Coffee", "Morgenrot", "Été", "Corazón", "Noël", "Sehnsucht", "Fiesta",
    "Amour", "Liebe", "Soleil", "Mañana", "Ça", "Därför", "Любовь", "Ночь", "Sakura", "月"};
const std::vector<std::string> kAlbumWords = {
    "Songs", "Stories", "Tales", "Nights", "Days", "Years", "Sessions", "Letters", "Roads",
    "Colours", "Waves", "Signals", "Rooms", "Seasons", "Maps", "Hymns", "Ballads", "Visions"};
const std::vector<std::string> kTitleSuffixes = {
    " (Live)", " (Remastered)", " (Acoustic)", " (Radio Edit)", " Part 2", " (Demo)",
    " (Extended Mix)", " No. 5", " (feat. Anna Dorn)", " [Bonus Track]"};
const std::vector<std::string> kExtensions = {".mp3", ".mp3", ".mp3", ".mp3", ".flac", ".ogg",
                                              ".m4a"};
const std::vector<std::string> kOldPosixRoots = {"/mnt/old_disk/mp3/", "/home/user/Music/",
                                                 "/media/usb/Musik/"};
const std::vector<std::string> kOldWindowsRoots = {"D:\\Old Music\\mp3\\", "E:\\Audio\\",
                                                   "C:\\Documents and Settings\\user\\My Music\\"};

std::string joinWords(Random& rng, const std::vector<std::string>& pool, int words) {
  std::string text;
  for (int i = 0; i < words; ++i) {
    if (i > 0) text += ' ';
    text += rng.pick(pool);
  }
  return text;
}

// Each draw is its own statement: the operands of '+' are evaluated in an
// unspecified order, and the output must not depend on the compiler.
std::string makeArtist(Random& rng) {
  std::size_t pattern = rng.below(6);
  std::string a = rng.pick(pattern == 2 || pattern == 3 ? kFirstNames : kAdjectives);
  std::string b = rng.pick(pattern == 2 || pattern == 3 || pattern >= 4 ? kLastNames : kNouns);
  switch (pattern) {
    case 0: return "The " + a + " " + b;
    case 1: return a + " " + b;
    case 2: return a + " " + b;
    case 3: return a + " " + b + " & the " + rng.pick(kNouns);
    case 4: return b + " " + std::to_string(rng.between(2, 99));
    default: return "DJ " + a + b;
  }
}

std::string makeAlbum(Random& rng, int number) {
  switch (rng.below(5)) {
    case 0: {
      std::string year = std::to_string(rng.between(1965, 2012));
      return year + " - " + joinWords(rng, kTitleWords, 2);
    }
    case 1: {
      std::string adjective = rng.pick(kAdjectives);
      return adjective + " " + rng.pick(kAlbumWords);
    }
    case 2: return joinWords(rng, kTitleWords, rng.between(1, 3));
    case 3: return "Vol. " + std::to_string(number + 1);
    default: {
      std::string words = rng.pick(kAlbumWords);
      return words + " of " + rng.pick(kTitleWords);
    }
  }
}

std::string makeTitle(Random& rng) {
  std::string title = joinWords(rng, kTitleWords, rng.between(1, 4));
  if (rng.percent(10)) title += rng.pick(kTitleSuffixes);
  return title;
}

std::string twoDigits(int n) {
  return std::string(1, static_cast<char>('0' + n / 10 % 10)) + static_cast<char>('0' + n % 10);
}

// Fits the title so that the whole path is 60 to 120 bytes, by whole words.
std::string fitTitle(Random& rng, std::string title, std::size_t fixedBytes) {
  while (fixedBytes + title.size() < 60) title += " " + rng.pick(kTitleWords);
  while (fixedBytes + title.size() > 120) {
    std::size_t blank = title.rfind(' ');
    if (blank == std::string::npos || blank == 0) {
      title = "Song";
      break;
    }
    title.erase(blank);
  }
  return title;
}

std::string uniqueName(Random& rng, std::set<std::string>& used, std::string (*make)(Random&)) {
  for (int attempt = 0;; ++attempt) {
    std::string name = make(rng);
    if (attempt >= 8) name += " " + std::to_string(attempt);
    if (used.insert(name).second) return name;
  }
}

void addAlbum(Library& library, Random& rng, const std::string& artist, int albumNumber,
              std::set<std::string>& albums, std::size_t limit) {
  std::string album = makeAlbum(rng, albumNumber);
  while (!albums.insert(album).second) album += " II";
  int tracks = rng.between(6, 16);
  std::size_t dirBytes = library.root.size() + artist.size() + album.size() + 2;
  std::set<std::string> fileNames;
  for (int track = 1; track <= tracks && library.songs.size() < limit; ++track) {
    Song song;
    song.artist = artist;
    song.album = album;
    std::string ext = rng.pick(kExtensions);
    // A song heard before, a little earlier in the library: the live versions,
    // compilations and second copies a duplicate finder is for.
    const Song* earlier = nullptr;
    if (rng.percent(5) && !library.songs.empty())
      earlier = &library.songs[library.songs.size() - 1 - rng.below(std::min<std::size_t>(library.songs.size(), 40))];
    std::string number = twoDigits(track);
    if (earlier != nullptr) {
      song.title = earlier->title;
      const int drift = rng.between(-3, 3);
      song.seconds = earlier->seconds == 0 ? 0 : earlier->seconds + drift;
      if (earlier->album != album && rng.percent(50)) {
        number = earlier->fileName.substr(0, 2);
        ext = earlier->fileName.substr(earlier->fileName.rfind('.'));
      }
    } else {
      song.title = makeTitle(rng);
      // A length the tags did not give reads as 0, which means "unknown".
      song.seconds = rng.percent(1) ? 0 : rng.between(90, 600);
    }
    song.title = fitTitle(rng, song.title, dirBytes + 5 + ext.size());
    song.fileName = number + " - " + song.title + ext;
    for (int take = 2; !fileNames.insert(song.fileName).second; ++take)
      song.fileName = twoDigits(track) + " - " + song.title + " (take " + std::to_string(take) + ")" + ext;
    library.songs.push_back(std::move(song));
  }
}

// Damage applied to a broken entry, step by step.
struct Parts {
  std::string root, artist, album, fileName, title;
  int seconds;
};

std::string recase(const std::string& name, bool upper) {
  std::string out = name;
  for (char& c : out) {
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string renameDir(Random& rng, const std::string& name) {
  switch (rng.below(5)) {
    case 0:
      if (name.compare(0, 4, "The ") == 0) return name.substr(4) + ", The";
      return "The " + name;
    case 1: {
      std::string out = name;
      for (char& c : out) if (c == ' ') c = '_';
      return out;
    }
    case 2: return name + " [" + std::to_string(rng.between(1990, 2010)) + "]";
    case 3: {
      std::size_t amp = name.find(" & ");
      if (amp != std::string::npos) return name.substr(0, amp) + " and" + name.substr(amp + 2);
      return name + " (Disc 1)";
    }
    default: {
      std::size_t blank = name.find(' ');
      if (blank == std::string::npos) return name + "s";
      return name.substr(blank + 1) + " " + name.substr(0, blank);
    }
  }
}

std::string renameFile(Random& rng, const std::string& fileName) {
  std::size_t dot = fileName.rfind('.');
  std::string stem = fileName.substr(0, dot);
  std::string ext = fileName.substr(dot);
  switch (rng.below(6)) {
    case 0: return stem.substr(stem[0] == '0' ? 1 : 0) + ext;    // "07 - x" -> "7 - x"
    case 1: return stem.substr(0, 2) + ". " + stem.substr(5) + ext;  // "07. x"
    case 2: {
      for (char& c : stem) if (c == ' ') c = '_';
      return stem + ext;
    }
    case 3: return stem.substr(5) + ext;  // the track number dropped
    case 4: return stem + (ext == ".mp3" ? ".ogg" : ".mp3");
    default: {
      std::size_t at = 5 + rng.below(stem.size() - 5);
      while (at > 5 && (static_cast<unsigned char>(stem[at]) & 0xC0) == 0x80) --at;  // whole UTF-8 letters
      std::size_t len = 1;
      while (at + len < stem.size() && (static_cast<unsigned char>(stem[at + len]) & 0xC0) == 0x80) ++len;
      return stem.substr(0, at) + stem.substr(at + len) + ext;  // a letter lost
    }
  }
}

void damage(Random& rng, const BrokenSpec& spec, Parts& parts) {
  unsigned total = spec.renamedDirWeight + spec.recasedDirWeight + spec.renamedFileWeight +
                   spec.rootOnlyWeight;
  std::size_t draw = total == 0 ? 0 : rng.below(total);
  if (draw < spec.renamedDirWeight) {
    std::string& dir = rng.percent(50) ? parts.artist : parts.album;
    dir = renameDir(rng, dir);
  } else if ((draw -= spec.renamedDirWeight) < spec.recasedDirWeight) {
    bool upper = rng.percent(50);
    if (rng.percent(50)) parts.artist = recase(parts.artist, upper);
    else parts.album = recase(parts.album, upper);
    if (rng.percent(30)) parts.fileName = recase(parts.fileName, upper);
  } else if ((draw -= spec.recasedDirWeight) < spec.renamedFileWeight) {
    parts.fileName = renameFile(rng, parts.fileName);
  }
  if (rng.percent(10)) parts.seconds += rng.between(-2, 2);
}

}  // namespace

std::uint64_t Random::next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::string Library::path(const Song& song) const {
  std::string sep(1, separator());
  return root + song.artist + sep + song.album + sep + song.fileName;
}

std::string Library::extInfo(const Song& song) {
  return "#EXTINF:" + std::to_string(song.seconds) + "," + song.artist + " - " + song.title;
}

kw::PlayList Library::playlist(const std::string& fileName) const {
  kw::PlayList list(fileName);
  list.entries.reserve(songs.size());
  for (const Song& song : songs) list.entries.emplace_back(path(song), extInfo(song));
  return list;
}

Library makeLibrary(const LibrarySpec& spec) {
  Random rng(spec.seed);
  Library library;
  library.style = spec.style;
  library.root = spec.style == PathStyle::kWindows ? "C:\\Music\\" : "/music/";
  library.songs.reserve(spec.songs);
  std::set<std::string> artists;
  while (library.songs.size() < spec.songs) {
    std::string artist = uniqueName(rng, artists, makeArtist);
    std::set<std::string> albums;
    int albumCount = rng.between(1, 5);
    for (int a = 0; a < albumCount && library.songs.size() < spec.songs; ++a)
      addAlbum(library, rng, artist, a, albums, spec.songs);
  }
  return library;
}

kw::PlayList makeBrokenPlaylist(const Library& library, const BrokenSpec& spec,
                                const std::string& fileName,
                                std::vector<std::optional<std::size_t>>* origins) {
  Random rng(spec.seed);
  // Fisher-Yates over the song indices; the first `entries` are the playlist.
  std::vector<std::size_t> order(library.songs.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  for (std::size_t i = order.size(); i > 1; --i) std::swap(order[i - 1], order[rng.below(i)]);

  const std::vector<std::string>& oldRoots =
      library.style == PathStyle::kWindows ? kOldWindowsRoots : kOldPosixRoots;
  std::string oldRoot = oldRoots[rng.below(oldRoots.size())];
  std::string sep(1, library.separator());
  std::set<std::string> artists;  // invented artists of dropped songs never collide
  kw::PlayList list(fileName);
  for (std::size_t e = 0; e < spec.entries && !order.empty(); ++e) {
    const std::size_t origin = order[e % order.size()];
    const Song& song = library.songs[origin];
    Parts parts{library.root, song.artist, song.album, song.fileName, song.title, song.seconds};
    bool gone = false;
    if (!rng.percent(spec.validPercent)) {
      bool moved = rng.percent(spec.movedRootPercent);
      if (moved) parts.root = oldRoot;
      if (rng.percent(spec.droppedWeight)) {
        gone = true;
        parts.artist = uniqueName(rng, artists, makeArtist) + " (gone)";
        parts.title = makeTitle(rng);
        parts.fileName = twoDigits(rng.between(1, 14)) + " - " + parts.title + ".mp3";
        parts.seconds = rng.between(90, 600);  // another song, another length
      } else {
        BrokenSpec mustChange = spec;
        if (!moved) mustChange.rootOnlyWeight = 0;
        damage(rng, mustChange, parts);
      }
    }
    std::string path = parts.root + parts.artist + sep + parts.album + sep + parts.fileName;
    std::string info;
    if (rng.percent(spec.extInfoPercent))
      info = "#EXTINF:" + std::to_string(parts.seconds) + "," + song.artist + " - " + parts.title;
    list.entries.emplace_back(std::move(path), info);
    if (origins) origins->push_back(gone ? std::nullopt : std::optional<std::size_t>(origin));
  }
  return list;
}

void writeM3u(const kw::PlayList& list, const std::string& fileName) {
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + fileName);
  bool extended = false;
  for (const kw::PlaylistEntry& entry : list.entries) extended = extended || entry.extInfo;
  std::string block;
  if (extended) block += "#EXTM3U\n";
  for (const kw::PlaylistEntry& entry : list.entries) {
    if (entry.deleted) continue;
    if (entry.extInfo) block += *entry.extInfo + "\n";
    block += entry.path + "\n";
    if (block.size() > (1u << 20)) {
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
      block.clear();
    }
  }
  out.write(block.data(), static_cast<std::streamsize>(block.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + fileName);
}

std::uint64_t fingerprint(const kw::PlayList& list) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  auto mix = [&hash](const std::string& text) {
    for (unsigned char c : text) hash = (hash ^ c) * 0x100000001b3ull;
    hash = (hash ^ 0xFF) * 0x100000001b3ull;
  };
  for (const kw::PlaylistEntry& entry : list.entries) {
    mix(entry.path);
    mix(entry.extInfo ? *entry.extInfo : std::string());
  }
  return hash;
}

}  // namespace bench
