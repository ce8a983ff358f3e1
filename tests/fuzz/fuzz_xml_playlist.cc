// Any bytes that the reader takes for XML: reading never crashes, hangs or
// hits undefined behaviour and fails only with the XML refusals; an XML
// playlist it accepted survives deleting some entries, replacing some paths
// and information lines, saving in its own format and reading again: the
// entries left, with the new paths exactly and the new titles and lengths.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "Lib/kw/err/error.h"
#include "playlist/playlist.h"
#include "playlist/reader.h"
#include "playlist/writer.h"
#include "playlist/xml_playlist.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/read_checked.h"

namespace {

using trackmend_fuzz::fail;
using trackmend_fuzz::nullStream;

// Paths in every form a replacement can take, with the characters that need
// escaping or encoding.
const char* const kPaths[] = {"/new/a b&c%25 \xC3\xA9.mp3", "new dir/\xC3\xBC <x>.ogg", "http://h/x?a=1&b=2",
                              "C:\\Music\\It's \"q\".mp3", "../up/[1] #2 ]]>.flac"};
const char* const kTitles[] = {"A & B <c> \"d\" 'e' ]]> \xC3\xA9 \xE2\x82\xAC", "Solo", "x - y"};

bool isXmlRefusal(const std::string& text) {
  static const char* const kEndings[] = {"): Not a playlist: XML document '", "): XML error: ",
                                         "): UTF-16 text is not supported."};
  if (!text.starts_with("Error in ")) return false;
  for (const char* ending : kEndings) {
    if (text.find(ending) != std::string::npos) return true;
  }
  return false;
}

bool readChecked(kw::PlayList& list) { return trackmend_fuzz::readChecked(list, isXmlRefusal); }

struct Expected {
  std::string path;
  std::string title;  // of a changed information line; "" when unchanged
  int length = 0;
  const kw::PlaylistEntry* before = nullptr;
};

// Deletes some entries and replaces some paths and information lines, by
// rules fixed by the input; returns what reading the saved file must give.
std::vector<Expected> change(kw::PlayList& list, size_t seed) {
  std::vector<Expected> expected;
  for (size_t k = 0; k < list.entries.size(); ++k) {
    kw::PlaylistEntry& entry = list.entries[k];
    if ((k * 7 + seed) % 5 == 0) {
      entry.deleted = true;
      continue;
    }
    Expected wanted{entry.path, "", 0, &entry};
    if ((k * 3 + seed) % 4 == 1) wanted.path = entry.path = kPaths[(k + seed) % std::size(kPaths)];
    if ((k + seed) % 3 == 0) {
      wanted.title = kTitles[(k + seed) % std::size(kTitles)];
      wanted.length = static_cast<int>(1 + (k + seed) % 4000);
      entry.extInfo = std::make_unique<std::string>("#EXTINF:" + std::to_string(wanted.length) + "," + wanted.title);
    }
    expected.push_back(std::move(wanted));
  }
  return expected;
}

std::string show(const kw::PlaylistEntry& entry) {
  return "'" + entry.path + "'" + (entry.extInfo ? " '" + *entry.extInfo + "'" : std::string(" (no info)"));
}

// An entry read back: its path exactly; an unchanged information line
// exactly; a changed one with the new title at its end (the track's creator
// may stand before it) and the new length where the format keeps one.
void compare(const Expected& wanted, const kw::PlaylistEntry& again, const std::string& format,
             const std::string& written) {
  const std::string where = show(again) + " in " + written;
  if (again.path != wanted.path) fail("path '" + wanted.path + "' came back as " + where);
  if (wanted.title.empty() || format == ".wpl") {
    const bool same = (wanted.before->extInfo == nullptr) == (again.extInfo == nullptr) &&
                      (!again.extInfo || *again.extInfo == *wanted.before->extInfo);
    if (!same && format != ".wpl") fail("unchanged information became " + where);
    if (format == ".wpl" && again.extInfo) fail("a WPL entry with information: " + where);
    return;
  }
  const std::string seconds = format == ".xspf" ? std::to_string(wanted.length) : "0";
  if (!again.extInfo || !again.extInfo->starts_with("#EXTINF:" + seconds + ",") ||
      !again.extInfo->ends_with(wanted.title))
    fail("information with title '" + wanted.title + "' came back as " + where);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (!kw::looksLikeXml(bytes)) return 0;  // the other formats are the reader target's
  const std::string folder = trackmend_fuzz::scratchFolder();
  trackmend_fuzz::writeWholeFile(folder + "/input", data, size);
  kw::PlayList list(folder + "/input");
  if (!readChecked(list)) return 0;
  if (!kw::writesXml(list)) fail("an XML playlist as read is not written as XML");
  for (const kw::PlaylistEntry& entry : list.entries) {
    if (entry.path.empty()) fail("an entry with an empty path");
    if (entry.extInfo && entry.extInfo->find_first_of("\r\n") != std::string::npos)
      fail("an information line of two lines: " + show(entry));
  }
  const std::vector<Expected> expected = change(list, size);

  list.fileName = folder + "/out";
  const std::string saved = kw::xmlPlaylistName(list);
  const std::string format = saved.substr(saved.rfind('.'));
  std::remove(saved.c_str());  // the rename never replaces a file
  try {
    kw::savePlaylist(list, nullStream());
  } catch (const kw::err::Error& e) {
    fail(std::string("saving on a memory file system failed: ") + e.what());
  }
  const std::string written = trackmend_fuzz::readWholeFile(saved);
  kw::PlayList again(saved);
  if (!readChecked(again)) fail("the saved file was refused: " + written);
  if (again.entries.size() != expected.size())
    fail("entry count " + std::to_string(expected.size()) + " became " + std::to_string(again.entries.size()) +
         " in " + written);
  for (size_t k = 0; k < expected.size(); ++k) compare(expected[k], again.entries[k], format, written);
  return 0;
}
