// The fixture of the repair's tests: a validList, a missing list and one
// repair with scripted answers, run with one thread and with several.
#ifndef REPAIR_REPAIR_TEST_SUPPORT_H_
#define REPAIR_REPAIR_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "playlist/playlist.h"
#include "repair/candidates.h"
#include "repair/repair.h"

namespace kw {

inline const std::string kPrompt =
    "Enter number to replace with (ENTER=skip;'d'=delete;'m'=show more;'l'=set minmatch):\n";
inline const std::string kSongRule(79, '-');
inline const std::string kMoreRule(43, '-');
inline const std::string kNoStats =
    "Corrected entries = 0 - Corrected infos = 0\nDeleted entries = 0 - Deleted dupes = 0\n";

using Options = RepairSettings;

// Every dialogue runs with one thread and with candidate sets scored ahead
// by several: the bytes must not differ.
class RepairTest : public ::testing::TestWithParam<unsigned> {
 protected:
  void SetUp() override { resetInteractiveMinMatch(); }
  void TearDown() override { resetInteractiveMinMatch(); }

  // Repairs `invalid` in place with scripted answers; keeps the dialogue and
  // the statistics.
  void repair(PlayList& invalid, const std::string& answers, const Options& o = Options()) {
    std::istringstream in(answers);
    std::ostringstream out, stats;
    repairPlaylist(invalid, valid, missing, o, stats, out, in, GetParam());
    dialogue = out.str();
    statistics = stats.str();
  }

  // The page of candidates the dialogue shows for `entry` from `start` on.
  std::string page(const PlaylistEntry& entry, std::size_t start) const {
    const CandidateSet set = collectCandidates(valid, entry);
    std::string text = start == 0 ? kSongRule + "\nSong: '" + entry.path + "'\n" + kSongRule + "\n"
                                  : kMoreRule + "\nMore replacements:\n" + kMoreRule + "\n";
    for (std::size_t k = 0; k < 9 && start + k < set.size(); ++k)
      text += std::to_string(k + 1) + ": " + set[start + k].entry.path + " (" +
              formatValue(set[start + k].value) + ")\n";
    return text;
  }

  std::string rankedPath(const PlaylistEntry& entry, std::size_t position) const {
    return collectCandidates(valid, entry).at(position).entry.path;
  }

  void fillValid(int songs) {
    for (int k = 0; k < songs; ++k)
      valid.entries.emplace_back("/lib/band/song" + std::to_string(k) + ".mp3");
  }

  PlayList valid{"valid.m3u"};
  PlayList missing{"missing.m3u"};
  std::string dialogue, statistics;
};

inline PlayList invalidOf(std::initializer_list<PlaylistEntry> entries) {
  PlayList list("old.m3u");
  list.entries = entries;
  return list;
}

}  // namespace kw

#endif  // REPAIR_REPAIR_TEST_SUPPORT_H_
