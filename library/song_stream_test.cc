#include "library/song_stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace kw {
namespace {

// Reads at random places, across block boundaries, from the end and past
// it, against the plain slices of the file's bytes.
TEST(SongStream, ReadsWhatTheFileHoldsWherever) {
  trackmend_test::ScratchDir dir;
  std::string bytes;
  for (int k = 0; k < 100000; ++k) bytes += static_cast<char>(k * 31 % 251);
  trackmend_test::writeFile(dir.file("song.mp3"), bytes);
  SongStream stream(::open(dir.file("song.mp3").c_str(), O_RDONLY), dir.file("song.mp3"));
  EXPECT_EQ(stream.length(), 100000);
  unsigned long state = 7;
  for (int round = 0; round < 300; ++round) {
    state = state * 6364136223846793005UL + 1442695040888963407UL;
    const long offset = static_cast<long>((state >> 20) % 110000);
    const unsigned long length = (state >> 40) % (round % 3 == 0 ? 70000 : 300);
    const bool fromEnd = round % 5 == 0;
    stream.seek(fromEnd ? offset - 110000 : offset, fromEnd ? TagLib::IOStream::End : TagLib::IOStream::Beginning);
    const long at = stream.tell();
    ASSERT_EQ(at, fromEnd ? std::max(0L, offset - 10000) : offset);
    const TagLib::ByteVector read = stream.readBlock(length);
    const std::string expected = at < 100000 ? bytes.substr(static_cast<std::size_t>(at), length) : "";
    ASSERT_EQ(std::string(read.data(), read.size()), expected) << at << " " << length;
    EXPECT_EQ(stream.tell(), at + static_cast<long>(expected.size()));
  }
}

}  // namespace
}  // namespace kw
