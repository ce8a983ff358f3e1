#include "bench/quality.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

#include "Lib/kw/sys_dep/parallel.h"
#include "bench/generator.h"
#include "bench/realistic.h"
#include "library/scan.h"
#include "playlist/path_forms.h"
#include "playlist/reader.h"
#include "repair/candidates.h"
#include "repair/entry_paths.h"
#include "repair/repair.h"

namespace bench {
namespace {

struct Rule {
  const char* name;
  kw::RepairSettings settings;
};

std::vector<Rule> rules() {
  std::vector<Rule> list;
  kw::RepairSettings a;
  a.autoSelect = true;
  list.push_back({"-a", a});
  for (const auto& [name, ratio] : {std::pair{"-a -b0.5", 0.5}, {"-a -b0.6", 0.6}, {"-a -b0.7", 0.7}, {"-a -b0.8", 0.8}, {"-a -b0.9", 0.9}}) {
    a.bestRatio = ratio;
    list.push_back({name, a});
  }
  a.bestRatio.reset();
  a.sameSong = true;
  list.push_back({"-a -i", a});
  a.bestRatio = 0.6;
  list.push_back({"-a -i -b0.6", a});
  return list;
}

struct RuleCounts {
  std::size_t right = 0, wrong = 0, left = 0, goneReplaced = 0;
};

struct Counts {
  std::size_t found = 0, first = 0, firstPage = 0, stillValid = 0, gone = 0;
  std::vector<RuleCounts> rules;
};

std::optional<std::size_t> rankOf(const kw::CandidateSet& set, std::size_t song) {
  for (std::size_t k = 0; k < set.size(); ++k)
    if (set[k].position == song) return k;
  return std::nullopt;
}

// What each rule does with one entry; `origin` is none for a gone song.
void countRules(const kw::PlaylistEntry& entry, const kw::CandidateSet& set,
                std::optional<std::size_t> origin, const std::vector<Rule>& list,
                const kw::IdentityIndex& identities, Counts& counts) {
  NullBuffer nothing;
  std::ostream quiet(&nothing);
  for (std::size_t r = 0; r < list.size(); ++r) {
    const kw::AutoDecision d =
        kw::chooseAutomatically(entry, set, list[r].settings, list[r].settings.minMatch, quiet, &identities);
    RuleCounts& c = counts.rules[r];
    if (d.outcome != kw::AutoOutcome::kReplace)
      c.left += origin ? 1 : 0;
    else if (!origin)
      ++c.goneReplaced;
    else if (d.chosen(set).position == *origin)
      ++c.right;
    else
      ++c.wrong;
  }
}

Counts measure(const kw::PlayList& valid, const kw::PlayList& broken,
               const std::vector<std::optional<std::size_t>>& origins) {
  const kw::SongList songs(valid);
  const kw::CandidateIndex index(songs, kw::sys_dep::hardwareThreads());
  const kw::IdentityIndex identities(songs);
  const std::vector<kw::CandidateSet> sets = index.collectEach(broken.entries);
  const std::vector<Rule> list = rules();
  Counts counts;
  counts.rules.resize(list.size());
  for (std::size_t e = 0; e < broken.entries.size(); ++e) {
    const kw::PlaylistEntry& entry = broken.entries[e];
    const std::optional<std::size_t> origin = origins[e];
    if (origin && valid.entries[*origin].path == entry.path) {
      ++counts.stillValid;
      continue;
    }
    if (origin) {
      ++counts.found;
      const std::optional<std::size_t> rank = rankOf(sets[e], *origin);
      counts.first += rank == std::size_t{0};
      counts.firstPage += rank && *rank < 9;
    } else {
      ++counts.gone;
    }
    countRules(entry, sets[e], origin, list, identities, counts);
  }
  return counts;
}

std::string share(std::size_t part, std::size_t whole) {
  return whole == 0 ? "-" : fixed(100.0 * static_cast<double>(part) / static_cast<double>(whole), 1) + "%";
}

void report(const char* lines, const Counts& c, ResultTable& table, std::ostream& log) {
  const std::vector<Rule> list = rules();
  log << lines << ": " << c.found << " broken entries whose song is in the library, " << c.gone
      << " whose song is gone, " << c.stillValid << " still valid (left alone, not counted)\n"
      << "  right song ranked first " << share(c.first, c.found) << ", on the first page "
      << share(c.firstPage, c.found) << "\n";
  table.add(std::string("quality ") + lines + ": right song ranked first / on page 1",
            share(c.first, c.found) + " / " + share(c.firstPage, c.found), "", -1);
  for (std::size_t r = 0; r < list.size(); ++r) {
    const RuleCounts& rc = c.rules[r];
    log << "  " << list[r].name << ": replaced right " << share(rc.right, c.found) << ", wrong "
        << share(rc.wrong, c.found) << ", left " << share(rc.left, c.found) << "; gone songs replaced "
        << rc.goneReplaced << " of " << c.gone << "\n";
    table.add(std::string("  ") + list[r].name + ": right / wrong / left; gone replaced",
              share(rc.right, c.found) + " / " + share(rc.wrong, c.found) + " / " +
                  share(rc.left, c.found) + "; " + std::to_string(rc.goneReplaced) + " of " +
                  std::to_string(c.gone),
              "", -1);
  }
}

}  // namespace

void qualitySection(bool quick, ResultTable& table, std::ostream& log) {
  const std::size_t songs = quick ? 20000 : 100000, entries = quick ? 200 : 2000;
  const Library library = makeLibrary({songs, 11, PathStyle::kPosix});
  const kw::PlayList valid = library.playlist("library.m3u");
  BrokenSpec spec;
  spec.entries = entries;
  spec.seed = 13;
  std::vector<std::optional<std::size_t>> origins;
  kw::PlayList broken = makeBrokenPlaylist(library, spec, "broken.m3u", &origins);
  log << "\n== Repair quality: " << entries << " broken entries against " << songs
      << " songs (minimum match value 0.1)\n";
  report("with #EXTINF", measure(valid, broken, origins), table, log);
  for (kw::PlaylistEntry& entry : broken.entries) entry.extInfo.reset();
  report("without #EXTINF", measure(valid, broken, origins), table, log);
}

namespace {

constexpr std::size_t kRealSongs = 2400, kRealEntries = 400;
// The entries left or missed that the log shows, with what -i saw of them.
constexpr std::size_t kMissesShown = 25;

std::vector<Rule> realisticRules() {
  std::vector<Rule> list;
  kw::RepairSettings a;
  a.autoSelect = true;
  list.push_back({"-a", a});
  a.bestRatio = 0.6;
  list.push_back({"-a -b0.6", a});
  a.bestRatio.reset();
  a.sameSong = true;
  list.push_back({"-a -i", a});
  a.bestRatio = 0.6;
  list.push_back({"-a -i -b0.6", a});
  return list;
}

// The figures of one rule on some playlists.
struct Outcome {
  std::size_t right = 0, wrong = 0, left = 0, goneReplaced = 0;
  Outcome& operator+=(const Outcome& o) {
    right += o.right, wrong += o.wrong, left += o.left, goneReplaced += o.goneReplaced;
    return *this;
  }
};

// The entries of one playlist by what became of their songs.
struct Population {
  std::size_t there = 0, hidden = 0, gone = 0, stillValid = 0;
  Population& operator+=(const Population& o) {
    there += o.there, hidden += o.hidden, gone += o.gone, stillValid += o.stillValid;
    return *this;
  }
};

// The music folder of `seed` below `dir`, written when it is not there yet.
void ensureMusicFolder(const bench::RealLibrary& library, const std::string& dir, const std::string& root,
                       std::uint64_t seed, std::ostream& log) {
  const std::string marker = dir + "/generated.txt";
  // A digest of what the files hold, so that a change of the generator
  // writes the folder again.
  std::uint64_t digest = 0xcbf29ce484222325ull;
  for (const bench::RealSong& song : library.songs)
    for (const std::string& part : {song.newPath, song.newArtist, song.newTitle, std::to_string(song.seconds),
                                    std::to_string(static_cast<int>(song.newTags))})
      for (const unsigned char c : part + '\n') digest = (digest ^ c) * 0x100000001b3ull;
  const std::string wanted = "seed " + std::to_string(seed) + ", " + std::to_string(library.songs.size()) +
                             " songs, digest " + std::to_string(digest) + "\n";
  std::ifstream old(marker);
  std::stringstream oldText;
  oldText << old.rdbuf();
  if (oldText.str() == wanted) return;
  log << "writing the reorganised music folder of seed " << seed << " to " << root << " ..." << std::flush;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(root);
  bench::writeMusicFolder(library, root);
  std::ofstream(marker) << wanted;
  log << " done\n";
}

std::string count(std::size_t part, std::size_t whole) {
  return std::to_string(part) + " (" + share(part, whole) + ")";
}

struct Miss {
  std::string entry, song, why;
  bool replaced;
};

// A replacement that took another song than the entry's, or one whose song is
// gone, by the rule that announced it.
struct WrongPick {
  std::string rule, entry, chosen, expected, why;
};

// The rules the dialogue `text` announced ("Auto", "Same", "Best"), one per
// replacement, in the order of the entries.
std::vector<std::string> announcedRules(const std::string& text) {
  std::vector<std::string> rules;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    for (const char* rule : {"Auto: '", "Same: '", "Best: '"})
      if (line.starts_with(rule)) rules.emplace_back(rule, 4);
  return rules;
}

// What the identity rule saw of a missed entry: its line, the song's line,
// and the songs that agree with it.
std::string whyMissed(const kw::ValidLibrary& library, const kw::PlaylistEntry& compared,
                      const std::string& expected, const std::string& chosen = "") {
  const kw::SongList& songs = library.identities().songs();
  std::string why = compared.extInfo ? *compared.extInfo : "(no line)";
  const auto lineOf = [&](std::size_t k) { return songs.hasInfo(k) ? std::string(songs.info(k)) : "(no line)"; };
  for (std::size_t k = 0; k < songs.size(); ++k)
    if (songs.path(k) == expected) why += " | song: " + lineOf(k);
  for (std::size_t k = 0; k < songs.size(); ++k)
    if (!chosen.empty() && songs.path(k) == chosen) why += " | taken: " + lineOf(k);
  const std::optional<std::string_view> info =
      compared.extInfo ? std::optional<std::string_view>(*compared.extInfo) : std::nullopt;
  const std::vector<std::size_t> same = library.identities().sameSongs(kw::identityOf(compared.path, info));
  why += " | agreeing: " + std::to_string(same.size());
  for (const std::size_t k : same) why += "\n             " + std::string(songs.path(k));
  return why;
}

}  // namespace

void realisticQualitySection(const std::string& dataDir, std::uint64_t seed, ResultTable& table, std::ostream& log) {
  const RealLibrary real = makeRealLibrary(kRealSongs, seed);
  const std::string dir = std::filesystem::absolute(dataDir + "/realistic-" + std::to_string(seed)).lexically_normal();
  const std::string root = dir + "/Music";
  ensureMusicFolder(real, dir, root, seed, log);
  const std::vector<RealPlaylist> playlists = writeRealPlaylists(real, root, dir, kRealEntries, seed + 1000);
  NullBuffer nothing;
  std::ostream quiet(&nothing);
  kw::SongList songs(root);
  kw::readSongList(songs, quiet, quiet);
  std::unordered_set<std::string> scanned;
  for (std::size_t k = 0; k < songs.size(); ++k) scanned.emplace(songs.path(k));
  const kw::ValidLibrary library(songs);
  const std::vector<Rule> list = realisticRules();

  std::size_t deleted = 0, hidden = 0, retagged = 0, untagged = 0, padded = 0, listed = 0, copies = 0;
  for (const RealSong& song : real.songs) {
    deleted += song.newPath.empty();
    hidden += song.hidden && !song.newPath.empty();
    if (song.newPath.empty()) continue;
    retagged += song.newTags == song.tags && (song.newTitle != song.title || song.newArtist != song.artist);
    untagged += song.newTags == SongTags::kNone && song.tags != SongTags::kNone;
    padded += song.seconds - (song.milliseconds + 500) / 1000 >= 2;
    listed += !song.listedTitle.empty() || !song.listedArtist.empty();
    copies += song.hasCopy;
  }
  log << "\n== Repair quality on a reorganised music folder (seed " << seed << "): " << real.songs.size()
      << " songs, " << deleted << " of them deleted, " << hidden << " below folders named '.…'; the folder scanned ("
      << songs.size() << " songs) is the validList; " << playlists.size() << " playlists of up to " << kRealEntries
      << " entries as players wrote them before; no answers (every question skipped)\n"
      << "mess of songs still there: " << retagged << " retagged since the playlists, " << untagged
      << " untagged since, " << padded << " 2-3 s longer now, " << listed << " listed by older tags, " << copies
      << " of one recording kept twice or more\n";
  std::vector<Outcome> total(list.size()), withLines(list.size());
  Population all, lined;
  std::vector<Miss> misses, goneTaken;
  std::vector<WrongPick> wrongPicks;
  for (const RealPlaylist& playlist : playlists) {
    kw::PlayList original(playlist.fileName);
    kw::readPlaylist(original, quiet, quiet);
    if (original.entries.size() != playlist.songs.size())
      throw std::runtime_error("the reader found " + std::to_string(original.entries.size()) + " entries in " +
                               playlist.fileName + ", written were " + std::to_string(playlist.songs.size()));
    const kw::EntryPaths paths(kw::folderOfFile(playlist.fileName), library.allAbsolute());
    const bool hasLines = playlist.kind != PlaylistKind::kRelative && playlist.kind != PlaylistKind::kFileUri;
    Population population;
    std::vector<Outcome> outcomes(list.size());
    for (std::size_t r = 0; r < list.size(); ++r) {
      kw::PlayList repaired = original, missing(dir + "/missing.m3u");
      std::istringstream noAnswers;
      std::ostringstream dialogue;
      kw::resetInteractiveMinMatch();
      kw::repairPlaylist(repaired, library, missing, list[r].settings, quiet, dialogue, noAnswers);
      const std::vector<std::string> announced = announcedRules(dialogue.str());
      std::size_t replacements = 0;
      for (std::size_t e = 0; e < original.entries.size(); ++e) {
        const RealSong& song = real.songs[playlist.songs[e]];
        const std::string expected = song.newPath.empty() ? "" : root + "/" + song.newPath;
        const std::string before = paths.compared(original.entries[e].path);
        const bool replaced = repaired.entries[e].path != original.entries[e].path;
        const std::string how = std::string(list[r].name) + " by " +
                                (replacements < announced.size() ? announced[replacements] : std::string("?"));
        replacements += replaced;
        const std::string chosen = replaced ? paths.compared(repaired.entries[e].path) : "";
        if (replaced && chosen != expected)
          wrongPicks.push_back({how, original.entries[e].path, chosen, expected,
                                whyMissed(library, paths.comparedEntry(original.entries[e]), expected, chosen)});
        if (!expected.empty() && before == expected && scanned.count(expected)) {
          population.stillValid += r == 0;
          continue;
        }
        if (expected.empty()) {
          population.gone += r == 0;
          outcomes[r].goneReplaced += replaced;
          if (replaced && r + 1 == list.size())
            goneTaken.push_back({original.entries[e].path, repaired.entries[e].path, "", true});
          continue;
        }
        population.there += r == 0;
        population.hidden += r == 0 && song.hidden;
        const bool right = replaced && paths.compared(repaired.entries[e].path) == expected;
        (right ? outcomes[r].right : replaced ? outcomes[r].wrong : outcomes[r].left) += 1;
        if (!right && r + 1 == list.size())
          misses.push_back({original.entries[e].path, expected,
                            whyMissed(library, paths.comparedEntry(original.entries[e]), expected), replaced});
      }
    }
    log << playlist.title << " (" << playlist.fileName.substr(dir.size() + 1) << "): " << original.entries.size()
        << " entries; " << population.there << " whose song is there (" << population.hidden
        << " of them below a folder named '.…'), " << population.gone << " gone, " << population.stillValid
        << " still valid (not counted)\n";
    for (std::size_t r = 0; r < list.size(); ++r) {
      const Outcome& o = outcomes[r];
      log << "  " << list[r].name << ": right " << count(o.right, population.there) << ", wrong " << o.wrong
          << ", left " << count(o.left, population.there) << "; gone songs replaced " << o.goneReplaced << " of "
          << population.gone << "\n";
      total[r] += o;
      if (hasLines) withLines[r] += o;
    }
    all += population;
    if (hasLines) lined += population;
  }
  log << "all playlists: " << all.there << " entries whose song is there (" << all.hidden << " below '.…' folders), "
      << all.gone << " gone; the three with #EXTINF lines or titles: " << lined.there << " there, " << lined.gone
      << " gone\n";
  for (std::size_t r = 0; r < list.size(); ++r) {
    const Outcome& o = total[r];
    const Outcome& w = withLines[r];
    log << "  " << list[r].name << ": right " << count(o.right, all.there) << ", wrong " << o.wrong << ", left "
        << o.left << ", gone songs replaced " << o.goneReplaced << " of " << all.gone << "; with lines: right "
        << count(w.right, lined.there) << ", wrong " << w.wrong << ", gone replaced " << w.goneReplaced << "\n";
    table.add(std::string("realistic ") + list[r].name + ": right / wrong / left; gone replaced",
              share(o.right, all.there) + " / " + std::to_string(o.wrong) + " / " + std::to_string(o.left) + "; " +
                  std::to_string(o.goneReplaced) + " of " + std::to_string(all.gone),
              "", -1);
  }
  const Outcome& best = total.back();
  const Outcome& bestLined = withLines.back();
  const double right = all.there ? static_cast<double>(best.right) / static_cast<double>(all.there) : 0;
  const double rightLined = lined.there ? static_cast<double>(bestLined.right) / static_cast<double>(lined.there) : 0;
  table.add("realistic -a -i -b0.6: songs still there settled right", share(best.right, all.there), ">= 95%",
            right >= 0.95);
  table.add("  same, playlists with #EXTINF lines or titles", share(bestLined.right, lined.there), ">= 98%",
            rightLined >= 0.98);
  table.add("  wrong replacements; deleted songs replaced", std::to_string(best.wrong) + "; " +
            std::to_string(best.goneReplaced), "0; 0", best.wrong == 0 && best.goneReplaced == 0);
  log << "  every replacement of another song, by any rule (the right song, or none when it is gone):\n";
  for (const WrongPick& w : wrongPicks)
    log << "    " << w.rule << ": " << w.entry << "\n           took  " << w.chosen.substr(root.size() + 1)
        << "\n           right " << (w.expected.empty() ? "(gone)" : w.expected.substr(root.size() + 1))
        << "\n           " << w.why << "\n";
  log << "  -a -i -b0.6 replaced " << goneTaken.size() << " entries whose song is gone:\n";
  for (const Miss& m : goneTaken) log << "    " << m.entry << "\n      by " << m.song << "\n";
  std::size_t missedHidden = 0;
  for (const Miss& m : misses) missedHidden += m.entry.find("/.") != std::string::npos ||
                                               m.entry.find("\\.") != std::string::npos ||
                                               m.entry.find("/%2E") != std::string::npos;
  log << "  -a -i -b0.6 left or replaced wrongly " << misses.size() << " entries whose song is there, "
      << missedHidden << " of them below a folder named '.…'; the first " << std::min(misses.size(), kMissesShown)
      << ":\n";
  for (std::size_t k = 0; k < misses.size() && k < kMissesShown; ++k) {
    const Miss& m = misses[k];
    log << "    " << (m.replaced ? "wrong: " : "left:  ") << m.entry << "\n           song: "
        << m.song.substr(root.size() + 1) << "\n           " << m.why << "\n";
  }
}

}  // namespace bench
