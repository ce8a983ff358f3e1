#include "repair/identity.h"

#include <algorithm>
#include <cstdlib>
#include <span>

#include "playlist/numbers.h"
#include "playlist/signatures.h"
#include "playlist/xml_text.h"
#include "repair/fold_table.h"

namespace kw {
namespace {

// Characters outside ASCII that separate words: Latin-1 signs, modifier
// letters used as apostrophes, general and supplemental punctuation,
// currency, arrows, mathematical and other symbols, CJK and full-width
// punctuation, the emoji, and the tags and private use of the last planes
// (the ideographs of planes 2 and 3 are letters).
bool isSeparator(char32_t c) {
  return (c >= 0x80 && c <= 0xBF) || c == 0xD7 || c == 0xF7 || (c >= 0x2B0 && c <= 0x2FF) ||
         (c >= 0x2000 && c <= 0x206F) || (c >= 0x20A0 && c <= 0x20CF) || (c >= 0x2190 && c <= 0x2BFF) ||
         (c >= 0x2E00 && c <= 0x2E7F) || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFE10 && c <= 0xFE1F) ||
         (c >= 0xFE30 && c <= 0xFE6F) || (c >= 0xFF00 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) ||
         (c >= 0xFF3B && c <= 0xFF40) || (c >= 0xFF5B && c <= 0xFF65) || (c >= 0x1F000 && c <= 0x1FFFF) ||
         c >= 0xE0000;
}

bool isDroppedMark(char32_t c) {
  for (const MarkRange& range : droppedMarks())
    if (c >= range.first && c <= range.last) return true;
  return false;
}

// What the letter `c` folds to, or nothing when it stays as it is.
std::optional<std::string_view> foldedLetter(char32_t c) {
  const std::span<const FoldedLetter> letters = foldedLetters();
  if (c > 0xFFFF) return std::nullopt;
  const auto at = std::partition_point(letters.begin(), letters.end(),
                                       [&](const FoldedLetter& l) { return l.letter < c; });
  if (at == letters.end() || at->letter != c) return std::nullopt;
  return std::string_view(at->folded);
}

// The code point at `at` of well-formed UTF-8, stepping past it.
char32_t nextCodePoint(std::string_view text, std::size_t& at) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return text[at++];
  const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
  char32_t c = lead & (0x3F >> more);
  for (int k = 1; k <= more; ++k) c = (c << 6) | (byte(at + static_cast<std::size_t>(k)) & 0x3F);
  at += static_cast<std::size_t>(more) + 1;
  return c;
}

// Folds well-formed UTF-8, appending to one string only.
std::string foldedUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool blank = false;  // a separator is pending
  const auto startLetters = [&] {
    if (blank && !out.empty()) out += ' ';
    blank = false;
  };
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t begin = at;
    const char32_t c = nextCodePoint(text, at);
    if (c < 0x80) {
      const char a = static_cast<char>(c);
      if (a == '&') {
        startLetters();
        out += "and";
      } else if ((a >= '0' && a <= '9') || (a >= 'a' && a <= 'z') || (a >= 'A' && a <= 'Z')) {
        startLetters();
        out += asciiLower(a);
      } else {
        blank = true;
      }
    } else if (isDroppedMark(c)) {
      continue;  // an accent written apart from its letter
    } else if (isSeparator(c)) {
      blank = true;
    } else {
      startLetters();
      out += foldedLetter(c).value_or(text.substr(begin, at - begin));
    }
  }
  return out;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Digits from `at`, at most `most` of them; returns how many.
std::size_t digitsAt(std::string_view s, std::size_t at, std::size_t most) {
  std::size_t n = 0;
  while (at + n < s.size() && n < most && isDigit(s[at + n])) ++n;
  return n;
}

// A track number in a file name: "7" for "07", the side kept for "A1".
std::string trackNumber(std::string_view digits, char side = 0) {
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  std::string track;
  if (side != 0) track += asciiLower(side);
  track += digits;
  return track;
}

struct NumberedName {
  std::string track;
  std::string_view rest;
};

// A leading track number of a file name less its extension ("01 ",
// "01 - ", "01. ", "1-01 ", "A1 "), followed by the rest of the name.
std::optional<NumberedName> leadingTrack(std::string_view stem) {
  std::size_t at = 0;
  std::string track;
  const std::size_t first = digitsAt(stem, 0, 3);
  if (first > 0 && first < stem.size() && stem[first] == '-' && digitsAt(stem, first + 1, 3) > 0 &&
      first <= 2) {
    const std::size_t second = digitsAt(stem, first + 1, 3);
    track = trackNumber(stem.substr(first + 1, second));  // "1-01": disc 1, track 1
    at = first + 1 + second;
  } else if (first > 0) {
    track = trackNumber(stem.substr(0, first));
    at = first;
  } else if (!stem.empty() && ((stem[0] >= 'A' && stem[0] <= 'D') || (stem[0] >= 'a' && stem[0] <= 'd'))) {
    const std::size_t side = digitsAt(stem, 1, 2);
    if (side == 0) return std::nullopt;
    track = trackNumber(stem.substr(1, side), stem[0]);
    at = 1 + side;
  } else {
    return std::nullopt;
  }
  const std::size_t separators = at;
  while (at < stem.size() && std::string_view(" .-_)").find(stem[at]) != std::string_view::npos) ++at;
  if (at == separators || at == stem.size()) return std::nullopt;
  return NumberedName{std::move(track), stem.substr(at)};
}

std::string_view fileNameOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// `name` less its extension: up to five letters or digits after the last
// dot.
std::string_view stemOf(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || name.size() - dot > 6 || dot + 1 == name.size()) return name;
  for (const char c : name.substr(dot + 1))
    if (!isDigit(c) && !(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z')) return name;
  return name.substr(0, dot);
}

void addTitle(std::vector<SongIdentity::Title>& titles, std::string_view raw, std::string_view artist,
              std::string track) {
  SongIdentity::Title title{foldedText(raw), foldedText(artist), std::move(track)};
  if (title.text.empty() || std::find(titles.begin(), titles.end(), title) != titles.end()) return;
  titles.push_back(std::move(title));
}

// "Beatles, The" is a way of writing "The Beatles".
std::optional<std::string> articleFirst(std::string_view name) {
  const std::size_t comma = name.rfind(", ");
  if (comma == std::string_view::npos || comma == 0 || !equalsIgnoringCase(name.substr(comma), ", the"))
    return std::nullopt;
  return "the " + foldedText(name.substr(0, comma));
}

// A name as an artist: folded, "<name>, The" as "the <name>".
std::string artistName(std::string_view name) { return articleFirst(name).value_or(foldedText(name)); }

// The part before the first " - " of a name, when there is one before it.
std::optional<std::string_view> beforeDash(std::string_view name) {
  const std::size_t dash = name.find(" - ");
  if (dash == std::string_view::npos || dash == 0) return std::nullopt;
  return name.substr(0, dash);
}

struct FileNameFacts {
  std::vector<SongIdentity::Title> titles;
  std::string prefix;  // the "<artist> - " of the name, folded as an artist; empty: none
};

// The titles a file name gives, each with the track number it leaves out.
FileNameFacts fileNameFacts(std::string_view name) {
  const std::string_view stem = stemOf(name);
  FileNameFacts facts;
  addTitle(facts.titles, stem, "", "");
  if (const auto numbered = leadingTrack(stem)) {
    addTitle(facts.titles, numbered->rest, "", numbered->track);
    // "01 <artist> - <title>", as compilations name their songs
    if (const std::optional<std::string_view> artist = beforeDash(numbered->rest)) {
      facts.prefix = artistName(*artist);
      addTitle(facts.titles, numbered->rest.substr(artist->size() + 3), *artist, numbered->track);
    }
  } else if (const std::optional<std::string_view> artist = beforeDash(stem)) {
    // "<artist> - 01 - <title>" or "<artist> - <title>"
    const std::string_view rest = stem.substr(artist->size() + 3);
    facts.prefix = artistName(*artist);
    addTitle(facts.titles, rest, *artist, "");
    if (const auto numbered = leadingTrack(rest)) addTitle(facts.titles, numbered->rest, *artist, numbered->track);
  }
  if (facts.titles.empty()) facts.titles.push_back({std::string(name), "", ""});  // a title never becomes empty
  return facts;
}

// The track number the file name's reading as `text` leaves out; for a text
// the file name does not read as, the number its last reading left out.
std::string trackFor(const std::string& text, const std::vector<SongIdentity::Title>& fileTitles) {
  for (const SongIdentity::Title& title : fileTitles)
    if (title.text == text) return title.track;
  return fileTitles.back().track;
}

// Whether `text` is nothing but a track number ("07", "1-07", "A1").
bool isTrackNumber(std::string_view text) {
  const std::string probe = std::string(text) + " x";
  const auto numbered = leadingTrack(probe);
  return numbered && numbered->rest == "x";
}

struct LineFacts {
  std::vector<std::string> titles;
  bool fileName = false;  // the title is a file name with its audio extension
  std::string artist;
  int seconds = 0;
};

// An information line's title and artist, split at the first " - " (a
// " -" that ends the line counts: an untitled song's "<artist> - " whose
// blank was trimmed). A player that knows no tags writes the file name as
// the title ("#EXTINF:213,07 - Title", an XSPF <title>07 - Title.flac</title>):
// a leading track number is no artist, and the title is tried with and
// without it and its extension, as a file name's is.
LineFacts lineFacts(std::string_view info) {
  const InfoParts parts = infoParts(info);
  LineFacts facts;
  if (parts.length) facts.seconds = std::max(0, atoiClamped(*parts.length));
  std::string_view title = parts.title;
  std::size_t dash = title.find(" - ");
  if (dash == std::string_view::npos && title.size() >= 2 && title.ends_with(" -")) dash = title.size() - 2;
  if (dash != std::string_view::npos && !isTrackNumber(title.substr(0, dash))) {
    facts.artist = foldedText(title.substr(0, dash));
    title.remove_prefix(std::min(title.size(), dash + 3));
  }
  facts.fileName = isAudioFileName(title);
  const auto add = [&](std::string_view text) {
    std::string folded = foldedText(text);
    if (!folded.empty() && std::find(facts.titles.begin(), facts.titles.end(), folded) == facts.titles.end())
      facts.titles.push_back(std::move(folded));
  };
  for (const std::string_view text : {title, stemOf(title)}) {
    add(text);
    if (const auto numbered = leadingTrack(text)) add(numbered->rest);
  }
  return facts;
}

bool isDiscFolder(std::string_view folded) {
  for (const std::string_view word : {"cd", "disc", "disk"}) {
    if (!folded.starts_with(word)) continue;
    std::string_view number = folded.substr(word.size());
    if (number.starts_with(' ')) number.remove_prefix(1);
    return !number.empty() && number.size() <= 2 && digitsAt(number, 0, 2) == number.size();
  }
  return false;
}

bool isYear(std::string_view token) {
  return token.size() == 4 && digitsAt(token, 0, 4) == 4 && (token.starts_with("19") || token.starts_with("20"));
}

// The words of folded text.
std::vector<std::string_view> wordsOf(std::string_view folded) {
  std::vector<std::string_view> words;
  for (std::size_t start = 0; start < folded.size();) {
    std::size_t end = folded.find(' ', start);
    if (end == std::string_view::npos) end = folded.size();
    words.push_back(folded.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

// `folded` without the words that are years (1900 to 2099); a text of
// years alone keeps the first, so that an album named "1989" keeps a name.
std::string withoutYears(std::string_view folded) {
  const std::vector<std::string_view> words = wordsOf(folded);
  std::string out;
  for (const std::string_view word : words) {
    if (isYear(word)) continue;
    if (!out.empty()) out += ' ';
    out += word;
  }
  if (out.empty() && !words.empty()) out = words.front();
  return out;
}

// The album folder `folder`'s title and names (see SongIdentity).
void addAlbum(std::string_view folder, SongIdentity& identity) {
  identity.album = foldedText(folder);
  const std::optional<std::string_view> artist = beforeDash(folder);
  identity.albumTitle = withoutYears(foldedText(artist ? folder.substr(artist->size() + 3) : folder));
  if (identity.albumTitle.empty()) return;
  identity.albumNames.push_back(identity.albumTitle);
  if (!artist) return;
  const std::string artistPart = foldedText(*artist);
  if (!artistPart.empty()) identity.albumNames.push_back(artistPart + ' ' + identity.albumTitle);
}

void addName(std::vector<std::string>& names, std::string name) {
  if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
}

void addFolders(std::string_view path, const std::string& prefix, SongIdentity& identity) {
  std::vector<std::string_view> chain;  // folder names, outermost first
  std::size_t start = 0;
  for (std::size_t end; (end = path.find_first_of("/\\", start)) != std::string_view::npos; start = end + 1) {
    const std::string_view folder = path.substr(start, end - start);
    std::string whole = foldedText(folder);
    if (whole.empty()) continue;
    if (const std::optional<std::string_view> before = beforeDash(folder)) {
      addName(identity.folders, foldedText(*before));
      addName(identity.folders, articleFirst(*before).value_or(""));
    }
    addName(identity.folders, articleFirst(folder).value_or(""));
    addName(identity.folders, std::move(whole));
    chain.push_back(folder);
  }
  if (chain.empty()) return;  // no folders, no guesses
  std::size_t k = chain.size();
  while (k > 0 && isDiscFolder(foldedText(chain[k - 1]))) --k;
  // An album folder that names its artist ("Artist - Album", not "1991 -
  // Album") speaks for itself: the folder above it is then the library's
  // root ("Music"), which every song shares and which names no artist.
  bool albumNamesArtist = false;
  if (k > 0) {
    addAlbum(chain[k - 1], identity);
    if (const std::optional<std::string_view> before = beforeDash(chain[k - 1])) {
      addName(identity.artistGuesses, artistName(*before));
      albumNamesArtist = before->find_first_not_of("0123456789 ") != std::string_view::npos;
    }
  }
  if (k > 1 && !albumNamesArtist) addName(identity.artistGuesses, artistName(chain[k - 2]));
  addName(identity.artistGuesses, prefix);
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
  return !name.empty() && std::find(names.begin(), names.end(), name) != names.end();
}

// An "<artist> - " prefix left out of a file-name title holds when that
// artist is known from elsewhere.
bool prefixHolds(const SongIdentity::Title& title, const SongIdentity& own, const SongIdentity& other) {
  return title.artist.empty() || title.artist == other.artist || contains(own.folders, title.artist) ||
         contains(other.folders, title.artist);
}

// An artist known on one side against what the other's path (and file-name
// prefix) shows.
bool knownArtistShown(const std::string& artist, const SongIdentity& other, const std::string& otherPrefix) {
  return contains(other.folders, artist) || artist == otherPrefix;
}

// Whether a guess of `a` (or the prefix its title left out) is a folder
// name or a guess of `b`, or the prefix `b`'s title left out.
bool guessAgrees(const SongIdentity& a, const std::string& prefixA, const SongIdentity& b,
                 const std::string& prefixB) {
  const auto agrees = [&](const std::string& guess) {
    return !guess.empty() && (contains(b.folders, guess) || contains(b.artistGuesses, guess) || guess == prefixB);
  };
  return agrees(prefixA) || std::any_of(a.artistGuesses.begin(), a.artistGuesses.end(), agrees);
}

// Two paths whose folders both guess an artist, and guess no artist alike.
bool guessesDisagree(const SongIdentity& a, const SongIdentity& b) {
  if (a.artistGuesses.empty() || b.artistGuesses.empty()) return false;
  for (const std::string& guess : a.artistGuesses)
    if (contains(b.artistGuesses, guess)) return false;
  return true;
}

bool tracksAgree(const std::string& a, const std::string& b) { return a.empty() || b.empty() || a == b; }

// Whether the words of `longer` hold those of `shorter` in a row, and the
// other words name no version of an album.
bool holdsWithoutVersion(std::string_view longer, std::string_view shorter) {
  static constexpr std::string_view kVersions[] = {
      "live",  "remaster", "remastered", "demo",  "demos",   "acoustic", "unplugged",
      "mono",  "instrumental", "remix",  "remixes", "karaoke", "session", "sessions"};
  const std::vector<std::string_view> words = wordsOf(longer), part = wordsOf(shorter);
  if (part.empty() || part.size() > words.size()) return false;
  for (std::size_t at = 0; at + part.size() <= words.size(); ++at) {
    if (!std::equal(part.begin(), part.end(), words.begin() + static_cast<std::ptrdiff_t>(at))) continue;
    bool version = false;
    for (std::size_t k = 0; k < words.size() && !version; ++k)
      version = (k < at || k >= at + part.size()) &&
                std::find(std::begin(kVersions), std::end(kVersions), words[k]) != std::end(kVersions);
    if (!version) return true;
  }
  return false;
}

bool sameAlbumName(const SongIdentity& a, const SongIdentity& b) {
  for (const std::string& name : a.albumNames)
    if (contains(b.albumNames, name)) return true;
  return false;
}

// How close the album folder of `song` is to that of `entry`: 0 the same
// name, 1 a name the same (sameAlbumName), 2 named alike, 3 none of these.
int albumTier(const SongIdentity& entry, const SongIdentity& song) {
  if (!entry.album.empty() && song.album == entry.album) return 0;
  if (sameAlbumName(entry, song)) return 1;
  return albumsAlike(entry, song) ? 2 : 3;
}

// What must agree besides the equal titles `x` of `a` and `y` of `b`.
bool agreesBeyondTitle(const SongIdentity& a, const SongIdentity::Title& x, const SongIdentity& b,
                       const SongIdentity::Title& y) {
  bool artistAgrees;
  if (!a.artist.empty() && !b.artist.empty())
    artistAgrees = a.artist == b.artist;
  else if (!a.artist.empty())
    artistAgrees = knownArtistShown(a.artist, b, y.artist);
  else if (!b.artist.empty())
    artistAgrees = knownArtistShown(b.artist, a, x.artist);
  else if (guessesDisagree(a, b))
    return false;
  else
    artistAgrees = guessAgrees(a, x.artist, b, y.artist) || guessAgrees(b, y.artist, a, x.artist);
  const bool artistKnown = !a.artist.empty() || !b.artist.empty();
  if (artistKnown && !artistAgrees) return false;
  const bool lengthsKnown = a.seconds > 0 && b.seconds > 0;
  if (lengthsKnown ? std::abs(a.seconds - b.seconds) > 2 : !(tracksAgree(x.track, y.track) && albumsAlike(a, b)))
    return false;
  return artistAgrees || lengthsKnown;
}

std::uint64_t hashOf(std::string_view text) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (const unsigned char c : text) hash = (hash ^ c) * 0x100000001b3ull;
  return hash;
}

// An index key groups the songs by a hash of each title; sameSong then
// compares the texts, so two titles of one hash cost time, not results.
std::uint32_t titleHash(std::string_view title) {
  const std::uint64_t hash = hashOf(title);
  return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

// What an index key keeps of an artist: 0 for none, never 0 for one.
std::uint16_t artistHash(std::string_view artist) {
  if (artist.empty()) return 0;
  const std::uint64_t hash = hashOf(artist);
  return static_cast<std::uint16_t>((hash ^ (hash >> 16) ^ (hash >> 32) ^ (hash >> 48)) | 1);
}

// One bit for each word of an album title: the words of a title that holds
// another's set all the bits of the other's.
std::uint32_t wordBits(std::string_view albumTitle) {
  std::uint32_t bits = 0;
  for (const std::string_view word : wordsOf(albumTitle)) bits |= std::uint32_t{1} << (hashOf(word) % 32);
  return bits;
}

std::uint16_t keptSeconds(int seconds) {
  return seconds > 0 && seconds <= 0xFFFF ? static_cast<std::uint16_t>(seconds) : 0;
}

// The album folders `identity` may stand for, hashed: its folder name and
// album names (albumTier's first two tiers), each with every artist it knows
// or guesses; none without an album folder.
std::vector<std::uint64_t> albumKeys(const SongIdentity& identity) {
  std::vector<std::uint64_t> keys;
  if (identity.album.empty()) return keys;
  std::vector<const std::string*> artists;
  if (!identity.artist.empty()) artists.push_back(&identity.artist);
  for (const std::string& guess : identity.artistGuesses) artists.push_back(&guess);
  for (const std::string* artist : artists) {
    keys.push_back(hashOf(*artist + '\n' + identity.album));
    for (const std::string& name : identity.albumNames) keys.push_back(hashOf(*artist + '\n' + name));
  }
  return keys;
}

std::optional<std::string_view> infoOf(const SongList& songs, std::size_t k) {
  return songs.hasInfo(k) ? std::optional<std::string_view>(songs.info(k)) : std::nullopt;
}

// The titles of the song at `path` with the line `info`, and what the line
// says (empty facts without one).
std::vector<SongIdentity::Title> titlesOf(std::string_view path, std::optional<std::string_view> info,
                                          LineFacts& line, std::string& prefix) {
  FileNameFacts file = fileNameFacts(fileNameOf(path));
  prefix = std::move(file.prefix);
  if (info) line = lineFacts(*info);
  if (line.titles.empty()) return std::move(file.titles);
  std::vector<SongIdentity::Title> titles;
  for (std::string& text : line.titles) {
    std::string track = trackFor(text, file.titles);
    titles.push_back({std::move(text), "", std::move(track)});
  }
  return titles;
}

}  // namespace

std::string foldedText(std::string_view text) {
  if (xml::isValidUtf8(text)) return foldedUtf8(text);
  xml::TextCodec windows1252("UTF-8");  // takes what is not UTF-8 as Windows-1252
  return foldedUtf8(windows1252.toUtf8(text));
}

SongIdentity identityOf(std::string_view path, std::optional<std::string_view> info) {
  SongIdentity identity;
  LineFacts line;
  std::string prefix;
  identity.titles = titlesOf(path, info, line, prefix);
  identity.titlesFromLine = !line.titles.empty() && !line.fileName;
  identity.artist = std::move(line.artist);
  identity.seconds = line.seconds;
  addFolders(path, prefix, identity);
  return identity;
}

SongIdentity identityOf(const PlaylistEntry& entry) {
  return identityOf(entry.path, entry.extInfo ? std::optional<std::string_view>(*entry.extInfo) : std::nullopt);
}

bool sameSong(const SongIdentity& a, const SongIdentity& b) {
  for (const SongIdentity::Title& x : a.titles)
    for (const SongIdentity::Title& y : b.titles)
      if (x.text == y.text && prefixHolds(x, a, b) && prefixHolds(y, b, a) && agreesBeyondTitle(a, x, b, y))
        return true;
  return false;
}

bool albumsAlike(const SongIdentity& a, const SongIdentity& b) {
  if (sameAlbumName(a, b)) return true;
  if (a.albumTitle.empty() || b.albumTitle.empty()) return false;
  return a.albumTitle.size() >= b.albumTitle.size() ? holdsWithoutVersion(a.albumTitle, b.albumTitle)
                                                     : holdsWithoutVersion(b.albumTitle, a.albumTitle);
}

bool contradicts(const SongIdentity& a, const SongIdentity& b) {
  if (a.seconds > 0 && b.seconds > 0 && std::abs(a.seconds - b.seconds) > 2) return true;
  if (!a.titlesFromLine || !b.titlesFromLine) return false;
  for (const SongIdentity::Title& x : a.titles)
    for (const SongIdentity::Title& y : b.titles)
      if (x.text == y.text) return false;
  return true;
}

IdentityIndex::IdentityIndex(const SongList& songs) : songs_(&songs) {
  keys_.reserve(songs.size());
  std::vector<std::uint64_t> lastAlbum;
  for (std::size_t k = 0; k < songs.size(); ++k) {
    const SongIdentity song = identityOf(songs.path(k), infoOf(songs, k));
    for (const SongIdentity::Title& title : song.titles)
      keys_.push_back({titleHash(title.text), static_cast<std::uint32_t>(k), keptSeconds(song.seconds),
                       artistHash(song.artist), wordBits(song.albumTitle)});
    // The songs of one album folder mostly follow each other: their keys
    // are kept once.
    std::vector<std::uint64_t> keys = albumKeys(song);
    if (keys != lastAlbum) albums_.insert(albums_.end(), keys.begin(), keys.end());
    lastAlbum = std::move(keys);
  }
  std::sort(keys_.begin(), keys_.end());
  std::sort(albums_.begin(), albums_.end());
  albums_.erase(std::unique(albums_.begin(), albums_.end()), albums_.end());
}

bool IdentityIndex::albumStillThere(const SongIdentity& entry) const {
  for (const std::uint64_t key : albumKeys(entry))
    if (std::binary_search(albums_.begin(), albums_.end(), key)) return true;
  return false;
}

SongIdentity IdentityIndex::identityOfSong(std::size_t k) const {
  return identityOf(songs_->path(k), infoOf(*songs_, k));
}

std::vector<std::size_t> IdentityIndex::sameSongs(const SongIdentity& entry) const {
  const std::uint16_t seconds = keptSeconds(entry.seconds), artist = artistHash(entry.artist);
  const std::uint32_t album = wordBits(entry.albumTitle);
  // A song's known artist must be the entry's, or when the entry knows none,
  // a folder name or file-name prefix of the entry's (sameSong).
  std::vector<std::uint16_t> shown;
  if (artist == 0) {
    for (const std::string& folder : entry.folders) shown.push_back(artistHash(folder));
    for (const SongIdentity::Title& title : entry.titles) shown.push_back(artistHash(title.artist));
  }
  const auto ruledOut = [&](const Key& key) {
    if (key.artist != 0 && (artist != 0 ? artist != key.artist
                                        : std::find(shown.begin(), shown.end(), key.artist) == shown.end()))
      return true;
    if (seconds != 0 && key.seconds != 0) return std::abs(int{seconds} - int{key.seconds}) > 2;
    // Album folders named alike: the words of one title are among the
    // other's (albumsAlike).
    return (album & ~key.album) != 0 && (key.album & ~album) != 0;
  };
  std::vector<std::size_t> met;
  for (const SongIdentity::Title& title : entry.titles) {
    const std::uint32_t hash = titleHash(title.text);
    for (auto it = std::lower_bound(keys_.begin(), keys_.end(), Key{hash, 0, 0, 0, 0});
         it != keys_.end() && it->title == hash; ++it)
      if (!ruledOut(*it)) met.push_back(it->song);
  }
  std::sort(met.begin(), met.end());
  met.erase(std::unique(met.begin(), met.end()), met.end());
  std::vector<std::size_t> same;
  for (const std::size_t k : met)
    if (sameSong(entry, identityOfSong(k))) same.push_back(k);
  return same;
}

std::optional<std::size_t> IdentityIndex::onlySameSong(const PlaylistEntry& entry) const {
  const SongIdentity identity = identityOf(entry);
  const std::vector<std::size_t> same = sameSongs(identity);
  if (same.empty()) return std::nullopt;
  // The closest album folder singles one out, or none does: an album kept
  // twice, as "Album" and "Album [FLAC]", is named alike both times.
  std::optional<std::size_t> closest;
  int closestTier = 4, count = 0;
  for (const std::size_t k : same) {
    const int tier = albumTier(identity, identityOfSong(k));
    if (tier < closestTier) closest = k, closestTier = tier, count = 0;
    count += tier == closestTier;
  }
  if (same.size() > 1 && (closestTier == 3 || count > 1)) return std::nullopt;
  // While the entry's album is still there, its song is most likely in it,
  // retagged ("Title (Remastered 2011)") or padded by a re-encode, and a song
  // of another album that agrees is a copy on a compilation or another
  // recording.
  if (closestTier >= 2 && albumStillThere(identity)) return std::nullopt;
  return closest;
}

}  // namespace kw
