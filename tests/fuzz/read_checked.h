// Reading a fuzzed playlist: the reader may refuse the file only with the
// errors its target expects; anything else is a finding.
#ifndef TESTS_FUZZ_READ_CHECKED_H_
#define TESTS_FUZZ_READ_CHECKED_H_

#include <string>

#include "Lib/kw/err/error.h"
#include "playlist/playlist.h"
#include "playlist/reader.h"
#include "tests/fuzz/fuzz_support.h"

namespace trackmend_fuzz {

// Reads `list`; false when the reader refuses it with an error whose text
// `isRefusal` accepts. Aborts on an IOError (the file is a regular one) and
// on any other error.
inline bool readChecked(kw::PlayList& list, bool (*isRefusal)(const std::string& text)) {
  try {
    kw::readPlaylist(list, nullStream(), nullStream());
    return true;
  } catch (const kw::err::IOError& e) {
    fail(std::string("IOError reading a regular file: ") + e.what());
  } catch (const kw::err::Error& e) {
    if (!isRefusal(e.what())) fail(std::string("unexpected reader error: ") + e.what());
    return false;
  }
}

}  // namespace trackmend_fuzz

#endif  // TESTS_FUZZ_READ_CHECKED_H_
