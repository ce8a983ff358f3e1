// Huge and odd input: a 100 MB single line, a million entries, lines of NUL
// bytes, invalid UTF-8, PLS numbers beyond the int range, a 1 MB formatted
// message, a 10,000-word command line, a 100 MB XML playlist and one nested
// 100,000 levels deep. Each is handled whole, without a
// crash, in time and memory proportional to its size; the memory bounds are
// checked on the real binary (ru_maxrss of the child) when it is built
// without sanitizers, and a run that hangs is killed by the child timeout.
//
// The line is 100 MB; TRACKMEND_HUGE_LINE_MB sets another size (a quick run
// may pass 8, for instance).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Lib/kw/err/error.h"
#include "Lib/kw/file/input_file.h"
#include "playlist/playlist.h"
#include "playlist/reader.h"
#include "playlist/writer.h"
#include "tests/faults/child_process.h"
#include "tests/support/test_support.h"

#if defined(__SANITIZE_ADDRESS__)
#define TRACKMEND_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TRACKMEND_SANITIZED 1
#endif
#endif

namespace trackmend_faults {
namespace {

using trackmend_test::readFile;
using trackmend_test::ScratchDir;
using trackmend_test::writeFile;

std::ostringstream& discard() {
  static std::ostringstream sink;
  sink.str("");
  return sink;
}

size_t hugeLineBytes() {
  const char* chosen = std::getenv("TRACKMEND_HUGE_LINE_MB");
  const long megabytes = chosen ? std::atol(chosen) : 100;
  return static_cast<size_t>(megabytes > 0 ? megabytes : 100) << 20;
}

kw::PlayList readList(const std::string& fileName, std::ostream& warnings = discard()) {
  kw::PlayList list(fileName);
  kw::readPlaylist(list, discard(), warnings);
  return list;
}

// Checks the child's peak memory against `limitBytes` (not with sanitizers,
// whose shadow memory has its own size).
void expectMemoryBelow(const ChildResult& result, size_t limitBytes, const std::string& what) {
#ifndef TRACKMEND_SANITIZED
  EXPECT_LT(static_cast<size_t>(result.maxRssKilobytes) * 1024, limitBytes)
      << what << ": peak resident memory " << result.maxRssKilobytes << " kB";
#else
  (void)result, (void)limitBytes, (void)what;
#endif
}

std::string songList(int count, const std::string& prefix = "/music/") {
  std::string text;
  for (int i = 0; i < count; ++i) text += prefix + std::to_string(i % 997) + "/song" + std::to_string(i) + ".mp3\n";
  return text;
}

// ---------------------------------------------------------------- library

TEST(HugeInput, OneHugeLineIsReadAndWrittenWhole) {
  ScratchDir dir;
  const size_t size = hugeLineBytes();
  std::string line = "/huge/";
  line.resize(size, 'q');
  writeFile(dir.file("one.m3u"), "#EXTM3U\n#EXTINF:1,Huge\n" + line + "\n");
  kw::PlayList list = readList(dir.file("one.m3u"));
  ASSERT_EQ(1u, list.entries.size());
  EXPECT_TRUE(list.entries[0].path == line) << "the line came back with " << list.entries[0].path.size() << " bytes";
  list.plsFormat = true;
  list.fileName = dir.file("one.pls");
  kw::savePlaylist(list, discard());
  const kw::PlayList again = readList(dir.file("one.pls"));
  ASSERT_EQ(1u, again.entries.size());
  EXPECT_TRUE(again.entries[0].path == line);
  ASSERT_TRUE(again.entries[0].extInfo);
  EXPECT_EQ("#EXTINF:1,Huge", *again.entries[0].extInfo);
}

TEST(HugeInput, AMillionEntriesSurviveBothFormats) {
  ScratchDir dir;
  const std::string text = songList(1000000);
  writeFile(dir.file("many.m3u"), text);
  kw::PlayList list = readList(dir.file("many.m3u"));
  ASSERT_EQ(1000000u, list.entries.size());
  EXPECT_EQ("/music/8/song999999.mp3", list.entries.back().path);
  list.plsFormat = true;
  list.fileName = dir.file("many.pls");
  kw::savePlaylist(list, discard());
  kw::PlayList pls = readList(dir.file("many.pls"));
  ASSERT_EQ(1000000u, pls.entries.size());
  EXPECT_EQ(list.entries[123456].path, pls.entries[123456].path);
  pls.plsFormat = false;
  pls.fileName = dir.file("back.m3u");
  kw::savePlaylist(pls, discard());
  EXPECT_TRUE(readFile(dir.file("back.m3u")) == text);
}

TEST(HugeInput, LinesOfNulBytes) {
  ScratchDir dir;
  const std::string nuls(5000, '\0');
  // M3U: a NUL byte is an ordinary character of a path.
  writeFile(dir.file("nul.m3u"), nuls + "\n" + "a" + nuls + "b\n" + std::string(3, '\0') + "\n");
  kw::PlayList m3u = readList(dir.file("nul.m3u"));
  ASSERT_EQ(3u, m3u.entries.size());
  EXPECT_EQ(nuls, m3u.entries[0].path);
  EXPECT_EQ("a" + nuls + "b", m3u.entries[1].path);
  m3u.fileName = dir.file("nul2.m3u");
  kw::savePlaylist(m3u, discard());
  EXPECT_EQ(readFile(dir.file("nul.m3u")), readFile(dir.file("nul2.m3u")));
  // PLS: a line starting with NUL is skipped silently, NULs inside a value stay.
  writeFile(dir.file("nul.pls"), "[playlist]\n" + nuls + "\nFile1=x" + nuls + "y\n" + nuls + "File2=z\n");
  std::ostringstream warnings;
  const kw::PlayList pls = readList(dir.file("nul.pls"), warnings);
  ASSERT_EQ(1u, pls.entries.size());
  EXPECT_EQ("x" + nuls + "y", pls.entries[0].path);
  EXPECT_EQ("", warnings.str());
}

TEST(HugeInput, InvalidUtf8PassesThroughByteForByte) {
  ScratchDir dir;
  const std::string bytes =
      "#EXTM3U\n#EXTINF:7,\xC3\x28 \xA0\xA1 \xF0\x28\x8C\x28\n/m\xFCsik/\xE9t\xE9.mp3\n"
      "/\xED\xA0\x80/\xF8\x88\x80\x80\x80.mp3\n/\xC0\xAF\xFF\xFE.mp3\n";
  writeFile(dir.file("bytes.m3u"), bytes);
  kw::PlayList list = readList(dir.file("bytes.m3u"));
  ASSERT_EQ(3u, list.entries.size());
  list.fileName = dir.file("again.m3u");
  kw::savePlaylist(list, discard());
  EXPECT_EQ(bytes, readFile(dir.file("again.m3u")));
}

TEST(HugeInput, PlsNumbersBeyondTheIntRangeClamp) {
  ScratchDir dir;
  writeFile(dir.file("numbers.pls"),
            "[playlist]\n"
            "File99999999999999999999999=a.mp3\nTitle2147483647=A\nLength99999999999999=99999999999999999999\n"
            "File1=b.mp3\nTitle1=B\nLength1=-99999999999999999999\n"
            "File2=c.mp3\nTitle2=C\nLength2=2147483648\n"
            "File3=d.mp3\nTitle3=D\nLength3=-2147483649\n"
            "File-1=e.mp3\nFile-99999999999999999999=f.mp3\n");
  std::ostringstream warnings;
  const kw::PlayList list = readList(dir.file("numbers.pls"), warnings);
  ASSERT_EQ(4u, list.entries.size());
  const char* const expected[][2] = {{"b.mp3", "#EXTINF:-2147483648,B"},
                                     {"c.mp3", "#EXTINF:2147483647,C"},
                                     {"d.mp3", "#EXTINF:-2147483648,D"},
                                     {"a.mp3", "#EXTINF:2147483647,A"}};  // by number
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(expected[i][0], list.entries[i].path);
    ASSERT_TRUE(list.entries[i].extInfo);
    EXPECT_EQ(expected[i][1], *list.entries[i].extInfo);
  }
  EXPECT_EQ("Unexpected content ignored: 'File-1=e.mp3'\n"
            "Unexpected content ignored: 'File-99999999999999999999=f.mp3'\n",
            warnings.str());
}

TEST(HugeInput, FormattedMessageOfAMegabyte) {
  const std::string megabyte(1 << 20, 'm');
  EXPECT_TRUE(kw::err::formatString("%s", megabyte.c_str()) == megabyte);
  EXPECT_EQ(size_t{1} << 20, kw::err::formatString("%*d", 1 << 20, 7).size());
  const std::string composed = kw::err::formatString("<%s|%s>", megabyte.c_str(), "tail");
  EXPECT_EQ((size_t{1} << 20) + 7, composed.size());
  EXPECT_EQ("|tail>", composed.substr(composed.size() - 6));
  // A file name of a megabyte in an IOError report.
  errno = ENAMETOOLONG;
  const kw::err::IOError error(megabyte);
  const std::string text = error.what();
  EXPECT_EQ("File name too long ('" + megabyte + "')", text);
}

TEST(HugeInput, MoreThanTwoToThe31LineEndsAreCounted) {
#ifdef TRACKMEND_SANITIZED
  GTEST_SKIP() << "2^31 lines take minutes with sanitizers";
#else
  // 2 GiB of line feeds through a FIFO, so nothing is stored: an int
  // counter would overflow at the last three.
  ScratchDir dir;
  const std::string fifo = dir.file("lines");
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  const std::uint64_t lineEnds = (std::uint64_t{1} << 31) + 2;
  std::thread writer([&] {
    const int fd = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
    const std::string block(1 << 20, '\n');
    if (fd >= 0) fcntl(fd, F_SETPIPE_SZ, static_cast<int>(block.size()));  // fewer switches
    for (std::uint64_t left = lineEnds; fd >= 0 && left > 0;) {
      const ssize_t written = write(fd, block.data(), std::min<std::uint64_t>(left, block.size()));
      if (written <= 0) break;
      left -= static_cast<std::uint64_t>(written);
    }
    if (fd >= 0) close(fd);
  });
  kw::file::InputFile in(fifo, 1 << 16);
  std::string line;
  std::uint64_t lines = 0;
  while (in.readLine(line)) ++lines;
  writer.join();
  EXPECT_EQ(lineEnds, lines);
  EXPECT_EQ(lineEnds, in.lineNumber());
#endif
}

// ---------------------------------------------------------------- binary

TEST(HugeInputOfTheTool, TenThousandWordCommandLine) {
  ScratchDir dir;
  writeFile(dir.file("v.m3u"), songList(3));
  ChildOptions options;
  options.workDir = dir.path();
  // 10,000 playlists that do not exist: each is reported and skipped.
  options.args = {"v.m3u"};
  for (int i = 0; i < 10000; ++i) options.args.push_back("absent" + std::to_string(i) + ".m3u");
  ChildResult result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(0, result.status);
  size_t skipped = 0;
  for (size_t at = 0; (at = result.err.find("Ignored. Continuing.\n", at)) != std::string::npos; ++at) ++skipped;
  EXPECT_EQ(10000u, skipped);
  EXPECT_NE(std::string::npos, result.err.find("('absent9999.m3u')\nIgnored. Continuing.\n"));

  // 10,000 repeated switches after --multi, and one group of 10,000.
  options.args = {"--multi"};
  for (int i = 0; i < 10000; ++i) options.args.push_back("-k");
  options.args.push_back("-" + std::string(10000, 'c'));
  options.args.push_back("v.m3u");
  options.args.push_back("v2.m3u");
  writeFile(dir.file("v2.m3u"), songList(3));
  result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(0, result.status) << describe(result);

  // Without --multi the second of 10,000 switches ends the run.
  options.args.erase(options.args.begin());
  result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(1, result.status);
  EXPECT_TRUE(result.err.find("\nError in trackmend: Option '-k' was already used (preceed with --multi to avoid "
                              "this warning).\n") != std::string::npos)
      << describe(result);
}

TEST(HugeInputOfTheTool, HugeLineInTheValidList) {
  // Every repaired entry is compared with the huge path: linear work per
  // comparison, and memory for a few copies of the line.
  ScratchDir dir;
  const size_t size = hugeLineBytes();
  std::string text = "/huge/";
  text.resize(size, 'q');
  writeFile(dir.file("v.m3u"), songList(5) + text + "\n");
  writeFile(dir.file("i.m3u"), "/old/3/song3.mp3\n");
  ChildOptions options;
  options.workDir = dir.path();
  options.args = {"-s", "0", "-m", "miss.m3u", "v.m3u", "i.m3u"};
  options.input = "1\n";
  const ChildResult result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(0, result.status) << describe(result);
  EXPECT_EQ("/music/3/song3.mp3\n", readFile(dir.file("i.m3u")));
  expectMemoryBelow(result, 5 * size + (100 << 20), "a huge valid path");
}

TEST(HugeInputOfTheTool, AMillionEntriesInAMissingList) {
  ScratchDir dir;
  writeFile(dir.file("v.m3u"), songList(5));
  writeFile(dir.file("i.m3u"), "/old/3/song3.mp3\n");
  const std::string many = songList(1000000, "/missing/");
  writeFile(dir.file("miss.m3u"), many);
  ChildOptions options;
  options.workDir = dir.path();
  options.args = {"-s", "0", "-A", "-m", "miss.m3u", "v.m3u", "i.m3u"};
  const ChildResult result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(0, result.status) << describe(result);
  EXPECT_TRUE(readFile(dir.file("miss.m3u")) == many + "/old/3/song3.mp3\n");
  expectMemoryBelow(result, 8 * many.size() + (100 << 20), "a million entries");
}

TEST(HugeInputOfTheTool, AMillionEntriesInTheValidList) {
  ScratchDir dir;
  writeFile(dir.file("v.m3u"), songList(1000000));
  writeFile(dir.file("i.m3u"), "/old/3/song3.mp3\n/music/5/song5.mp3\n");
  ChildOptions options;
  options.workDir = dir.path();
  options.args = {"v.m3u", "i.m3u"};
  options.input = "1\n";
  const ChildResult result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(0, result.status) << describe(result);
  EXPECT_EQ("/music/3/song3.mp3\n/music/5/song5.mp3\n", readFile(dir.file("i.m3u")));
}

// An XSPF playlist of at least `bytes` bytes, with tracks as players write them.
std::string bigXspf(size_t bytes) {
  std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">\n  <trackList>\n";
  for (int i = 0; doc.size() < bytes; ++i) {
    const std::string n = std::to_string(i);
    doc += "    <track>\n      <location>file:///music/" + std::to_string(i % 997) + "/song%20" + n +
           ".mp3</location>\n      <title>Song " + n + "</title>\n      <creator>Artist " + std::to_string(i % 997) +
           "</creator>\n      <duration>" + std::to_string((i % 600 + 1) * 1000) + "</duration>\n    </track>\n";
  }
  return doc + "  </trackList>\n</playlist>\n";
}

TEST(HugeInput, AHundredMegabyteXmlPlaylistIsRewrittenUnchanged) {
  ScratchDir dir;
  const std::string doc = bigXspf(hugeLineBytes());
  writeFile(dir.file("big.xspf"), doc);
  kw::PlayList list = readList(dir.file("big.xspf"));
  ASSERT_GT(list.entries.size(), 1000u);
  EXPECT_EQ("/music/0/song 0.mp3", list.entries[0].path);
  EXPECT_EQ("#EXTINF:1,Artist 0 - Song 0", *list.entries[0].extInfo);
  kw::savePlaylist(list, discard());
  EXPECT_TRUE(readFile(dir.file("big.xspf")) == doc);
}

TEST(HugeInputOfTheTool, AHundredMegabyteXmlValidList) {
  ScratchDir dir;
  const std::string doc = bigXspf(hugeLineBytes());
  writeFile(dir.file("v.xspf"), doc);
  writeFile(dir.file("i.m3u"), "/music/3/song 3.mp3\n");
  ChildOptions options;
  options.workDir = dir.path();
  options.args = {"v.xspf", "i.m3u"};
  const ChildResult result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(0, result.status) << describe(result);
  EXPECT_EQ("/music/3/song 3.mp3\n", readFile(dir.file("i.m3u")));
  expectMemoryBelow(result, 8 * doc.size() + (100 << 20), "a 100 MB XSPF");
}

TEST(HugeInputOfTheTool, XmlNestedAHundredThousandLevels) {
  ScratchDir dir;
  std::string open, close;
  for (int i = 0; i < 100000; ++i) open += "<x>", close += "</x>";
  const std::string deep = "<playlist><trackList><track><location>/music/1/song1.mp3</location><extension>" + open +
                           close + "</extension></track></trackList></playlist>\n";
  writeFile(dir.file("v.m3u"), songList(3));
  writeFile(dir.file("deep.xspf"), deep);
  writeFile(dir.file("broken.xspf"), "<playlist>\n" + open);
  ChildOptions options;
  options.workDir = dir.path();
  options.args = {"v.m3u", "deep.xspf", "broken.xspf"};
  const ChildResult result = runTool(options);
  ASSERT_TRUE(result.exited) << describe(result);
  EXPECT_EQ(0, result.status) << describe(result);
  EXPECT_TRUE(readFile(dir.file("deep.xspf")) == deep);
  EXPECT_NE(result.err.find("Error in broken.xspf (#2): XML error: Start-end tags mismatch\nIgnored. Continuing.\n"),
            std::string::npos)
      << result.err;
}

}  // namespace
}  // namespace trackmend_faults
