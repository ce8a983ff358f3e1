#include "bench/quality.h"

#include <array>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "Lib/kw/sys_dep/parallel.h"
#include "bench/generator.h"
#include "repair/candidates.h"

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
                std::optional<std::size_t> origin, const std::vector<Rule>& list, Counts& counts) {
  NullBuffer nothing;
  std::ostream quiet(&nothing);
  for (std::size_t r = 0; r < list.size(); ++r) {
    const kw::AutoDecision d =
        kw::chooseAutomatically(entry, set, list[r].settings, list[r].settings.minMatch, quiet);
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
  const kw::CandidateIndex index(valid, kw::sys_dep::hardwareThreads());
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
    countRules(entry, sets[e], origin, list, counts);
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

}  // namespace bench
