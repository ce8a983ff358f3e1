#include "library/song_stream.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string>

#include "tests/support/test_support.h"

namespace kw {
namespace {

// Reads at random places, across block boundaries, from the end and past
// it, against the plain slices of the file's bytes; a seek before the start
// fails and leaves the position.
TEST(SongStream, ReadsWhatTheFileHoldsWherever) {
  trackmend_test::ScratchDir dir;
  std::string bytes;
  for (int k = 0; k < 100000; ++k) bytes += static_cast<char>(k * 31 % 251);
  trackmend_test::writeFile(dir.file("song.mp3"), bytes);
  std::optional<SongStream> fresh;
  std::uint64_t state = 7;
  for (int round = 0; round < 300; ++round) {
    // A new stream now and then, within the budget of reads one may hand out.
    if (round % 20 == 0) fresh.emplace(*sys_dep::InputHandle::open(dir.file("song.mp3")), dir.file("song.mp3"));
    SongStream& stream = *fresh;
    ASSERT_EQ(stream.length(), 100000);
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const long offset = static_cast<long>((state >> 20) % 110000);
    const auto length = static_cast<unsigned int>((state >> 40) % (round % 3 == 0 ? 70000 : 300));
    const bool fromEnd = round % 5 == 0;
    const long before = stream.tell();
    stream.seek(fromEnd ? offset - 110000 : offset, fromEnd ? TagLib::IOStream::End : TagLib::IOStream::Beginning);
    const long at = stream.tell();
    ASSERT_EQ(at, !fromEnd ? offset : offset >= 10000 ? offset - 10000 : before);
    const TagLib::ByteVector read = stream.readBlock(length);
    const std::string expected = at < 100000 ? bytes.substr(static_cast<std::size_t>(at), length) : "";
    ASSERT_EQ(std::string(read.data(), read.size()), expected) << at << " " << length;
    EXPECT_EQ(stream.tell(), at + static_cast<long>(expected.size()));
  }
}

// A seek past what a position can hold fails too; a reader sent round in
// circles is cut off by seeks or by bytes, and then reads nothing.
TEST(SongStream, SeeksAndReadsAreBounded) {
  trackmend_test::ScratchDir dir;
  trackmend_test::writeFile(dir.file("song.m4a"), std::string(1000, 'x'));
  const auto open = [&] { return *sys_dep::InputHandle::open(dir.file("song.m4a")); };
  SongStream overflow(open(), dir.file("song.m4a"));
  overflow.seek(500);
  overflow.seek(LONG_MAX, TagLib::IOStream::Current);
  EXPECT_EQ(overflow.tell(), 500);
  overflow.seek(LONG_MIN, TagLib::IOStream::Current);
  EXPECT_EQ(overflow.tell(), 500);

  SongStream seeking(open(), dir.file("song.m4a"));
  for (int k = 0; k < 10000; ++k) seeking.seek(k % 7);
  EXPECT_FALSE(seeking.exhausted());
  seeking.seek(0);
  EXPECT_TRUE(seeking.exhausted());
  EXPECT_EQ(seeking.readBlock(10).size(), 0u);

  // 1 MiB for a small file: 1048 reads of the whole file, then one more.
  SongStream reading(open(), dir.file("song.m4a"));
  for (int k = 0; k < 1048; ++k) {
    reading.seek(0);
    ASSERT_EQ(reading.readBlock(2000).size(), 1000u) << k;
  }
  EXPECT_FALSE(reading.exhausted());
  reading.seek(0);
  EXPECT_EQ(reading.readBlock(1000).size(), 1000u);
  EXPECT_TRUE(reading.exhausted());
  EXPECT_EQ(reading.readBlock(1000).size(), 0u);
}

}  // namespace
}  // namespace kw
