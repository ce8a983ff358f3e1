// The fixture the writer's tests share: a sample playlist, its bytes, and
// a scratch folder to save in.
#ifndef PLAYLIST_WRITER_TEST_SUPPORT_H_
#define PLAYLIST_WRITER_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "Lib/kw/err/error.h"
#include "playlist/playlist.h"
#include "playlist/writer.h"
#include "tests/support/test_support.h"

namespace kw {

inline PlayList sample(const std::string& fileName) {
  PlayList list(fileName);
  list.entries.emplace_back("a.mp3", "#EXTINF:61,Artist - A");
  list.entries.emplace_back("b.mp3");
  list.entries.emplace_back("c.mp3", "#EXTINF:3,C");
  list.entries.emplace_back("d.mp3", "#EXTINF:,D");
  list.entries.emplace_back("e.mp3", "# a comment");
  list.entries[2].deleted = true;
  return list;
}

inline constexpr char kSampleM3u[] =
    "#EXTM3U\n#EXTINF:61,Artist - A\na.mp3\nb.mp3\n#EXTINF:,D\nd.mp3\n# a comment\ne.mp3\n";
inline constexpr char kSamplePls[] =
    "[playlist]\nnumberofentries=4\n"
    "file1=a.mp3\ntitle1=Artist - A\nlength1=61\n"
    "file2=b.mp3\n"
    "file3=d.mp3\ntitle3=D\nlength3=\n"
    "file4=e.mp3\ntitle4=# a comment\n";

inline std::string errorOf(const PlayList& list, std::ostream& progress) {
  try {
    savePlaylist(list, progress);
  } catch (const err::IOError& e) {
    return e.what();
  }
  return "<saved>";
}

inline std::string systemText(int error) { return std::strerror(error); }

class WriterTest : public ::testing::Test {
 protected:
  std::string save(const PlayList& list) {
    progress_.str("");
    savePlaylist(list, progress_);
    return progress_.str();
  }
  std::string saving(const std::string& name) const { return "Saving '" + name + "'\n"; }
  std::string renamed(const std::string& name) const {
    return "Playlist had wrong extension. Renamed to '" + name + "'\n";
  }
  trackmend_test::ScratchDir dir_;
  std::ostringstream progress_;
};

}  // namespace kw

#endif  // PLAYLIST_WRITER_TEST_SUPPORT_H_
