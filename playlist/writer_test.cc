#include "playlist/writer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>

#include "Lib/kw/err/error.h"
#include "playlist/path_forms.h"
#include "playlist/reader.h"
#include "playlist/writer_test_support.h"
#include "tests/support/test_support.h"

namespace kw {
namespace {

using trackmend_test::fileExists;
using trackmend_test::folderNames;
using trackmend_test::readFile;
using trackmend_test::writeFile;
using Names = std::vector<std::string>;

TEST_F(WriterTest, M3uBytes) {
  const PlayList list = sample(dir_.file("s.m3u"));
  EXPECT_EQ(save(list), saving(list.fileName));
  EXPECT_EQ(readFile(list.fileName), kSampleM3u);
}

TEST_F(WriterTest, PlainM3uHasNoHeaderButADeletedEntryWithInfoCounts) {
  PlayList list(dir_.file("p.m3u"));
  list.entries.emplace_back("x.mp3");
  list.entries.emplace_back("y.mp3");
  save(list);
  EXPECT_EQ(readFile(list.fileName), "x.mp3\ny.mp3\n");
  list.entries.emplace_back("z.mp3", "#EXTINF:1,Z");
  list.entries.back().deleted = true;
  save(list);
  EXPECT_EQ(readFile(list.fileName), "#EXTM3U\nx.mp3\ny.mp3\n");
  save(PlayList(list.fileName));
  EXPECT_EQ(readFile(list.fileName), "");
}

// A plain M3U file is detected by its first line, so a first path that
// looks like a header must not be written bare: it would read back as an
// empty PLS, lose its byte-order-mark bytes, be read as XML, or be refused.
TEST_F(WriterTest, FirstPathThatLooksLikeAHeaderGetsTheExtendedHeader) {
  for (const std::string& first : {std::string("[PlayList]"), std::string("\xEF\xBB\xBF" "a.mp3"),
                                   std::string("\xFF\xFE" "a.mp3"), std::string("\xFE\xFF" "a.mp3"),
                                   std::string("\t<a>.mp3"), std::string("II*\0a.mp3", 9)}) {
    PlayList list(dir_.file("h.m3u"));
    list.entries.emplace_back("gone.mp3");
    list.entries.back().deleted = true;
    list.entries.emplace_back(first);
    list.entries.emplace_back("b.mp3");
    save(list);
    EXPECT_EQ(readFile(list.fileName), "#EXTM3U\n" + first + "\nb.mp3\n");
    PlayList again(list.fileName);
    std::ostringstream progress, warnings;
    readPlaylist(again, progress, warnings);
    ASSERT_EQ(again.entries.size(), 2u);
    EXPECT_EQ(again.entries[0].path, first);
    EXPECT_EQ(again.entries[0].extInfo, nullptr);
    EXPECT_FALSE(again.plsFormat);
  }
  PlayList later(dir_.file("l.m3u"));
  later.entries.emplace_back("a.mp3");
  later.entries.emplace_back("[playlist]");
  save(later);
  EXPECT_EQ(readFile(later.fileName), "a.mp3\n[playlist]\n");
}

TEST_F(WriterTest, PlsIsNumberedOverWrittenEntriesWithoutANulLine) {  // decision f
  PlayList list = sample(dir_.file("s.pls"));
  list.plsFormat = true;
  EXPECT_EQ(save(list), saving(list.fileName));
  EXPECT_EQ(readFile(list.fileName), kSamplePls);
  save(PlayList(list.fileName));  // plsFormat false: renamed away
  PlayList empty(list.fileName);
  empty.plsFormat = true;
  save(empty);
  EXPECT_EQ(readFile(list.fileName), "[playlist]\nnumberofentries=0\n");
}

TEST_F(WriterTest, WriteEntryForms) {
  auto written = [](const PlaylistEntry& entry, bool pls, int index) {
    std::ostringstream out;
    writeEntry(entry, out, pls, index);
    return out.str();
  };
  const PlaylistEntry full("p", "#EXTINF:123,Artist - Song, Side B");
  EXPECT_EQ(written(full, false, 1), "#EXTINF:123,Artist - Song, Side B\np\n");
  EXPECT_EQ(written(full, true, 2), "file2=p\ntitle2=Artist - Song, Side B\nlength2=123\n");
  EXPECT_EQ(written(PlaylistEntry("p", "#EXTINF:,Song"), true, 2), "file2=p\ntitle2=Song\nlength2=\n");
  EXPECT_EQ(written(PlaylistEntry("p", "#extinf:5,x"), true, 1), "file1=p\ntitle1=x\nlength1=5\n");
  EXPECT_EQ(written(PlaylistEntry("p", "#EXTINF:"), true, 10), "file10=p\ntitle10=\n");
  EXPECT_EQ(written(PlaylistEntry("p"), true, 7), "file7=p\n");
  PlaylistEntry gone("p", "#x");
  gone.deleted = true;
  EXPECT_EQ(written(gone, true, 1), "");
  EXPECT_EQ(written(gone, false, 1), "");
}

// An M3U text read, changed and written: the '#' lines stay where they were
// unless their entry goes, and PLS has no place for them.
TEST_F(WriterTest, HashLinesAreWrittenWhereTheyStood) {
  const std::string vlc =
      "#EXTM3U\n#PLAYLIST:Mix\n#EXTINF:1,a\n#V:1\na\n#V:2\nb\n#extinf:3,c\n#V:3\nc\n# end\n";
  auto none = [](PlayList&) {};
  auto drop = [](std::vector<int> gone) {
    return [gone](PlayList& list) {
      for (const int k : gone) list.entries[k].deleted = true;
    };
  };
  struct Case {
    const char* name;
    std::string text;
    std::function<void(PlayList&)> change;
    bool pls;
    std::string expected;
  };
  const Case cases[] = {
      {"unchanged", vlc, none, false, vlc},
      {"deleted entries take their lines along, the file keeps its own", vlc, drop({0, 2}), false,
       "#EXTM3U\n#PLAYLIST:Mix\n#V:2\nb\n# end\n"},
      {"information replaced in place, or given directly before the path", vlc,
       [](PlayList& list) {
         list.entries[0].extInfo = std::make_unique<std::string>("#EXTINF:9,A");
         list.entries[1].extInfo = std::make_unique<std::string>("#EXTINF:8,B");
       },
       false,
       "#EXTM3U\n#PLAYLIST:Mix\n#EXTINF:9,A\n#V:1\na\n#V:2\n#EXTINF:8,B\nb\n#extinf:3,c\n#V:3\nc\n"
       "# end\n"},
      {"PLS drops the other lines", vlc, none, true,
       "[playlist]\nnumberofentries=3\nfile1=a\ntitle1=a\nlength1=1\nfile2=b\nfile3=c\ntitle3=c\n"
       "length3=3\n"},
      {"plain stays plain", "a\nb\n", none, false, "a\nb\n"},
      {"a line of a written entry makes it extended", "a\n#V\nb\n", none, false, "#EXTM3U\na\n#V\nb\n"},
      {"a line of a deleted entry does not", "a\n#V\nb\n", drop({1}), false, "a\n"},
      {"a line after the last path does", "a\n# end\n", none, false, "#EXTM3U\na\n# end\n"},
      {"the file's lines stay when every entry goes", vlc, drop({0, 1, 2}), false,
       "#EXTM3U\n#PLAYLIST:Mix\n# end\n"},
      {"entries appended after reading go before the lines at the end", "#EXTM3U\na\n# end\n",
       [](PlayList& list) { list.entries.emplace_back("z"); }, false, "#EXTM3U\na\nz\n# end\n"},
  };
  for (const Case& c : cases) {
    PlayList list(dir_.file("in.m3u"));
    writeFile(list.fileName, c.text);
    std::ostringstream ignored;
    readPlaylist(list, ignored, ignored);
    c.change(list);
    list.fileName = dir_.file(c.pls ? "out.pls" : "out.m3u");
    list.plsFormat = c.pls;
    save(list);
    EXPECT_EQ(readFile(list.fileName), c.expected) << c.name;
  }
}

TEST_F(WriterTest, RoundTripsBetweenM3uAndPls) {
  const std::string m3u = dir_.file("r.m3u");
  const std::string original =
      "#EXTM3U\n#EXTINF:61,Artist - A\na.mp3\nb c.mp3\n#EXTINF:-1,Stream=x\nhttp://h/s?a=b\n"
      "#EXTINF:0,\xC3\xA4\xC3\xB6\nC:\\M\\\xC3\xBC.mp3\n";
  writeFile(m3u, original);
  std::ostringstream ignored;
  PlayList list(m3u);
  readPlaylist(list, ignored, ignored);
  list.plsFormat = true;
  EXPECT_EQ(save(list), saving(m3u) + renamed(dir_.file("r.pls")));
  EXPECT_FALSE(fileExists(m3u));
  PlayList asPls(dir_.file("r.pls"));
  readPlaylist(asPls, ignored, ignored);
  ASSERT_TRUE(asPls.plsFormat);
  ASSERT_EQ(asPls.entries.size(), list.entries.size());
  for (size_t i = 0; i < list.entries.size(); ++i) {
    EXPECT_EQ(asPls.entries[i].path, list.entries[i].path);
    EXPECT_EQ(asPls.entries[i].extInfo == nullptr, list.entries[i].extInfo == nullptr);
    if (asPls.entries[i].extInfo) {
      EXPECT_EQ(*asPls.entries[i].extInfo, *list.entries[i].extInfo);
    }
  }
  asPls.plsFormat = false;
  EXPECT_EQ(save(asPls), saving(asPls.fileName) + renamed(m3u));
  EXPECT_EQ(readFile(m3u), original);
  EXPECT_EQ(folderNames(dir_.path()), Names{"r.m3u"});
}

// A path with a line end (an XML location, a file name) must not split its
// line: it is written as a URI and reads back as the same file.
TEST_F(WriterTest, PathWithALineEndStaysOnItsLine) {
  const std::string folder = dir_.path();
  const std::pair<std::string, std::string> forms[] = {
      {"/m/x\ny.mp3", "file:///m/x%0Ay.mp3"},
      {"sub/a\rb.mp3", fileUri(resolvedPath(folder, "sub/a\rb.mp3"))},
      {"http://h/a\r\nb", "http://h/a%0D%0Ab"},
  };
  for (const bool pls : {false, true}) {
    PlayList list(dir_.file(pls ? "l.pls" : "l.m3u"));
    list.plsFormat = pls;
    for (const auto& [path, written] : forms) list.entries.emplace_back(path);
    save(list);
    const std::string text = readFile(list.fileName);
    PlayList back(list.fileName);
    std::ostringstream ignored;
    readPlaylist(back, ignored, ignored);
    ASSERT_EQ(back.entries.size(), 3u) << text;
    for (size_t k = 0; k < 3; ++k) EXPECT_EQ(back.entries[k].path, forms[k].second) << text;
    EXPECT_EQ(fileUriPath(back.entries[0].path), "/m/x\ny.mp3");
    EXPECT_EQ(fileUriPath(back.entries[1].path), resolvedPath(folder, "sub/a\rb.mp3"));
  }
}

// A path that would read as a comment or lose blanks at either end is
// written so that it reads back as the same file: "./" in front in M3U (PLS
// keeps what follows '='), the file:// URI for a blank at its end.
TEST_F(WriterTest, PathStartingWithHashOrBlankIsNoComment) {
  const std::string folder = dir_.path();
  const struct {
    std::string path, m3u, pls;
  } forms[] = {
      {"#1 Hits/05 Summer.mp3", "./#1 Hits/05 Summer.mp3", "#1 Hits/05 Summer.mp3"},
      {" \t#x.mp3", "./ \t#x.mp3", " \t#x.mp3"},
      {"#1 Hits\\05.mp3", ".\\#1 Hits\\05.mp3", "#1 Hits\\05.mp3"},
      {"\ttab#.mp3", "\ttab#.mp3", "\ttab#.mp3"},
      {"end.mp3 ", fileUri(resolvedPath(folder, "end.mp3 ")), fileUri(resolvedPath(folder, "end.mp3 "))},
      {"/m/end ", "file:///m/end%20", "file:///m/end%20"},
  };
  for (const bool pls : {false, true}) {
    PlayList list(dir_.file(pls ? "h.pls" : "h.m3u"));
    list.plsFormat = pls;
    for (const auto& form : forms) list.entries.emplace_back(form.path);
    save(list);
    PlayList back(list.fileName);
    std::ostringstream ignored;
    readPlaylist(back, ignored, ignored);
    ASSERT_EQ(back.entries.size(), std::size(forms)) << readFile(list.fileName);
    for (size_t k = 0; k < std::size(forms); ++k) EXPECT_EQ(back.entries[k].path, pls ? forms[k].pls : forms[k].m3u);
  }
}

TEST_F(WriterTest, CorrectedNames) {  // decisions e and j
  const std::pair<std::string, bool> cases[] = {
      {"songs.pls", false}, {"list", true},       {"a.M3U", false},     {"x.m3u8", false},
      {"x.M3U8", false},    {"x.m3u8", true},     {"x.PLS", true},      {"../old.d/list", false},
      {"dir.x/a\\b.c", false}, {".hidden", false},  {"x.m3u8.bak", false},
      {"/", false},         {"", true}};
  const Names expected = {"songs.m3u", "list.pls",        "a.m3u",        "x.m3u8",    "x.m3u8",
                          "x.pls",     "x.pls",           "../old.d/list.m3u", "dir.x/a\\b.m3u",
                          ".m3u",      "x.m3u8.m3u",      "/.m3u",        ".pls"};
  Names got;
  for (const auto& [name, pls] : cases) got.push_back(correctedPlaylistName(name, pls));
  EXPECT_EQ(got, expected);
}

TEST_F(WriterTest, WrongExtensionIsCorrectedByRenaming) {
  PlayList list = sample(dir_.file("songs.pls"));
  EXPECT_EQ(save(list), saving(list.fileName) + renamed(dir_.file("songs.m3u")));
  EXPECT_EQ(readFile(dir_.file("songs.m3u")), kSampleM3u);
  EXPECT_EQ(list.fileName, dir_.file("songs.pls"));
  PlayList bare(dir_.file("list"));
  bare.plsFormat = true;
  EXPECT_EQ(save(bare), saving(bare.fileName) + renamed(dir_.file("list.pls")));
  PlayList upper(dir_.file("x.M3U8"));
  upper.entries.emplace_back("a");
  EXPECT_EQ(save(upper), saving(upper.fileName) + renamed(dir_.file("x.m3u8")));
  PlayList wide(dir_.file("x.m3u8"));
  EXPECT_EQ(save(wide), saving(wide.fileName));
  EXPECT_EQ(folderNames(dir_.path()), (Names{"list.pls", "songs.m3u", "x.m3u8"}));
}

TEST_F(WriterTest, RenameNeverReplacesAnotherFile) {  // decision d
  const std::string other = dir_.file("songs.m3u");
  writeFile(other, "precious\n");
  PlayList list = sample(dir_.file("songs.pls"));
  writeFile(list.fileName, "old\n");
  EXPECT_EQ(errorOf(list, progress_), systemText(EEXIST) + " for rename ('" + list.fileName +
                                          " -> " + other + "')");
  EXPECT_EQ(progress_.str(), saving(list.fileName));
  EXPECT_EQ(readFile(other), "precious\n");
  EXPECT_EQ(readFile(list.fileName), kSampleM3u);
  EXPECT_EQ(folderNames(dir_.path()), (Names{"songs.m3u", "songs.pls"}));
}

TEST_F(WriterTest, MissingDirectoryFailsAfterTheSavingLine) {  // decision c
  PlayList list = sample(dir_.file("no/such.m3u"));
  progress_.str("");
  EXPECT_EQ(errorOf(list, progress_), systemText(ENOENT) + " ('" + list.fileName + "')");
  EXPECT_EQ(progress_.str(), saving(list.fileName));
}

TEST_F(WriterTest, ReplacingADirectoryFailsAndLeavesNoTemporaryFile) {  // decision c
  ASSERT_TRUE(std::filesystem::create_directory(dir_.file("d.m3u")));
  const std::string text = errorOf(sample(dir_.file("d.m3u")), progress_);
  EXPECT_EQ(text, systemText(EISDIR) + " ('" + dir_.file("d.m3u") + "')");
  EXPECT_EQ(folderNames(dir_.path()), Names{"d.m3u"});
}

}  // namespace
}  // namespace kw
