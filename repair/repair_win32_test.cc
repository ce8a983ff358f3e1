// The repair of entries as Windows players write them, against a library of
// drive paths.
#include <gtest/gtest.h>

#include <string>

#include "repair/repair_test_support.h"

namespace kw {
namespace {

// A valid entry in another case or with '/' stays as written, as does a
// relative one that names a song; replacements keep the entry's form and
// separator ("\x" stays on its drive, a file:// URI names "D:"); "C:x" is
// left alone and uncounted; a skipped relative entry still names its file
// from the missing list's folder.
TEST_P(RepairTest, WindowsEntriesKeepTheirForm) {
  valid.entries.emplace_back("C:\\Music\\Anna\\Shore\\01 Harbour.mp3", "#EXTINF:200,Anna - Harbour");
  valid.entries.emplace_back("C:\\Music\\Anna\\Shore\\02 Ferry.mp3");
  valid.entries.emplace_back("D:\\Music\\Copper\\City\\03 Rain.mp3");
  missing = PlayList("C:\\Lists\\missing.m3u");
  PlayList invalid("C:\\Lists\\Road\\trip.m3u");
  const struct {
    const char* written;
    const char* repaired;
  } cases[] = {
      {"c:/music/anna/shore/01 harbour.mp3", "c:/music/anna/shore/01 harbour.mp3"},
      {"..\\..\\music\\ANNA\\Shore\\02 Ferry.mp3", "..\\..\\music\\ANNA\\Shore\\02 Ferry.mp3"},
      {"..\\..\\Old\\Anna\\Shore\\01 Harbour.mp3", "..\\..\\Music\\Anna\\Shore\\01 Harbour.mp3"},
      {"/Old/Anna/Shore/02 Ferry.mp3", "/Music/Anna/Shore/02 Ferry.mp3"},
      {"C:Old\\Copper\\City\\03 Rain.mp3", "C:Old\\Copper\\City\\03 Rain.mp3"},
      {"file:///C:/Old/Copper/City/03%20Rain.mp3", "file:///D:/Music/Copper/City/03%20Rain.mp3"},
      {"old\\gone.mp3", "old\\gone.mp3"},
  };
  for (const auto& c : cases) invalid.entries.emplace_back(c.written);
  Options a;
  a.autoSelect = true;
  a.minMatch = 0;
  repair(invalid, "", a);
  for (std::size_t k = 0; k < std::size(cases); ++k) EXPECT_EQ(invalid.entries[k].path, cases[k].repaired) << k;
  EXPECT_EQ(statistics, "Corrected entries = 3 - Corrected infos = 1\nDeleted entries = 0 - Deleted dupes = 0\n");
  ASSERT_EQ(missing.entries.size(), 1u) << dialogue;
  EXPECT_EQ(missing.entries[0].path, "Road\\old\\gone.mp3");
}

}  // namespace
}  // namespace kw
