#include "main/run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Lib/kw/sys_dep/path.h"
#include "Lib/kw/sys_dep/path_rules.h"
#include "main/run_in_child.h"
#include "tests/support/audio_files.h"
#include "tests/support/test_support.h"

namespace trackmend {
namespace {

using trackmend_test::fileExists;
using trackmend_test::readFile;
using trackmend_test::RunResult;
using trackmend_test::ScratchDir;
using trackmend_test::writeFile;

const char kValid[] = "/music/rock/Band - First.mp3\n/music/pop/Singer - Second.mp3\n";
const char kBroken[] = "/old/rock/Band - First.mp3\n";

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

size_t occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class RunTest : public ::testing::Test {
 protected:
  RunTest() {
    writeFile(file("v.m3u"), kValid);
    writeFile(file("i.m3u"), kBroken);
  }
  std::string file(const std::string& name) const { return scratch.file(name); }
  RunResult run(const std::vector<std::string>& args, const std::string& input = "") {
    return trackmend_test::runInChild(args, input, scratch.path());
  }

  trackmend_test::ScratchDir scratch;
};

TEST_F(RunTest, AutomaticRepairSavesThePlaylist) {
  const RunResult result = run({"-a", "v.m3u", "i.m3u"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(contains(readFile(file("i.m3u")), "/music/rock/Band - First.mp3")) << readFile(file("i.m3u"));
  EXPECT_TRUE(contains(result.out, "Saving 'i.m3u'"));
  EXPECT_EQ(result.out.back(), '\n');
  EXPECT_FALSE(fileExists(file("dummylist")));
}

TEST_F(RunTest, AnAnsweredDialogue) {
  writeFile(file("i.m3u"), "/old/Band First.mp3\n");
  const RunResult result = run({"v.m3u", "i.m3u"}, "1\n");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(contains(result.err, "Song: '/old/Band First.mp3'")) << result.err;
  EXPECT_TRUE(contains(result.out, "Corrected entries = 1")) << result.out;
}

TEST_F(RunTest, OutputNeverReplacesAnInputPlaylist) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"-m", "v.m3u", "v.m3u", "i.m3u"}, "v.m3u"},
      {{"-m", "./i.m3u", "v.m3u", "i.m3u"}, "./i.m3u"},
      {{"-A", "-m", "i.m3u", "v.m3u", "x.m3u", "i.m3u"}, "i.m3u"},
      {{"-D", "v.m3u", "./v.m3u"}, "./v.m3u"},
  };
  for (const auto& [args, output] : cases) {
    const RunResult result = run(args);
    EXPECT_EQ(result.status, 1) << output;
    EXPECT_EQ(result.out, "") << output;
    EXPECT_EQ(result.err, std::string("\nError in trackmend: Output playlist '") + output +
                              "' is also an input playlist.\n");
    EXPECT_EQ(readFile(file("v.m3u")), kValid);
    EXPECT_EQ(readFile(file("i.m3u")), kBroken);
  }
}

// Every name a run writes to or renames onto is planned before the
// validList is read: the first conflict in command-line order ends the run,
// every file as it was. Then each output is checked before any question.
TEST_F(RunTest, OutputsArePlannedAndCheckedBeforeAnythingIsRead) {
  const char kXspf[] = "<playlist><trackList><track><location>/old/a.mp3</location></track></trackList></playlist>\n";
  const struct {
    std::vector<std::string> args;
    std::vector<std::pair<const char*, std::string>> files;
    const char* error;
  } cases[] = {
      {{"-a", "-P", "-s0", "-m", "i.pls", "v.m3u", "i.m3u"}, {},
       "Output playlists 'i.pls' and 'i.m3u' would both be saved as 'i.pls'."},
      {{"-m", "road.m3u", "v.m3u", "road.txt"}, {{"road.txt", kBroken}},
       "Output playlists 'road.m3u' and 'road.txt' would both be saved as 'road.m3u'."},
      {{"-m", "x.xspf", "v.m3u", "x.xml"}, {{"x.xml", kXspf}},
       "Output playlists 'x.xspf' and 'x.xml' would both be saved as 'x.xspf'."},
      {{"-M", "v.m3u", "a.PLS", "A.m3u"}, {{"a.PLS", "[playlist]\nFile1=/old/a.mp3\n"}},
       "Output playlist 'a.PLS' would be saved as 'a.m3u', which is also the input playlist 'A.m3u'."},
      {{"-A", "-m", "miss.txt", "v.m3u", "miss.pls"}, {{"miss.txt", "[playlist]\nFile1=x\n"}},
       "Output playlist 'miss.txt' would be saved as 'miss.pls', which is also the input playlist 'miss.pls'."},
      {{"-D", "v.m3u", "v.pls"}, {},
       "Output playlist 'v.pls' would be saved as 'v.m3u', which is also the input playlist 'v.m3u'."},
      {{"-m", "song.MP3", "v.m3u", "i.m3u"}, {{"song.MP3", "ID3"}},
       "Error in song.MP3 (#0): Not a playlist: audio, video, image or archive data."},
      {{"-D", "v.m3u", "cover.jpg"}, {{"cover.jpg", "\xFF\xD8\xFF\xE0 JFIF"}},
       "Error in cover.jpg (#0): Not a playlist: audio, video, image or archive data."},
      {{"-m", "album.cue", "v.m3u", "i.m3u"}, {{"album.cue", "FILE \"a.wav\" WAVE\nTRACK 01 AUDIO\n"}},
       "Error in album.cue (#0): Not a playlist: cue sheet."},
      {{"-m", "nothere/miss.m3u", "v.m3u", "i.m3u"}, {}, "No such file or directory ('nothere')"},
      {{"-m", "v.m3u/miss.m3u", "v.m3u", "i.m3u"}, {}, "Not a directory ('v.m3u')"},
      {{"-A", "-m", "folder", "v.m3u", "i.m3u"}, {{"folder/x.m3u", ""}}, "Is a directory ('folder')"},
      // A final name taken by another file, in the words of the rename.
      {{"-a", "v.m3u", "p.txt"}, {{"p.txt", kBroken}, {"p.m3u", "unrelated\n"}},
       "File exists for rename ('p.txt -> p.m3u')"},
      {{"-m", "miss.m3u", "-P", "v.m3u", "i.m3u"}, {{"miss.pls", "keep\n"}},
       "File exists for rename ('miss.m3u -> miss.pls')"},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    writeFile(dir.file("v.m3u"), kValid);
    writeFile(dir.file("i.m3u"), kBroken);
    for (const auto& [name, content] : c.files) {
      if (std::string(name).find('/') != std::string::npos) std::filesystem::create_directory(dir.file("folder"));
      writeFile(dir.file(name), content);
    }
    const RunResult result = trackmend_test::runInChild(c.args, "1\n", dir.path());
    EXPECT_EQ(result.status, 1) << c.error;
    EXPECT_EQ(result.out, "") << c.error;
    EXPECT_EQ(result.err, std::string("\nError in trackmend: ") + c.error + "\n");
    EXPECT_EQ(readFile(dir.file("v.m3u")), kValid);
    EXPECT_EQ(readFile(dir.file("i.m3u")), kBroken);
    for (const auto& [name, content] : c.files) EXPECT_EQ(readFile(dir.file(name)), content) << name;
  }
  // One playlist named twice, a conversion to a free name, and the validList
  // named again, are no conflict.
  for (const std::vector<std::string>& args : {std::vector<std::string>{"-a", "v.m3u", "i.m3u", "./i.m3u"},
                                               std::vector<std::string>{"-a", "-P", "v.m3u", "i.m3u"},
                                               std::vector<std::string>{"-P", "v.m3u", "v.m3u"}}) {
    EXPECT_EQ(run(args).status, 0) << args.back();
  }
}

TEST_F(RunTest, TheRulesComeBeforeTheOutputCheck) {
  const RunResult result = run({"-e", "1", "-m", "v.m3u", "v.m3u", "i.m3u"});
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(contains(result.err, "Specifying option -e does not make sense without option -a"));
}

TEST_F(RunTest, TheDupeFinderMayNameAnInvalidListAsOutput) {
  const RunResult result = run({"-D", "v.m3u", "i.m3u", "other.m3u"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_FALSE(fileExists(file("other.m3u")));
}

TEST_F(RunTest, NothingToDo) {
  const RunResult result = run({"v.m3u", ""});
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(contains(result.out, "v.m3u")) << "the valid playlist is read first";
  EXPECT_TRUE(result.err.ends_with("\nError in trackmend: Nothing to do.\n")) << result.err;
}

TEST_F(RunTest, AnEmptyWordEndsTheInvalidLists) {
  writeFile(file("j.m3u"), kBroken);
  const RunResult result = run({"-a", "v.m3u", "i.m3u", "", "j.m3u"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(readFile(file("i.m3u")), kBroken);
  EXPECT_EQ(readFile(file("j.m3u")), kBroken);
  EXPECT_FALSE(contains(result.out, "j.m3u"));
}

TEST_F(RunTest, ABadMinimumEndsTheRunBeforeAnyInvalidList) {
  const RunResult result = run({"-s", "abc", "v.m3u", "i.m3u"});
  EXPECT_EQ(result.status, 1);
  EXPECT_FALSE(contains(result.out, "i.m3u"));
  EXPECT_TRUE(result.err.ends_with("\nError in trackmend: Floating point argument awaited in <value> 'abc'\n"))
      << result.err;
}

TEST_F(RunTest, ABadDirectoryCountIsReportedForEachPlaylist) {
  writeFile(file("j.m3u"), kBroken);
  const RunResult result = run({"-a", "-e", "x", "v.m3u", "i.m3u", "j.m3u"});
  EXPECT_EQ(result.status, 0) << result.err;
  const std::string report =
      "\nError in trackmend: Numeric argument awaited in <dirs> 'x' (dec or hex '0x..') \nIgnored. Continuing.\n";
  EXPECT_EQ(occurrences(result.err, report), 2u) << result.err;
  EXPECT_EQ(readFile(file("i.m3u")), kBroken);
  EXPECT_EQ(readFile(file("j.m3u")), kBroken);
}

TEST_F(RunTest, AnUnreadablePlaylistIsSkipped) {
  writeFile(file("j.m3u"), kBroken);
  const RunResult result = run({"-a", "v.m3u", "i.m3u", "nope.m3u", "j.m3u"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(contains(result.err, "('nope.m3u')\nIgnored. Continuing.\n")) << result.err;
  EXPECT_NE(readFile(file("i.m3u")), kBroken);
  EXPECT_NE(readFile(file("j.m3u")), kBroken);
  EXPECT_FALSE(fileExists(file("nope.m3u")));
  EXPECT_EQ(occurrences(result.out, "Saving '"), 2u) << result.out;
}

TEST_F(RunTest, AnUnreadableValidListEndsTheRun) {
  const RunResult result = run({"-a", "none.m3u", "i.m3u"});
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(result.err.ends_with("('none.m3u')\n")) << result.err;
  EXPECT_EQ(readFile(file("i.m3u")), kBroken);
}

TEST_F(RunTest, AppendingToAMissingListThatIsNotThere) {
  const RunResult result = run({"-A", "-m", "missing.m3u", "v.m3u", "i.m3u"});
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(contains(result.err, "('missing.m3u')")) << result.err;
  EXPECT_EQ(readFile(file("i.m3u")), kBroken);
  EXPECT_FALSE(fileExists(file("missing.m3u")));
}

TEST_F(RunTest, UnrepairedEntriesGoToTheMissingList) {
  writeFile(file("i.m3u"), "/gone/Nothing Alike.ogg\n");
  writeFile(file("old.m3u"), "/earlier/Entry.mp3\n");
  const RunResult result = run({"-s", "0", "-A", "-m", "old.m3u", "v.m3u", "i.m3u"}, "\n");
  EXPECT_EQ(result.status, 0) << result.err;
  const std::string missing = readFile(file("old.m3u"));
  EXPECT_TRUE(contains(missing, "/earlier/Entry.mp3\n")) << missing;
  EXPECT_TRUE(contains(missing, "/gone/Nothing Alike.ogg\n")) << missing;
  EXPECT_LT(missing.find("/earlier/"), missing.find("/gone/"));
  EXPECT_TRUE(contains(result.err, "Song: '/gone/Nothing Alike.ogg'")) << result.err;
}

TEST_F(RunTest, ConversionToPls) {
  const RunResult result = run({"-a", "-P", "-m", "miss.m3u", "v.m3u", "i.m3u"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(readFile(file("i.pls")).starts_with("[playlist]")) << readFile(file("i.pls"));
  EXPECT_FALSE(fileExists(file("i.m3u")));
  EXPECT_TRUE(readFile(file("miss.pls")).starts_with("[playlist]"));
}

TEST_F(RunTest, DupeFinderWritesTheFirstInvalidListAsM3u) {
  writeFile(file("v.m3u"), std::string(kValid) + "/music/other/Band - First.mp3\n");
  const RunResult result = run({"-D", "v.m3u", "dupes.pls", "second.m3u"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(fileExists(file("dupes.m3u")));
  EXPECT_FALSE(fileExists(file("dupes.pls")));
  EXPECT_FALSE(fileExists(file("second.m3u")));
}

// A folder as the valid list of the duplicate finder: its songs, found by
// name and by the length of their tags, are grouped; the folder stays as it was.
TEST_F(RunTest, DupeFinderOnAFolder) {
  for (const char* folder : {"/music", "/music/a", "/music/b"})
    std::filesystem::create_directory(scratch.path() + folder);
  const trackmend_test::AudioSpec lantern{"Lantern", "Anna Berg", 301, 0};
  trackmend_test::writeAudioFile(file("music/a/03 Lantern.mp3"), lantern);
  trackmend_test::writeAudioFile(file("music/b/03 lantern.flac"), lantern);
  trackmend_test::writeAudioFile(file("music/b/01 Harbour.mp3"), {"Harbour", "Anna Berg", 245, 0});
  const RunResult result = run({"-D", "music", "dupes.pls"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  const auto song = [&](const char* folder, const char* name) {
    return kw::sys_dep::joinedPath(kw::sys_dep::joinedPath(kw::sys_dep::toFullPath(file("music")), folder), name);
  };
  EXPECT_EQ(readFile(file("dupes.m3u")), "#EXTM3U\n#EXTINF:301,Anna Berg - Lantern\n" + song("a", "03 Lantern.mp3") +
                                             "\n#EXTINF:301,Anna Berg - Lantern\n" + song("b", "03 lantern.flac") +
                                             "\n");
  EXPECT_EQ(result.out.rfind("Scanning folder 'music'\nFound 3 songs.\n", 0), 0u) << result.out;
}

TEST_F(RunTest, XmlPlaylistsAreConvertedByEitherOptionAndTheMissingListStaysM3u) {
  const std::string xspf =
      "<playlist><trackList><track><location>/music/rock/Band - First.mp3</location></track></trackList></playlist>";
  const struct {
    std::vector<std::string> options;
    const char* saved;
    std::string bytes;
  } cases[] = {
      {{}, "x.xspf", xspf},
      {{"-M"}, "x.m3u", "/music/rock/Band - First.mp3\n"},
      {{"-P", "-M"}, "x.pls", "[playlist]\nnumberofentries=1\nfile1=/music/rock/Band - First.mp3\n"},
  };
  for (const auto& c : cases) {
    writeFile(file("x.xspf"), xspf);
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"v.m3u", "x.xspf"});
    const RunResult result = run(args);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(readFile(file(c.saved)), c.bytes);
    EXPECT_EQ(fileExists(file("x.xspf")), c.saved == std::string("x.xspf"));
    std::remove(file(c.saved).c_str());
  }
  writeFile(file("miss.xspf"), "<playlist><trackList><track><location>/old/x.mp3</location><title>X</title>"
                               "</track></trackList></playlist>");
  const RunResult result = run({"-A", "-m", "miss.xspf", "v.m3u", "i.m3u"}, "\n");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(readFile(file("miss.m3u")), "#EXTM3U\n#EXTINF:0,X\n/old/x.mp3\n" + std::string(kBroken));
  EXPECT_FALSE(fileExists(file("miss.xspf")));
}

}  // namespace
}  // namespace trackmend
