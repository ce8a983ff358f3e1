// Writes a folder of small tagged audio files from a list, one song a line:
//   <path below the folder><TAB><artist><TAB><title><TAB><seconds>
// (empty artist or title: that tag is left out; seconds 0: the real length).
// Lines that are empty or start with '#' are ignored.
//
//   make_music <list> <folder>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "tests/support/audio_files.h"

namespace {

std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> parts;
  std::istringstream in(line);
  for (std::string part; std::getline(in, part, '\t');) parts.push_back(part);
  return parts;
}

void makeFolders(const std::string& path) {
  std::error_code ignored;  // a folder that cannot be made fails the write after
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: make_music <list> <folder>\n";
    return 2;
  }
  std::ifstream list(argv[1]);
  if (!list) {
    std::cerr << "make_music: cannot read " << argv[1] << "\n";
    return 1;
  }
  try {
    for (std::string line; std::getline(list, line);) {
      if (line.empty() || line[0] == '#') continue;
      const std::vector<std::string> song = fields(line);
      if (song.size() != 4) throw std::runtime_error("not four fields: " + line);
      trackmend_test::AudioSpec spec;
      spec.artist = song[1];
      spec.title = song[2];
      spec.seconds = std::stoi(song[3]);
      const std::string path = std::string(argv[2]) + "/" + song[0];
      makeFolders(path);
      trackmend_test::writeAudioFile(path, spec);
    }
  } catch (const std::exception& e) {
    std::cerr << "make_music: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
