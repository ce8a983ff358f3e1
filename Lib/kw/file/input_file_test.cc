#include "Lib/kw/file/input_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "Lib/kw/err/error.h"
#include "tests/support/test_support.h"

namespace kw::file {
namespace {

using Lines = std::vector<std::string>;

struct ReadResult {
  Lines lines;
  std::vector<std::uint64_t> lineNumbers;  // after each line
};

ReadResult readAll(const std::string& fileName, unsigned bufferSize) {
  InputFile in(fileName, bufferSize);
  ReadResult result;
  std::string line = "stale";
  while (in.readLine(line)) {
    result.lines.push_back(line);
    result.lineNumbers.push_back(in.lineNumber());
  }
  EXPECT_EQ(line, "");
  EXPECT_FALSE(in.readLine(line));  // stays exhausted
  // The view form gives the same lines and line numbers.
  InputFile again(fileName, bufferSize);
  std::string_view view;
  for (std::size_t k = 0; again.readLine(view); ++k) {
    EXPECT_LT(k, result.lines.size());
    if (k >= result.lines.size()) break;
    EXPECT_EQ(view, result.lines[k]);
    EXPECT_EQ(again.lineNumber(), result.lineNumbers[k]);
  }
  EXPECT_FALSE(again.readLine(view));
  return result;
}

// Plain reference: cut at LF, CR LF and lone CR; the final piece counts only
// when it is not empty.
Lines referenceLines(const std::string& bytes) {
  Lines lines;
  std::string current;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\n' || c == '\r') {
      lines.push_back(current);
      current.clear();
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      current += c;
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

class InputFileTest : public ::testing::Test {
 protected:
  std::string file(const std::string& bytes) {
    const std::string name = dir_.file("in" + std::to_string(count_++));
    trackmend_test::writeFile(name, bytes);
    return name;
  }
  trackmend_test::ScratchDir dir_;
  int count_ = 0;
};

TEST_F(InputFileTest, AllThreeLineEndsAtEveryBlockSize) {
  const std::string bytes =
      "a\nbb\r\nccc\rd\r\r\n\n\re\r\n\r\r\nlast without end";
  const Lines expected = referenceLines(bytes);
  ASSERT_EQ(expected,
            (Lines{"a", "bb", "ccc", "d", "", "", "", "e", "", "", "last without end"}));
  const std::string name = file(bytes);
  for (unsigned size = 1; size <= 12; ++size) {
    SCOPED_TRACE(size);
    EXPECT_EQ(readAll(name, size).lines, expected);
  }
  EXPECT_EQ(readAll(name, 2048).lines, expected);
}

TEST_F(InputFileTest, LineNumberCountsLineEndsOnly) {
  const ReadResult result = readAll(file("a\r\nb\rc\nd"), 2048);
  EXPECT_EQ(result.lines, (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(result.lineNumbers, (std::vector<std::uint64_t>{1, 2, 3, 3}));
  // A file of 2^31 line ends is only 2 GiB: the count must not overflow.
  using Count = decltype(std::declval<const InputFile&>().lineNumber());
  static_assert(std::numeric_limits<Count>::max() >= (1ull << 40));
}

TEST_F(InputFileTest, CarriageReturnAtTheEndOfTheFileIsDropped) {
  for (unsigned size : {1u, 2u, 3u, 2048u}) {
    EXPECT_EQ(readAll(file("x\r"), size).lines, Lines{"x"});
    EXPECT_EQ(readAll(file("x\ry\r"), size).lines, (Lines{"x", "y"}));
  }
}

TEST_F(InputFileTest, EmptyFileHasNoLines) {
  InputFile in(file(""), 2048);
  std::string line;
  EXPECT_FALSE(in.readLine(line));
  EXPECT_EQ(in.lineNumber(), 0u);
}

TEST_F(InputFileTest, NulBytesAndLongLinesAreOrdinaryContent) {
  const std::string withNul("a\0b\n\0\n", 6);
  EXPECT_EQ(readAll(file(withNul), 2).lines, (Lines{std::string("a\0b", 3), std::string(1, '\0')}));
  const std::string mega(1 << 20, 'm');
  const ReadResult result = readAll(file("s\n" + mega + "\r\nt"), 2048);
  EXPECT_EQ(result.lines, (Lines{"s", mega, "t"}));
}

TEST_F(InputFileTest, BinaryGarbageMatchesTheReference) {
  std::string garbage;
  unsigned seed = 12345;
  for (int i = 0; i < 100000; ++i) {
    seed = seed * 1103515245u + 12345u;
    garbage += static_cast<char>(seed >> 16);
  }
  const std::string name = file(garbage);
  EXPECT_EQ(readAll(name, 2048).lines, referenceLines(garbage));
  EXPECT_EQ(readAll(name, 7).lines, referenceLines(garbage));
}

TEST_F(InputFileTest, ByteOrderMarkCanBeSkipped) {
  InputFile in(file("\xEF\xBB\xBF#EXTM3U\n"), 2048);
  EXPECT_TRUE(in.startsWith("\xEF\xBB\xBF"));
  EXPECT_FALSE(in.startsWith("\xFF\xFE"));
  EXPECT_FALSE(in.skipPrefix("\xEF\xBB\xBF\xEF"));
  EXPECT_TRUE(in.skipPrefix("\xEF\xBB\xBF"));
  std::string line;
  ASSERT_TRUE(in.readLine(line));
  EXPECT_EQ(line, "#EXTM3U");
  InputFile shortFile(file("\xEF"), 2048);
  EXPECT_FALSE(shortFile.startsWith("\xEF\xBB\xBF"));
}

TEST_F(InputFileTest, RestIsReadWholeAfterAPeekAtTheFirstBlock) {
  std::string bytes;
  for (int i = 0; i < 3000; ++i) bytes += static_cast<char>(i * 7);
  for (unsigned size : {1u, 7u, 2048u, 8192u}) {
    InputFile in(file(bytes), size);
    EXPECT_EQ(in.unreadBlock(), bytes.substr(0, size)) << size;
    std::string rest = "kept:";
    in.readRest(rest);
    EXPECT_EQ(rest, "kept:" + bytes) << size;
    EXPECT_EQ(in.unreadBlock(), "");
    std::string line;
    EXPECT_FALSE(in.readLine(line));
  }
  InputFile partly(file("one\r\ntwo\nthree"), 4);
  std::string line, rest;
  ASSERT_TRUE(partly.readLine(line));
  partly.readRest(rest);
  EXPECT_EQ(rest, "two\nthree");  // the LF of the CR LF went with "one"
}

TEST_F(InputFileTest, MissingFileIsAnIOError) {
  const std::string name = dir_.file("missing.m3u");
  try {
    InputFile in(name, 2048);
    FAIL() << "opened";
  } catch (const err::IOError& e) {
    EXPECT_EQ(std::string(e.what()), std::string(std::strerror(ENOENT)) + " ('" + name + "')");
  }
}

TEST_F(InputFileTest, ReadingADirectoryIsAnIOErrorNotAnEmptyFile) {
  try {
    InputFile in(dir_.path(), 2048);
    FAIL() << "read a directory";
  } catch (const err::IOError& e) {
    EXPECT_EQ(std::string(e.what()), "Is a directory ('" + dir_.path() + "')");
  }
}

// Bytes as they are on disk on every platform: no text mode drops the CR of
// a CR LF or takes byte 0x1A for the end of the file.
TEST_F(InputFileTest, ControlZAndCarriageReturnsAreOrdinaryBytes) {
  const std::string bytes = "a\r\n\x1A b\r\nc\x1A\r\n\x1A";
  InputFile whole(file(bytes), 4);
  std::string rest;
  whole.readRest(rest);
  EXPECT_EQ(rest, bytes);
  EXPECT_EQ(readAll(file(bytes), 3).lines, (Lines{"a", "\x1A b", "c\x1A", "\x1A"}));
}

}  // namespace
}  // namespace kw::file
