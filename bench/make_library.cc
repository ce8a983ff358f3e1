// Writes a generated library and a broken playlist of it as extended M3U, for
// trying the whole tool by hand or timing it:
//   make_library [--songs N] [--entries K] [--seed S] [--windows] LIBRARY PLAYLIST
#include <cstdlib>
#include <iostream>
#include <string>

#include "bench/generator.h"

namespace {

int usage(std::ostream& err) {
  err << "usage: make_library [--songs N] [--entries K] [--seed S] [--windows] LIBRARY PLAYLIST\n";
  return 2;
}

bool readNumber(const char* text, unsigned long long& value) {
  char* end = nullptr;
  value = std::strtoull(text, &end, 10);
  return end != text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  bench::LibrarySpec library;
  bench::BrokenSpec broken;
  std::string files[2];
  int fileCount = 0;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    unsigned long long value = 0;
    if (arg == "--windows") {
      library.style = bench::PathStyle::kWindows;
    } else if ((arg == "--songs" || arg == "--entries" || arg == "--seed") && i + 1 < argc) {
      if (!readNumber(argv[++i], value)) return usage(std::cerr);
      if (arg == "--songs") library.songs = value;
      if (arg == "--entries") broken.entries = value;
      if (arg == "--seed") {
        library.seed = value;
        broken.seed = value + 1;
      }
    } else if (fileCount < 2 && !arg.empty() && arg[0] != '-') {
      files[fileCount++] = arg;
    } else {
      return usage(std::cerr);
    }
  }
  if (fileCount != 2) return usage(std::cerr);
  try {
    bench::Library songs = bench::makeLibrary(library);
    bench::writeM3u(songs.playlist(files[0]), files[0]);
    bench::writeM3u(bench::makeBrokenPlaylist(songs, broken, files[1]), files[1]);
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
  return 0;
}
