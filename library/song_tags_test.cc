#include "library/song_tags.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/audio_names.h"
#include "tests/support/audio_files.h"
#include "tests/support/test_support.h"

namespace kw {
namespace {

using trackmend_test::AudioSpec;
using trackmend_test::ScratchDir;

TEST(InfoLine, TitleArtistAndLength) {
  struct Case {
    SongTags tags;
    std::string line;
  } cases[] = {
      {{"Harbour Lights", "Anna Berg", 245}, "#EXTINF:245,Anna Berg - Harbour Lights"},
      {{"Harbour Lights", "", 0}, "#EXTINF:0,Harbour Lights"},
      {{"", "Anna Berg", 245}, ""},
      {{" \n\t ", "Anna Berg", 245}, ""},
      {{"a\nb\r\tc\x7f", " \x01" "Anna\x1f" "Berg ", 3}, "#EXTINF:3,Anna Berg - a b  c"},
      {{std::string("x\0y", 3), "\xc3\xa9t\xc3\xa9", -4}, "#EXTINF:0,\xc3\xa9t\xc3\xa9 - x y"},
  };
  for (const Case& c : cases) EXPECT_EQ(infoLine(c.tags), c.line) << c.tags.title;
}

// Every format the tests can write, tagged by TagLib, reads back as the line
// the tags make; without a title there is no line.
TEST(ReadSong, TagsOfEveryWrittenFormat) {
  ScratchDir dir;
  for (const char* name : {"a.mp3", "b.flac", "c.wav", "d.opus", "e.ogg", "F.MP3"}) {
    const bool wav = std::string(name) == "c.wav";
    AudioSpec spec{"Gl\xc3\xa4s\nHarbour", "Iris Okafor", wav ? 1 : 226, 0};
    trackmend_test::writeAudioFile(dir.file(name), spec);
    const SongRead read = readSong(dir.file(name));
    EXPECT_TRUE(read.opened) << name;
    EXPECT_EQ(read.infoLine, std::string("#EXTINF:") + (wav ? "1" : "226") + ",Iris Okafor - Gl\xc3\xa4s Harbour")
        << name;
    spec.title.clear();
    trackmend_test::writeAudioFile(dir.file(name), spec);
    EXPECT_EQ(readSong(dir.file(name)).infoLine, "") << name;
  }
}

// Truncated copies of real files and garbage under every audio extension:
// opened, never a crash or a line that could split a playlist line, and not
// a byte on standard error.
TEST(ReadSong, DamagedFilesAreReadQuietly) {
  ScratchDir dir;
  std::vector<std::string> damaged;
  for (const char* name : {"a.mp3", "b.flac", "c.wav", "d.opus", "e.ogg"}) {
    trackmend_test::writeAudioFile(dir.file(name), {"Title", "Artist", 100, 0});
    const std::string whole = trackmend_test::readFile(dir.file(name));
    for (std::size_t size : {std::size_t{0}, std::size_t{3}, std::size_t{11}, whole.size() / 2, whole.size() - 1}) {
      damaged.push_back(dir.file(std::to_string(size) + name));
      trackmend_test::writeFile(damaged.back(), whole.substr(0, size));
    }
  }
  std::string garbage;
  for (int k = 0; k < 5000; ++k) garbage += static_cast<char>((k * 7919 + k / 13) & 0xFF);
  // Garbage behind the magic bytes a format detector looks for first.
  const std::string starts[] = {"", "ID3\x04", "fLaC", "OggS", "RIFF", "FORM", "MAC "};
  for (std::string_view extension : audioExtensions()) {
    for (const std::string& start : starts) {
      damaged.push_back(dir.file(std::to_string(damaged.size()) + "." + std::string(extension)));
      trackmend_test::writeFile(damaged.back(), start + garbage);
    }
  }
  testing::internal::CaptureStderr();
  for (const std::string& path : damaged) {
    const SongRead read = readSong(path);
    EXPECT_TRUE(read.opened) << path;
    EXPECT_EQ(read.infoLine.find_first_of("\r\n"), std::string::npos) << path;
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(ReadSong, MissingFileGivesTheSystemReason) {
  ScratchDir dir;
  const SongRead read = readSong(dir.file("gone.mp3"));
  EXPECT_FALSE(read.opened);
  EXPECT_EQ(read.failure, "No such file or directory");
}

}  // namespace
}  // namespace kw
