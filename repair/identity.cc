#include "repair/identity.h"

#include <algorithm>
#include <cstdlib>

#include "playlist/numbers.h"
#include "playlist/xml_text.h"

namespace kw {
namespace {

// The base letters of U+00C0..U+017F, lower case: '*' for the letters
// written with two ('ae', 'th', 'ss', 'ij', 'oe'), '-' for the two signs
// among them (multiplication and division).
constexpr std::string_view kLatinBase =
    "aaaaaa*ceeeeiiiidnooooo-ouuuuy**"
    "aaaaaa*ceeeeiiiidnooooo-ouuuuy*y"
    "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiii**jjkkkllllllllllnnnnnnnnnoooooo**rrrrrrsssssssstttttt"
    "uuuuuuuuuuuuwwyyyzzzzzzs";
static_assert(kLatinBase.size() == 0x180 - 0xC0);

std::string_view twoLetterBase(char32_t c) {
  switch (c) {
    case 0xC6: case 0xE6: return "ae";
    case 0xDE: case 0xFE: return "th";
    case 0xDF: return "ss";
    case 0x132: case 0x133: return "ij";
    default: return "oe";  // U+0152, U+0153
  }
}

bool isCombiningMark(char32_t c) {
  return (c >= 0x300 && c <= 0x36F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
         (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE20 && c <= 0xFE2F);
}

// Characters outside ASCII that separate words: Latin-1 signs, modifier
// letters used as apostrophes, general and supplemental punctuation,
// currency, arrows, mathematical and other symbols, CJK and full-width
// punctuation, and the emoji planes.
bool isSeparator(char32_t c) {
  return (c >= 0x80 && c <= 0xBF) || c == 0xD7 || c == 0xF7 || (c >= 0x2B0 && c <= 0x2FF) ||
         (c >= 0x2000 && c <= 0x206F) || (c >= 0x20A0 && c <= 0x20CF) || (c >= 0x2190 && c <= 0x2BFF) ||
         (c >= 0x2E00 && c <= 0x2E7F) || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFE10 && c <= 0xFE1F) ||
         (c >= 0xFE30 && c <= 0xFE6F) || (c >= 0xFF00 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) ||
         (c >= 0xFF3B && c <= 0xFF40) || (c >= 0xFF5B && c <= 0xFF65) || c >= 0x1F000;
}

char32_t lowerOtherScript(char32_t c) {
  if ((c >= 0x391 && c <= 0x3A9) || (c >= 0x410 && c <= 0x42F)) return c + 0x20;  // Greek, Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

void appendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
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

// Folds well-formed UTF-8.
std::string foldedUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool blank = false;  // a separator is pending
  const auto letters = [&](std::string_view base) {
    if (blank && !out.empty()) out += ' ';
    blank = false;
    out += base;
  };
  for (std::size_t at = 0; at < text.size();) {
    const char32_t c = nextCodePoint(text, at);
    if (c < 0x80) {
      const char a = static_cast<char>(c);
      if (a == '&')
        letters("and");
      else if ((a >= '0' && a <= '9') || (a >= 'a' && a <= 'z') || (a >= 'A' && a <= 'Z')) {
        const char lower = asciiLower(a);
        letters(std::string_view(&lower, 1));
      }
      else
        blank = true;
    } else if (isCombiningMark(c)) {
      continue;  // an accent written apart from its letter
    } else if (isSeparator(c)) {
      blank = true;
    } else if (c >= 0xC0 && c < 0x180) {
      const char base = kLatinBase[c - 0xC0];
      if (base == '-')
        blank = true;
      else
        letters(base == '*' ? twoLetterBase(c) : std::string_view(&base, 1));
    } else {
      std::string other;
      appendUtf8(lowerOtherScript(c), other);
      letters(other);
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

void addTitle(std::vector<SongIdentity::Title>& titles, std::string_view raw, std::string_view artist) {
  SongIdentity::Title title{foldedText(raw), foldedText(artist)};
  if (title.text.empty() || std::find(titles.begin(), titles.end(), title) != titles.end()) return;
  titles.push_back(std::move(title));
}

// The titles a file name gives, and its track number into `track`.
std::vector<SongIdentity::Title> fileNameTitles(std::string_view name, std::string& track) {
  const std::string_view stem = stemOf(name);
  std::vector<SongIdentity::Title> titles;
  addTitle(titles, stem, "");
  if (const auto numbered = leadingTrack(stem)) {
    track = numbered->track;
    addTitle(titles, numbered->rest, "");
  } else if (const std::size_t dash = stem.find(" - "); dash != std::string_view::npos && dash > 0) {
    // "<artist> - 01 - <title>" or "<artist> - <title>"
    const std::string_view artist = stem.substr(0, dash), rest = stem.substr(dash + 3);
    addTitle(titles, rest, artist);
    if (const auto numbered = leadingTrack(rest)) {
      track = numbered->track;
      addTitle(titles, numbered->rest, artist);
    }
  }
  if (titles.empty()) titles.push_back({std::string(name), ""});  // a title never becomes empty
  return titles;
}

struct LineFacts {
  std::vector<SongIdentity::Title> titles;
  std::string artist;
  int seconds = 0;
};

// Whether `text` is nothing but a track number ("07", "1-07", "A1").
bool isTrackNumber(std::string_view text) {
  const std::string probe = std::string(text) + " x";
  const auto numbered = leadingTrack(probe);
  return numbered && numbered->rest == "x";
}

// A player that knows no tags writes the file name as the title
// ("#EXTINF:213,07 - Title", an XSPF <title>07 - Title.flac</title>): a
// leading track number is no artist, and the title is tried with and
// without it and its extension, as a file name's is.
LineFacts lineFacts(std::string_view info) {
  const InfoParts parts = infoParts(info);
  LineFacts facts;
  if (parts.length) facts.seconds = std::max(0, atoiClamped(*parts.length));
  std::string_view title = parts.title;
  const std::size_t dash = title.find(" - ");
  if (dash != std::string_view::npos && !isTrackNumber(title.substr(0, dash))) {
    facts.artist = foldedText(title.substr(0, dash));
    title.remove_prefix(dash + 3);
  }
  for (const std::string_view text : {title, stemOf(title)}) {
    addTitle(facts.titles, text, "");
    if (const auto numbered = leadingTrack(text)) addTitle(facts.titles, numbered->rest, "");
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

// `folded` without the tokens that are years (1900 to 2099).
std::string withoutYears(std::string_view folded) {
  std::string out;
  for (std::size_t start = 0; start < folded.size();) {
    std::size_t end = folded.find(' ', start);
    if (end == std::string_view::npos) end = folded.size();
    const std::string_view token = folded.substr(start, end - start);
    const bool year =
        token.size() == 4 && digitsAt(token, 0, 4) == 4 && (token.starts_with("19") || token.starts_with("20"));
    if (!year) {
      if (!out.empty()) out += ' ';
      out += token;
    }
    start = end + 1;
  }
  return out;
}

// The names an album folder goes by: the whole name and, for "<artist> -
// <album>", the part after the first " - ", both without years.
std::vector<std::string> albumNamesOf(std::string_view folder) {
  std::vector<std::string> names;
  for (const std::string_view name : {folder, folder.substr(std::min(folder.size(), folder.find(" - ") + 3))}) {
    std::string bare = withoutYears(foldedText(name));
    if (!bare.empty() && std::find(names.begin(), names.end(), bare) == names.end()) names.push_back(std::move(bare));
  }
  return names;
}

// "Beatles, The" is a way of writing "The Beatles".
std::optional<std::string> articleFirst(std::string_view folder) {
  const std::size_t comma = folder.rfind(", ");
  if (comma == std::string_view::npos || comma == 0 || !equalsIgnoringCase(folder.substr(comma), ", the"))
    return std::nullopt;
  return "the " + foldedText(folder.substr(0, comma));
}

void addFolders(std::string_view path, SongIdentity& identity) {
  std::vector<std::string_view> chain;  // folder names, outermost first
  std::size_t start = 0;
  for (std::size_t end; (end = path.find_first_of("/\\", start)) != std::string_view::npos; start = end + 1) {
    const std::string_view folder = path.substr(start, end - start);
    std::string whole = foldedText(folder);
    if (whole.empty()) continue;
    if (const std::size_t dash = folder.find(" - "); dash != std::string_view::npos && dash > 0) {
      std::string before = foldedText(folder.substr(0, dash));
      if (!before.empty()) identity.folders.push_back(std::move(before));
    }
    if (std::optional<std::string> article = articleFirst(folder)) identity.folders.push_back(std::move(*article));
    identity.folders.push_back(std::move(whole));
    chain.push_back(folder);
  }
  std::size_t k = chain.size();
  while (k > 0 && isDiscFolder(foldedText(chain[k - 1]))) --k;
  if (k > 0) {
    identity.album = foldedText(chain[k - 1]);
    identity.albumNames = albumNamesOf(chain[k - 1]);
  }
  if (k > 1) identity.folderArtist = articleFirst(chain[k - 2]).value_or(foldedText(chain[k - 2]));
}

std::vector<SongIdentity::Title> titlesOf(std::string_view path, std::optional<std::string_view> info,
                                          LineFacts* facts, std::string& track) {
  LineFacts line;
  if (info) line = lineFacts(*info);
  std::vector<SongIdentity::Title> titles = fileNameTitles(fileNameOf(path), track);
  if (!line.titles.empty()) titles = line.titles;
  if (facts) *facts = std::move(line);
  return titles;
}

bool inFolders(const std::string& name, const SongIdentity& song) {
  return !name.empty() && std::find(song.folders.begin(), song.folders.end(), name) != song.folders.end();
}

// An "<artist> - " prefix left out of a file-name title holds when that
// artist is known from elsewhere.
bool prefixHolds(const SongIdentity::Title& title, const SongIdentity& own, const SongIdentity& other) {
  return title.artist.empty() || title.artist == other.artist || inFolders(title.artist, own) ||
         inFolders(title.artist, other);
}

// The prefix artists of the equal titles of `a` and `b` that hold; nullopt
// when no titles are equal.
std::optional<std::pair<std::string, std::string>> equalTitles(const SongIdentity& a, const SongIdentity& b) {
  for (const SongIdentity::Title& x : a.titles)
    for (const SongIdentity::Title& y : b.titles)
      if (x.text == y.text && prefixHolds(x, a, b) && prefixHolds(y, b, a)) return std::pair{x.artist, y.artist};
  return std::nullopt;
}

// An artist known on one side against what the other's path (and file-name
// prefix) shows.
bool knownArtistShown(const std::string& artist, const SongIdentity& other, const std::string& otherPrefix) {
  return inFolders(artist, other) || artist == otherPrefix;
}

// Guesses (a folder above the album, a file-name prefix) of one song that
// agree with the other's folders or prefix.
bool guessAgrees(const SongIdentity& a, const std::string& prefixA, const SongIdentity& b,
                 const std::string& prefixB) {
  for (const std::string* guess : {&a.folderArtist, &prefixA})
    if (!guess->empty() && (inFolders(*guess, b) || *guess == prefixB)) return true;
  return false;
}

bool sameAlbum(const SongIdentity& a, const SongIdentity& b) {
  for (const std::string& name : a.albumNames)
    if (std::find(b.albumNames.begin(), b.albumNames.end(), name) != b.albumNames.end()) return true;
  return false;
}

bool albumsAgree(const SongIdentity& a, const SongIdentity& b) {
  if (!a.track.empty() && !b.track.empty() && a.track != b.track) return false;
  return sameAlbum(a, b);
}

std::uint64_t hashOf(std::string_view text) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (const unsigned char c : text) hash = (hash ^ c) * 0x100000001b3ull;
  return hash;
}

std::optional<std::string_view> infoOf(const SongList& songs, std::size_t k) {
  return songs.hasInfo(k) ? std::optional<std::string_view>(songs.info(k)) : std::nullopt;
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
  identity.titles = titlesOf(path, info, &line, identity.track);
  identity.artist = std::move(line.artist);
  identity.seconds = line.seconds;
  addFolders(path, identity);
  return identity;
}

bool sameSong(const SongIdentity& a, const SongIdentity& b) {
  const auto prefixes = equalTitles(a, b);
  if (!prefixes) return false;
  const auto& [prefixA, prefixB] = *prefixes;
  bool artistAgrees;
  if (!a.artist.empty() && !b.artist.empty())
    artistAgrees = a.artist == b.artist;
  else if (!a.artist.empty())
    artistAgrees = knownArtistShown(a.artist, b, prefixB);
  else if (!b.artist.empty())
    artistAgrees = knownArtistShown(b.artist, a, prefixA);
  else
    artistAgrees = guessAgrees(a, prefixA, b, prefixB) || guessAgrees(b, prefixB, a, prefixA);
  const bool artistKnown = !a.artist.empty() || !b.artist.empty();
  if (artistKnown && !artistAgrees) return false;
  const bool lengthsKnown = a.seconds > 0 && b.seconds > 0;
  if (lengthsKnown ? std::abs(a.seconds - b.seconds) > 2 : !albumsAgree(a, b)) return false;
  return artistAgrees || lengthsKnown;
}

IdentityIndex::IdentityIndex(const SongList& songs) : songs_(&songs) {
  keys_.reserve(songs.size());
  for (std::size_t k = 0; k < songs.size(); ++k) {
    std::string track;
    for (const SongIdentity::Title& title : titlesOf(songs.path(k), infoOf(songs, k), nullptr, track))
      keys_.push_back({hashOf(title.text), k});
  }
  std::sort(keys_.begin(), keys_.end());
}

SongIdentity IdentityIndex::identityOfSong(std::size_t k) const {
  return identityOf(songs_->path(k), infoOf(*songs_, k));
}

std::vector<std::size_t> IdentityIndex::sameSongs(const SongIdentity& entry) const {
  std::vector<std::size_t> met;
  for (const SongIdentity::Title& title : entry.titles) {
    const std::uint64_t hash = hashOf(title.text);
    for (auto it = std::lower_bound(keys_.begin(), keys_.end(), Key{hash, 0}); it != keys_.end() && it->hash == hash;
         ++it)
      met.push_back(it->song);
  }
  std::sort(met.begin(), met.end());
  met.erase(std::unique(met.begin(), met.end()), met.end());
  std::vector<std::size_t> same;
  for (const std::size_t k : met)
    if (sameSong(entry, identityOfSong(k))) same.push_back(k);
  return same;
}

std::optional<std::size_t> IdentityIndex::onlySameSong(const PlaylistEntry& entry) const {
  const SongIdentity identity =
      identityOf(entry.path, entry.extInfo ? std::optional<std::string_view>(*entry.extInfo) : std::nullopt);
  const std::vector<std::size_t> same = sameSongs(identity);
  if (same.size() == 1) return same.front();
  // The album folder named as the entry's, else named alike (sameAlbum).
  std::optional<std::size_t> equal, alike;
  std::size_t equalCount = 0, alikeCount = 0;
  for (const std::size_t k : same) {
    const SongIdentity song = identityOfSong(k);
    if (!identity.album.empty() && song.album == identity.album) equal = k, ++equalCount;
    if (sameAlbum(identity, song)) alike = k, ++alikeCount;
  }
  if (equalCount == 1) return equal;
  if (equalCount == 0 && alikeCount == 1) return alike;
  return std::nullopt;
}

}  // namespace kw
