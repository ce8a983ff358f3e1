#include "tests/reference/sample_library.h"

#include <cctype>
#include <random>
#include <string>

namespace kw::reference {
namespace {

class Dice {
 public:
  explicit Dice(std::uint32_t seed) : engine_(seed) {}
  // Uniform enough in [0, n) for test data; portable unlike the standard
  // distributions.
  std::size_t below(std::size_t n) { return static_cast<std::size_t>(engine_() % n); }
  bool chance(unsigned percent) { return below(100) < percent; }

 private:
  std::mt19937 engine_;
};

const char* const kSyllables[] = {"ka", "ri", "lo", "men", "ta", "sun", "dor", "el", "vi",
                                  "ra", "no", "be", "light", "ar", "son", "mi", "the", "is",
                                  "go", "on", "stone", "fire", "an", "de", "love", "ri", "wa",
                                  "blue", "ne", "o", "star", "ly", "mo", "ver", "in", "ca"};

std::string word(Dice& dice) {
  std::string w;
  const std::size_t parts = 1 + dice.below(3);
  for (std::size_t k = 0; k < parts; ++k) w += kSyllables[dice.below(std::size(kSyllables))];
  w[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(w[0])));
  return w;
}

std::string words(Dice& dice, std::size_t least, std::size_t most) {
  std::string s = word(dice);
  const std::size_t n = least + dice.below(most - least + 1);
  for (std::size_t k = 1; k < n; ++k) s += " " + word(dice);
  return s;
}

std::string twoDigits(std::size_t n) {
  return std::string(1, static_cast<char>('0' + n / 10 % 10)) + static_cast<char>('0' + n % 10);
}

std::string lowerAll(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

PlayList makeLibrary(std::size_t songs, std::uint32_t seed, bool withExtInfo) {
  Dice dice(seed);
  PlayList library("library.m3u");
  library.entries.reserve(songs);
  while (library.entries.size() < songs) {
    const std::string artist = words(dice, 1, 3);
    const std::size_t albums = 3 + dice.below(10);
    for (std::size_t a = 0; a < albums && library.entries.size() < songs; ++a) {
      const std::string album = words(dice, 1, 4);
      const std::size_t tracks = 8 + dice.below(8);
      for (std::size_t t = 1; t <= tracks && library.entries.size() < songs; ++t) {
        const std::string title = words(dice, 1, 5);
        const std::string path =
            "/music/" + artist + "/" + album + "/" + twoDigits(t) + " - " + title + ".mp3";
        std::string info;
        if (withExtInfo)
          info = "#EXTINF:" + std::to_string(90 + dice.below(400)) + "," + artist + " - " + title;
        library.entries.emplace_back(path, info);
      }
    }
  }
  return library;
}

PlayList makeDamagedPlaylist(const PlayList& library, std::size_t count, std::uint32_t seed) {
  Dice dice(seed);
  PlayList playlist("old.m3u");
  for (std::size_t k = 0; k < count; ++k) {
    PlaylistEntry entry = library.entries[dice.below(library.entries.size())];
    std::string& path = entry.path;
    switch (dice.below(8)) {
      case 0:
        break;  // still valid
      case 1:
        path.replace(0, 7, "D:\\Music\\");
        for (char& c : path)
          if (c == '/') c = '\\';
        break;
      case 2:
        path = lowerAll(path);
        break;
      case 3: {
        const std::size_t slash = path.rfind('/');
        const std::size_t albumStart = path.rfind('/', slash - 1) + 1;
        path.replace(albumStart, slash - albumStart, word(dice) + " (Remastered)");
        break;
      }
      case 4:
        path.replace(path.size() - 4, 4, dice.chance(50) ? ".ogg" : ".flac");
        break;
      case 5: {
        const std::size_t slash = path.rfind('/');
        path.erase(slash + 1, 5);
        break;
      }
      case 6:
        path[path.size() - 6 - dice.below(path.size() / 3)] = 'x';
        break;
      default:
        path = "/music/" + words(dice, 1, 2) + "/" + words(dice, 2, 4) + ".mp3";
        entry.extInfo.reset();
        break;
    }
    playlist.entries.push_back(std::move(entry));
  }
  return playlist;
}

}  // namespace kw::reference
