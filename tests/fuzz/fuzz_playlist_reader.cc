// Any bytes as a playlist file (XML aside): reading never crashes, hangs or
// hits undefined behaviour, it fails only with the reader's header errors and
// the refusal of media data, and what it read survives saving and reading
// again: the same entries less the deleted ones in the same format, with
// every '#' line in its place, the same paths when M3U becomes PLS; and
// reading what was read back, saved once more, gives it again exactly.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Lib/kw/err/error.h"
#include "playlist/numbers.h"
#include "playlist/playlist.h"
#include "playlist/reader.h"
#include "playlist/writer.h"
#include "playlist/xml_playlist.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/read_checked.h"

namespace {

using trackmend_fuzz::fail;
using trackmend_fuzz::nullStream;

std::string show(const std::string& bytes) {
  std::string shown;
  for (unsigned char c : bytes) {
    if (c >= 32 && c < 127 && c != '\\') {
      shown += static_cast<char>(c);
    } else {
      static const char hex[] = "0123456789abcdef";
      shown += "\\x";
      shown += hex[c >> 4];
      shown += hex[c & 15];
    }
  }
  return "'" + shown + "'";
}

std::string showInfo(const kw::PlaylistEntry& entry) {
  return entry.extInfo ? show(*entry.extInfo) : std::string("(none)");
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The reader refuses a file only for its header or for being media data.
bool isHeaderRefusal(const std::string& text) {
  return text.rfind("Error in ", 0) == 0 &&
         (endsWith(text, "): #EXTM3U awaited.") ||
          endsWith(text, "): Unexpected end of file behind header") ||
          endsWith(text, "): UTF-16 text is not supported.") ||
          endsWith(text, "): Not a playlist: audio, video, image or archive data."));
}

bool readChecked(kw::PlayList& list) { return trackmend_fuzz::readChecked(list, isHeaderRefusal); }

void checkEntryShape(const kw::PlaylistEntry& entry) {
  if (entry.path.empty()) fail("an entry with an empty path");
  if (entry.deleted) fail("the reader marked an entry deleted");
  if (!entry.otherLines) return;
  if (entry.otherLines->beforeInfo.empty() && entry.otherLines->afterInfo.empty())
    fail("empty other lines on " + show(entry.path));
  if (!entry.extInfo && !entry.otherLines->afterInfo.empty())
    fail("lines after a missing information line on " + show(entry.path));
}

// Every line an M3U rewrite of `list` holds after its header, in order, each
// behind the letter of its part in the reading: F the file's own, B before
// and A after an entry's information line I, P a path, T after the last path.
std::vector<std::string> m3uLines(const kw::PlayList& list) {
  std::vector<std::string> lines;
  auto add = [&lines](char part, const std::vector<std::string>& more) {
    for (const std::string& line : more) lines.push_back(part + line);
  };
  add('F', list.fileLines);
  for (const auto& entry : list.entries) {
    if (entry.deleted) continue;
    if (entry.otherLines) add('B', entry.otherLines->beforeInfo);
    if (entry.extInfo) add('I', {*entry.extInfo});
    if (entry.otherLines) add('A', entry.otherLines->afterInfo);
    add('P', {entry.path});
  }
  add('T', list.trailingLines);
  return lines;
}

std::vector<std::string> withoutParts(std::vector<std::string> lines) {
  for (std::string& line : lines) line.erase(0, 1);
  return lines;
}

std::string show(const std::vector<std::string>& lines) {
  std::string shown;
  for (const std::string& line : lines) shown += show(line) + " ";
  return shown;
}

// Each line read is a single line; a '#' line starts with '#', an entry's
// information line is an "#EXTINF" line and its other lines are not; PLS has
// no '#' lines but the information lines made from its keys.
void checkLines(const kw::PlayList& list) {
  for (const std::string& tagged : m3uLines(list)) {
    const char part = tagged[0];
    const std::string line = tagged.substr(1);
    if (line.find_first_of("\r\n") != std::string::npos) fail("a line end inside " + show(line));
    if (part == 'P') continue;
    if (line.empty() || line[0] != '#') fail("a '#' line not starting with '#': " + show(line));
    if ((part == 'B' || part == 'I' || part == 'A') && kw::isInfoLine(line) != (part == 'I'))
      fail("misplaced information line " + show(line));
    if (list.plsFormat && part != 'I') fail("a '#' line read from PLS: " + show(line));
  }
}

// Deletes some entries, chosen by a rule fixed by the input.
void deleteSome(kw::PlayList& list, size_t seed) {
  for (size_t i = 0; i < list.entries.size(); ++i)
    if ((i * 7 + seed) % 5 == 0) list.entries[i].deleted = true;
}

void saveChecked(const kw::PlayList& list) {
  try {
    kw::savePlaylist(list, nullStream());
  } catch (const kw::err::Error& e) {
    fail(std::string("saving on a memory file system failed: ") + e.what());
  }
}

// Saves `list` under `fileName` in the format `pls` and reads it back.
kw::PlayList roundTrip(const kw::PlayList& list, const std::string& fileName, bool pls, bool& readable) {
  kw::PlayList saved = list;
  saved.fileName = fileName;
  saved.plsFormat = pls;
  saveChecked(saved);
  kw::PlayList again(fileName);
  readable = readChecked(again);
  if (readable && again.plsFormat != pls) fail("the format changed on the way back from " + fileName);
  return again;
}

std::vector<const kw::PlaylistEntry*> kept(const kw::PlayList& list) {
  std::vector<const kw::PlaylistEntry*> result;
  for (const auto& entry : list.entries)
    if (!entry.deleted) result.push_back(&entry);
  return result;
}

void compareEntries(const kw::PlayList& original, const kw::PlayList& again, bool withInfo,
                    const std::string& written) {
  const auto expected = kept(original);
  if (expected.size() != again.entries.size())
    fail("entry count " + std::to_string(expected.size()) + " became " + std::to_string(again.entries.size()) +
         "; written " + show(written));
  for (size_t i = 0; i < expected.size(); ++i) {
    const auto& before = *expected[i];
    const auto& after = again.entries[i];
    if (before.path != after.path)
      fail("path " + show(before.path) + " came back as " + show(after.path) + "; written " + show(written));
    if (withInfo && showInfo(before) != showInfo(after))
      fail("extInfo " + showInfo(before) + " came back as " + showInfo(after) + "; written " + show(written));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // XML playlists have a target of their own (fuzz_xml_playlist).
  if (kw::looksLikeXml(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
  const std::string folder = trackmend_fuzz::scratchFolder();
  const std::string input = folder + "/input";
  trackmend_fuzz::writeWholeFile(input, data, size);

  kw::PlayList original(input);
  if (!readChecked(original)) return 0;
  for (const auto& entry : original.entries) checkEntryShape(entry);
  checkLines(original);
  deleteSome(original, size);

  bool readable = false;
  const std::string same = folder + (original.plsFormat ? "/same.pls" : "/same.m3u");
  const kw::PlayList sameAgain = roundTrip(original, same, original.plsFormat, readable);
  if (!readable) fail("the saved file was refused: " + show(trackmend_fuzz::readWholeFile(same)));
  compareEntries(original, sameAgain, true, trackmend_fuzz::readWholeFile(same));
  if (withoutParts(m3uLines(sameAgain)) != withoutParts(m3uLines(original)))
    fail("the lines moved; written " + show(trackmend_fuzz::readWholeFile(same)));
  const std::string twice = folder + (original.plsFormat ? "/twice.pls" : "/twice.m3u");
  const kw::PlayList twiceAgain = roundTrip(sameAgain, twice, original.plsFormat, readable);
  if (!readable || m3uLines(twiceAgain) != m3uLines(sameAgain))
    fail("read back as " + show(m3uLines(sameAgain)) + "but then as " + show(m3uLines(twiceAgain)));

  if (!original.plsFormat) {
    // M3U paths are single trimmed lines, so PLS carries each of them intact.
    const std::string other = folder + "/other.pls";
    const kw::PlayList otherAgain = roundTrip(original, other, true, readable);
    if (!readable) fail("the PLS file was refused: " + show(trackmend_fuzz::readWholeFile(other)));
    compareEntries(original, otherAgain, false, trackmend_fuzz::readWholeFile(other));
    checkLines(otherAgain);
  } else {
    // PLS paths may start with '#' or a blank, which M3U cannot carry; only
    // the absence of crashes is checked on this way.
    roundTrip(original, folder + "/other.m3u", false, readable);
  }
  return 0;
}
