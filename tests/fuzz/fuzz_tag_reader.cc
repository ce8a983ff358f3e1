// Any bytes as a song under every audio extension of the folder scan: the
// tag reader (TagLib on the project's SongStream) never crashes, hangs or
// grows without bound, and what it gives is one line that a playlist can
// hold. run_fuzzers.sh runs this target under an RSS limit, so that a file
// that makes the reader allocate without end is a finding too.
//
// The replay of the corpus and the regressions reads each input under every
// extension. Under libFuzzer, where that would leave a few dozen inputs a
// second, the input's last byte chooses the one extension it is read under,
// so the fuzzer learns that choice like any other; a finding then replays
// under all of them.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "library/audio_names.h"
#include "library/song_tags.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using trackmend_fuzz::fail;

// The input is written to one file that a link per extension names, so that
// TagLib, which goes by the extension first, tries every reader on it.
const std::string& contentFile() {
  static const std::string name = trackmend_fuzz::scratchFolder() + "/song";
  return name;
}

const std::vector<std::string>& songNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> made;
    for (std::string_view extension : kw::audioExtensions()) {
      made.push_back(contentFile() + "." + std::string(extension));
      if (symlink("song", made.back().c_str()) != 0) fail("cannot make the link " + made.back());
    }
    return made;
  }();
  return names;
}

void readUnder(const std::string& name) {
  const kw::SongRead read = kw::readSong(name);
  if (!read.opened) fail("cannot open " + name + ": " + read.failure);
  if (read.infoLine.find_first_of("\r\n") != std::string::npos) fail("a line end in the information of " + name);
  if (!read.infoLine.empty() && !read.infoLine.starts_with("#EXTINF:")) fail("no information line: " + read.infoLine);
  if (read.tagsUnreadable && !read.infoLine.empty()) fail("unreadable tags gave information for " + name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string>& names = songNames();
  trackmend_fuzz::writeWholeFile(contentFile(), data, size);
#ifdef TRACKMEND_LIBFUZZER
  readUnder(names[size == 0 ? 0 : data[size - 1] % names.size()]);
#else
  for (const std::string& name : names) readUnder(name);
#endif
  return 0;
}
