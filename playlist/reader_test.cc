#include "playlist/reader.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <sstream>
#include <tuple>

#include "Lib/kw/err/error.h"
#include "Lib/kw/sys_dep/code_page.h"
#include "tests/support/test_support.h"

namespace kw {
namespace {

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : ";") + line;
  return text;
}

// One entry as text: "path" or "path|info", with a leading '-' when deleted
// and the other lines as " {before / after}".
std::string describe(const PlaylistEntry& entry) {
  std::string text = (entry.deleted ? "-" : "") + entry.path;
  if (entry.extInfo) text += "|" + *entry.extInfo;
  if (entry.otherLines) {
    text += " {" + joined(entry.otherLines->beforeInfo) + " / " + joined(entry.otherLines->afterInfo) + "}";
  }
  return text;
}

std::vector<std::string> describe(const PlayList& list) {
  std::vector<std::string> result;
  for (const PlaylistEntry& entry : list.entries) result.push_back(describe(entry));
  return result;
}

using Texts = std::vector<std::string>;

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { savedLocation_ = err::Error::setDefaultLocation("trackmend"); }
  void TearDown() override { err::Error::setDefaultLocation(savedLocation_); }

  // Reads `bytes` as the playlist file `name` into list_.
  void read(const std::string& bytes, const std::string& name = "list.m3u") {
    list_ = PlayList(dir_.file(name));
    trackmend_test::writeFile(list_.fileName, bytes);
    progress_.str("");
    warnings_.str("");
    readPlaylist(list_, progress_, warnings_);
  }
  // The report of the header error that reading `bytes` raises.
  std::string headerError(const std::string& bytes) {
    try {
      read(bytes);
    } catch (const err::IOError& e) {
      return std::string("IOError: ") + e.what();
    } catch (const err::Error& e) {
      EXPECT_TRUE(e.withPrefix);
      return e.what();
    }
    return "<no error>";
  }
  std::string errorText(int line, const std::string& message) const {
    return "Error in " + dir_.file("list.m3u") + " (#" + std::to_string(line) + "): " + message;
  }
  std::string readingLine() const { return "Reading playlist '" + list_.fileName + "'\n"; }

  trackmend_test::ScratchDir dir_;
  PlayList list_{""};
  std::ostringstream progress_, warnings_;
  std::string savedLocation_;
};

// Where players write M3U files in the ANSI code page (Windows-1252 in these
// tests), one without a byte-order mark that holds a path that is not
// UTF-8 is such a playlist: its lines stay bytes, and a library read from
// it is UTF-8. Nowhere else, and never PLS.
TEST_F(ReaderTest, AnsiPlaylistsAreToldByTheirPaths) {
  const bool ansi = sys_dep::hasAnsiPlaylists();
  const std::string latin = "#EXTM3U\n#EXTINF:1,Bj\xF6rk\nBj\xF6rk.mp3\n";
  for (const auto& [bytes, name, expected] :
       {std::tuple{latin, "a.m3u", ansi}, {"\xEF\xBB\xBF" + latin, "b.m3u", false},
        {"[playlist]\nFile1=Bj\xF6rk.mp3\n", "c.pls", false}, {"x\xC3\xB6.mp3\n", "d.m3u", false}}) {
    read(bytes, name);
    EXPECT_EQ(list_.ansiCodePage, expected) << name;
  }
  read(latin, "a.m3u");
  EXPECT_EQ(describe(list_), Texts{"Bj\xF6rk.mp3|#EXTINF:1,Bj\xF6rk"});
  SongList songs(list_.fileName);
  readSongs(songs, progress_, warnings_);
  EXPECT_EQ(songs.path(0), ansi ? "Bj\xC3\xB6rk.mp3" : "Bj\xF6rk.mp3");
  EXPECT_EQ(songs.info(0), ansi ? "#EXTINF:1,Bj\xC3\xB6rk" : "#EXTINF:1,Bj\xF6rk");
  decodeAnsiCodePage(list_);
  EXPECT_EQ(list_.entries[0].path, songs.path(0));
  EXPECT_FALSE(list_.ansiCodePage);
}

TEST_F(ReaderTest, EmptyFileIsAnEmptyM3u) {
  read("");
  EXPECT_EQ(progress_.str(), readingLine() + "Assuming input is an empty playlist in m3u format.\n");
  EXPECT_TRUE(list_.entries.empty());
  EXPECT_FALSE(list_.plsFormat);
}

TEST_F(ReaderTest, PlainM3u) {
  read("a.mp3\n  spaced name.mp3  \n\n   \n\tb.mp3\t\nC:\\x\\c.mp3");
  EXPECT_EQ(progress_.str(), readingLine() + "Assuming m3u format.\n");
  EXPECT_EQ(describe(list_), (Texts{"a.mp3", "spaced name.mp3", "\tb.mp3\t", "C:\\x\\c.mp3"}));
  EXPECT_EQ(warnings_.str(), "");
}

TEST_F(ReaderTest, ExtendedM3uPairsInformationWithTheNextPath) {
  read("#EXTM3U\n#EXTINF:10,A\na.mp3\nplain.mp3\n#EXTINF:10,X\n#EXTINF:20,B\nb.mp3\n"
       "# comment\n\n#EXTM3U\nc.mp3\n#EXTINF:5,dropped at the end\n");
  EXPECT_EQ(progress_.str(), readingLine() + "Detected extended m3u format.\n" +
                                 "Duplicated extended playlist info skipped\n");
  EXPECT_EQ(describe(list_), (Texts{"a.mp3|#EXTINF:10,A", "plain.mp3", "b.mp3|#EXTINF:20,B",
                                    "c.mp3 {# comment;#EXTM3U / }"}));
  EXPECT_EQ(list_.trailingLines, Texts{"#EXTINF:5,dropped at the end"});
}

// Where each '#' line of an M3U file ends up, and which one is the
// information line.
TEST_F(ReaderTest, HashLinesKeepTheirPlaceAroundTheInformationLine) {
  struct Case {
    const char* name;
    std::string text;
    Texts fileLines, entries, trailingLines;
    int duplicates;
  };
  const Case cases[] = {
      {"written as VLC writes them",
       "#EXTM3U\n#PLAYLIST:Mix\n#EXTINF:10,A\n#EXTVLCOPT:x\na.mp3\n#EXTINF:20,B\n#EXTVLCOPT:y\n"
       "#EXTVLCOPT:z\nb.mp3\n# end\n",
       {"#PLAYLIST:Mix"},
       {"a.mp3|#EXTINF:10,A { / #EXTVLCOPT:x}", "b.mp3|#EXTINF:20,B { / #EXTVLCOPT:y;#EXTVLCOPT:z}"},
       {"# end"}, 0},
      {"blanks and tabs before '#' go, tabs around paths stay",
       "#EXTM3U\n\t\t#EXTINF:1,T  \n \t #EXTGRP:g\t\n\ta.mp3\t\n\t\n",
       {}, {"\ta.mp3\t|#EXTINF:1,T { / #EXTGRP:g\t}", "\t"}, {}, 0},
      {"#EXTINF in any letter case; other lines are not information",
       "#EXTM3U\na.mp3\n#ExtInf:5,x\nb.mp3\n#EXTGRP:g\n# note\nc.mp3\n",
       {}, {"a.mp3", "b.mp3|#ExtInf:5,x", "c.mp3 {#EXTGRP:g;# note / }"}, {}, 0},
      {"the first song's lines before its information belong to the file",
       "#EXTM3U\n#EXTGRP:g\n#EXTVLCOPT:v\na.mp3\n#EXTGRP:h\nb.mp3\n",
       {"#EXTGRP:g", "#EXTVLCOPT:v"}, {"a.mp3", "b.mp3 {#EXTGRP:h / }"}, {}, 0},
      {"earlier #EXTINF lines before one path are dropped, trailing ones kept",
       "#EXTM3U\nfirst\n#A\n#EXTINF:1,x\n#B\n#EXTINF:2,y\n#C\na\n#EXTINF:3,z\n#EXTINF:4,w\n",
       {}, {"first", "a|#EXTINF:2,y {#A;#B / #C}"}, {"#EXTINF:3,z", "#EXTINF:4,w"}, 1},
      {"no path at all: every line is the file's", "#EXTM3U\n#PLAYLIST:x\n#EXTINF:1,a\n",
       {"#PLAYLIST:x", "#EXTINF:1,a"}, {}, {}, 0},
      {"a plain file with a tab-indented information line", "\t#EXTINF:1,x\na.mp3\n",
       {}, {"a.mp3|#EXTINF:1,x"}, {}, 0},
  };
  for (const Case& c : cases) {
    read(c.text);
    EXPECT_EQ(list_.fileLines, c.fileLines) << c.name;
    EXPECT_EQ(describe(list_), c.entries) << c.name;
    EXPECT_EQ(list_.trailingLines, c.trailingLines) << c.name;
    std::string duplicates;
    for (int k = 0; k < c.duplicates; ++k) duplicates += "Duplicated extended playlist info skipped\n";
    EXPECT_TRUE(progress_.str().ends_with("format.\n" + duplicates)) << c.name;
  }
}

// Blank lines (empty or of blanks only) before the first content are
// skipped when the format is told; a file of blank lines only is M3U.
TEST_F(ReaderTest, BlankLinesBeforeTheFirstContentDoNotTellTheFormat) {
  const struct {
    const char* text;
    const char* detected;
    Texts entries;
  } cases[] = {
      {"\n  \n[playlist]\nFile1=/a\n", "Detected pls format.\n", {"/a"}},
      {"\n#EXTM3U\n#EXTINF:1,A\na\n", "Detected extended m3u format.\n", {"a|#EXTINF:1,A"}},
      {"\n \n", "Assuming m3u format.\n", {}},
  };
  for (const auto& c : cases) {
    read(c.text);
    EXPECT_EQ(progress_.str(), readingLine() + c.detected) << c.text;
    EXPECT_EQ(describe(list_), c.entries) << c.text;
  }
  EXPECT_EQ(headerError("\n \n#x\n"), errorText(3, "#EXTM3U awaited."));  // lines still counted
}

TEST_F(ReaderTest, HeaderOnlyFilesAndEntriesAlreadyThere) {
  read("#EXTM3U\n");
  EXPECT_TRUE(list_.entries.empty());
  list_.entries.emplace_back("old.mp3");
  trackmend_test::writeFile(list_.fileName, "new.mp3\n");
  readPlaylist(list_, progress_, warnings_);
  EXPECT_EQ(describe(list_), (Texts{"old.mp3", "new.mp3"}));
}

TEST_F(ReaderTest, BrokenHeadersNameFileAndLine) {
  EXPECT_EQ(headerError("#comment\na.mp3\n"), errorText(1, "#EXTM3U awaited."));
  EXPECT_EQ(progress_.str(), readingLine());
  EXPECT_EQ(headerError("#comment"), errorText(0, "#EXTM3U awaited."));
  EXPECT_EQ(headerError("#EXTM3U \na\n"), errorText(1, "#EXTM3U awaited."));
  EXPECT_EQ(headerError("#extm3u\na\n"), errorText(1, "#EXTM3U awaited."));
  EXPECT_EQ(headerError("[playlist]\n"), errorText(1, "Unexpected end of file behind header"));
  EXPECT_TRUE(list_.plsFormat);
  EXPECT_EQ(headerError("[playlist]"), errorText(0, "Unexpected end of file behind header"));
}

TEST_F(ReaderTest, HeaderErrorReportsInTheProgramLayout) {
  try {
    read("#x\n");
    FAIL();
  } catch (const err::Error& e) {
    std::ostringstream report;
    e.print(report);
    EXPECT_EQ(report.str(), "\nError in trackmend: " + errorText(1, "#EXTM3U awaited.") + "\n");
  }
}

TEST_F(ReaderTest, LineEndsOfEveryKind) {  // decision a
  read("#EXTM3U\r\n#EXTINF:1,A\r\na.mp3\r\nb.mp3\rc.mp3\n#EXTINF:2,D\rd.mp3\r");
  EXPECT_EQ(describe(list_),
            (Texts{"a.mp3|#EXTINF:1,A", "b.mp3", "c.mp3", "d.mp3|#EXTINF:2,D"}));
  read("[playlist]\rNumberOfEntries=1\rFile1=a.mp3\rTitle1=A\rLength1=3\r");
  EXPECT_EQ(describe(list_), Texts{"a.mp3|#EXTINF:3,A"});
  EXPECT_EQ(warnings_.str(), "");
}

TEST_F(ReaderTest, Utf8ByteOrderMarkIsNotContent) {  // decision a
  read("\xEF\xBB\xBF#EXTM3U\n#EXTINF:1,A\na.mp3\n");
  EXPECT_EQ(progress_.str(), readingLine() + "Detected extended m3u format.\n");
  EXPECT_EQ(describe(list_), Texts{"a.mp3|#EXTINF:1,A"});
  read("\xEF\xBB\xBF[playlist]\nFile1=a\n");
  EXPECT_TRUE(list_.plsFormat);
  read("\xEF\xBB\xBF" "a.mp3\n");
  EXPECT_EQ(describe(list_), Texts{"a.mp3"});
  read("\xEF\xBB\xBF");
  EXPECT_EQ(progress_.str(), readingLine() + "Assuming input is an empty playlist in m3u format.\n");
  read("a.mp3\n\xEF\xBB\xBF" "b.mp3\n");  // only at the very start
  EXPECT_EQ(describe(list_), (Texts{"a.mp3", "\xEF\xBB\xBF" "b.mp3"}));
}

TEST_F(ReaderTest, Utf16IsRefusedBeforeAnythingIsRead) {  // decision a
  const std::string le("\xFF\xFE#\0E\0X\0T\0M\0" "3\0U\0\n\0", 18);
  const std::string be("\xFE\xFF\0#\0E\0X\0T\0M\0" "3\0U\0\n", 18);
  EXPECT_EQ(headerError(le), errorText(0, "UTF-16 text is not supported."));
  EXPECT_EQ(progress_.str(), readingLine());
  EXPECT_TRUE(list_.entries.empty());
  EXPECT_EQ(headerError(be), errorText(0, "UTF-16 text is not supported."));
}

TEST_F(ReaderTest, DirectoryIsAnIOErrorNotAnEmptyPlaylist) {  // decision b
  list_ = PlayList(dir_.path());
  try {
    readPlaylist(list_, progress_, warnings_);
    FAIL();
  } catch (const err::IOError& e) {
    EXPECT_EQ(std::string(e.what()), "Is a directory ('" + dir_.path() + "')");
  }
  EXPECT_EQ(progress_.str(), "");
}

TEST_F(ReaderTest, MissingFileWritesNothing) {
  list_ = PlayList(dir_.file("missing.m3u"));
  list_.entries.emplace_back("kept");
  try {
    readPlaylist(list_, progress_, warnings_);
    FAIL();
  } catch (const err::IOError& e) {
    EXPECT_EQ(std::string(e.what()),
              std::string(std::strerror(ENOENT)) + " ('" + list_.fileName + "')");
  }
  EXPECT_EQ(progress_.str(), "");
  EXPECT_EQ(describe(list_), Texts{"kept"});
}

TEST_F(ReaderTest, PlsKeysGroupedByIndex) {
  read("[playlist]\nnumberofentries=3\nFile1=a.mp3\nTitle1=A\nLength1=61\n\n"
       "file2=b.mp3\nLENGTH2=5\ntitle3=t\nfile3=c.mp3\nlength3=-4\n"
       "  File4 = d.mp3  \nTitle4=  D  \n");
  EXPECT_EQ(progress_.str(), readingLine() + "Detected pls format.\n");
  EXPECT_TRUE(list_.plsFormat);
  EXPECT_EQ(describe(list_), (Texts{"a.mp3|#EXTINF:61,A", "b.mp3", "c.mp3|#EXTINF:-4,t",
                                    " d.mp3|#EXTINF:0,  D"}));
  EXPECT_EQ(warnings_.str(), "");
}

// A title or length belongs to the latest entry of its number wherever it
// stands; a second path of a number starts an entry; entries come in the
// order of their numbers, so a file sorted by key name keeps everything.
TEST_F(ReaderTest, PlsKeysBelongToTheLatestEntryOfTheirNumber) {
  const struct {
    const char* body;
    Texts entries;
  } cases[] = {
      {"File1=a\nFile2=b\nTitle1=x\n", {"a|#EXTINF:0,x", "b"}},
      {"File1=a\nTitle1=x\nFile1=y\nLength1=7x\nTitle1=z\n", {"a|#EXTINF:0,x", "y|#EXTINF:7,z"}},
      {"Title1=no path\nFile2=b\n", {"b"}},
      {"Title2=B\nFile2=b\nFile1=a\n", {"a", "b|#EXTINF:0,B"}},
      {"File1=a\nFile10=j\nFile2=b\nLength1=1\nLength10=10\nLength2=2\nTitle1=A\nTitle10=J\nTitle2=B\n",
       {"a|#EXTINF:1,A", "b|#EXTINF:2,B", "j|#EXTINF:10,J"}},
  };
  for (const auto& c : cases) {
    read(std::string("[playlist]\n") + c.body);
    EXPECT_EQ(describe(list_), c.entries) << c.body;
  }
}

TEST_F(ReaderTest, PlsUnexpectedContentGoesToWarnings) {
  read(std::string("[playlist]\nfile0=x\nfile=x\nfilex=y\nFile1=C:\\a=b.mp3\nVersion=2\n"
                   "NumberOfEntries=3\ntitle-1=q\nfile1\n") +
       std::string("\0garbage\n", 9) + "  \0x\n");
  EXPECT_EQ(describe(list_), Texts{"C:\\a=b.mp3"});
  EXPECT_EQ(warnings_.str(),
            "Unexpected content ignored: 'file0=x'\n"
            "Unexpected content ignored: 'file=x'\n"
            "Unexpected content ignored: 'filex=y'\n"
            "Unexpected content ignored: 'Version=2'\n"
            "Unexpected content ignored: 'NumberOfEntries=3'\n"
            "Unexpected content ignored: 'title-1=q'\n"
            "Unexpected content ignored: 'file1'\n");
  EXPECT_EQ(progress_.str(), readingLine() + "Detected pls format.\n");
}

TEST_F(ReaderTest, PlsFirstLineAfterTheHeaderMayBeContent) {
  read("[playlist]\nFile1=a\n");
  EXPECT_EQ(describe(list_), Texts{"a"});
  read("[playlist]\nNUMBEROFENTRIES=x\n");
  EXPECT_TRUE(list_.entries.empty());
  EXPECT_EQ(warnings_.str(), "");
}

TEST_F(ReaderTest, PlsHeaderIgnoresLetterCase) {  // decision i
  for (const char* header : {"[Playlist]", "[PLAYLIST]", "[playlist]"}) {
    read(std::string(header) + "\nNumberOfEntries=1\nFile1=a.mp3\n");
    EXPECT_TRUE(list_.plsFormat) << header;
    EXPECT_EQ(describe(list_), Texts{"a.mp3"});
  }
  read("[playlist] \t\nFile1=a\n");  // blanks and tabs after it count for nothing
  EXPECT_TRUE(list_.plsFormat);
  EXPECT_EQ(describe(list_), Texts{"a"});
  read("[playlist]x\nFile1=a\n");  // not the header: plain M3U content
  EXPECT_FALSE(list_.plsFormat);
  EXPECT_EQ(describe(list_), (Texts{"[playlist]x", "File1=a"}));
}

TEST_F(ReaderTest, PlsNumbersClampInsteadOfOverflowing) {  // decision h
  read("[playlist]\nFile99999999999999999999=a\nLength99999999999999999999=99999999999999\n"
       "Title99999999999999999999=A\nFile2147483648=b\nFile1=c\nLength1=-99999999999999999\n"
       "Title1=C\n");
  EXPECT_EQ(describe(list_), (Texts{"c|#EXTINF:" + std::to_string(INT_MIN) + ",C",
                                    "a|#EXTINF:" + std::to_string(INT_MAX) + ",A", "b"}));
  read("[playlist]\nFile-99999999999999999999=a\n");
  EXPECT_TRUE(list_.entries.empty());
  EXPECT_EQ(warnings_.str(), "Unexpected content ignored: 'File-99999999999999999999=a'\n");
}

TEST_F(ReaderTest, OddBytesReadWithoutHarm) {
  read(std::string("a\0b.mp3\n\0\n", 10));
  EXPECT_EQ(describe(list_), (Texts{std::string("a\0b.mp3", 7), std::string(1, '\0')}));
  const std::string mega(1 << 20, 'x');
  read("#EXTM3U\n#EXTINF:1," + mega + "\n" + mega + ".mp3\n");
  ASSERT_EQ(list_.entries.size(), 1u);
  EXPECT_EQ(list_.entries[0].path, mega + ".mp3");
  std::string garbage;
  unsigned seed = 99;
  for (int i = 0; i < 200000; ++i) {
    seed = seed * 1103515245u + 12345u;
    garbage += static_cast<char>(seed >> 16);
  }
  for (const char* head : {"", "#EXTM3U\n", "[playlist]\n", "x\n"}) {
    read(std::string(head) + garbage);
    read(std::string(head) + garbage, "g.pls");
  }
}

// The real playlists written by other players: all read, none crashes.
TEST_F(ReaderTest, CorpusFilesRead) {
  const std::string corpus = trackmend_test::corpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no shared corpus next to the source tree";
  DIR* dir = opendir(corpus.c_str());
  ASSERT_NE(dir, nullptr);
  int read = 0;
  while (const dirent* item = readdir(dir)) {
    const std::string name = item->d_name;
    if (name[0] == '.' || name.size() < 4 || name.substr(name.size() - 3) == ".md") continue;
    PlayList list(corpus + "/" + name);
    std::ostringstream progress, warnings;
    try {
      readPlaylist(list, progress, warnings);
      ++read;
    } catch (const err::Error& e) {
      const std::string text = e.what();
      const bool expected = text.find("UTF-16 text is not supported.") != std::string::npos ||
                            text.find("#EXTM3U awaited.") != std::string::npos;
      EXPECT_TRUE(expected) << name << ": " << text;
    }
  }
  closedir(dir);
  EXPECT_GT(read, 0);
}

TEST_F(ReaderTest, CorpusByteOrderMarks) {
  const std::string corpus = trackmend_test::corpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no shared corpus next to the source tree";
  PlayList withBom(corpus + "/lizzy_playlist-utf8-bom.m3u");
  PlayList plain(corpus + "/lizzy_playlist-utf8.m3u8");
  if (!trackmend_test::fileExists(withBom.fileName) || !trackmend_test::fileExists(plain.fileName)) {
    GTEST_SKIP() << "corpus lacks the byte-order-mark pair";
  }
  std::ostringstream ignored;
  readPlaylist(withBom, ignored, ignored);
  readPlaylist(plain, ignored, ignored);
  EXPECT_EQ(describe(withBom), describe(plain));
  for (const char* name : {"/lizzy_playlist-utf16le-bom.m3u", "/lizzy_playlist-utf16be-bom.m3u"}) {
    PlayList wide(corpus + name);
    if (!trackmend_test::fileExists(wide.fileName)) continue;
    try {
      readPlaylist(wide, ignored, ignored);
      ADD_FAILURE() << name << " was read";
    } catch (const err::Error& e) {
      EXPECT_EQ(std::string(e.what()),
                "Error in " + wide.fileName + " (#0): UTF-16 text is not supported.");
    }
  }
}

// What reading `fileName` gives, in the playlist form or in the library form
// (readSongs): the output, the warnings, the error, and each song's path and
// information line.
std::string readAs(const std::string& fileName, bool library) {
  std::ostringstream progress, warnings;
  std::string songs;
  try {
    if (library) {
      SongList list(fileName);
      readSongs(list, progress, warnings);
      for (std::size_t k = 0; k < list.size(); ++k)
        songs += std::string(list.path(k)) + (list.hasInfo(k) ? "|" + std::string(list.info(k)) : "") + "\n";
    } else {
      PlayList list(fileName);
      readPlaylist(list, progress, warnings);
      decodeAnsiCodePage(list);  // a library is read as the text it stands for
      for (const PlaylistEntry& e : list.entries) songs += e.path + (e.extInfo ? "|" + *e.extInfo : "") + "\n";
    }
  } catch (const err::Error& e) {
    songs += std::string("error: ") + e.what();
  }
  return progress.str() + "--\n" + warnings.str() + "--\n" + songs;
}

// A library is read by the same rules as a playlist, only into another form:
// every real playlist of other players, and lines that span the reader's
// blocks, give the same output, warnings, errors and songs either way.
TEST_F(ReaderTest, LibraryFormReadsAsThePlaylistForm) {
  std::vector<std::string> files;
  for (const std::string& corpus : {trackmend_test::corpusDir(), trackmend_test::corpusXmlDir()}) {
    if (corpus.empty()) continue;
    DIR* dir = opendir(corpus.c_str());
    ASSERT_NE(dir, nullptr);
    while (const dirent* item = readdir(dir))
      if (item->d_name[0] != '.' && !std::string(item->d_name).ends_with(".md"))
        files.push_back(corpus + "/" + item->d_name);
    closedir(dir);
  }
  const std::string longLine(200000, 'x');
  const std::pair<const char*, std::string> written[] = {
      {"long.m3u", "#EXTM3U\r\n#EXTINF:1," + longLine + "\r\n/a/" + longLine + "\r\n# c\n/b\n#EXTINF:2,x"},
      {"pls.pls", "[playlist]\nFile1=a\nTitle1=A\nLength1=3\nVersion=2\nFile2=" + longLine + "\n"},
      {"bad.m3u", "# no header\n/a\n"},
  };
  for (const auto& [name, bytes] : written) {
    trackmend_test::writeFile(dir_.file(name), bytes);
    files.push_back(dir_.file(name));
  }
  for (const std::string& file : files) EXPECT_EQ(readAs(file, true), readAs(file, false)) << file;
}

}  // namespace
}  // namespace kw
