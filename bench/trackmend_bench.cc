// Times the production algorithms against their plain references on the
// same generated inputs, checks that both give identical results, and prints
// the ratios with their targets.
//
//   trackmend_bench [--section candidates|valid|scaling|duplicates|io|flush|tool|quality|realistic|scan]...
//                   [--data DIR] [--tool PATH] [--scaling FILE] [--seed N] [--quick]
//
// Without --section every section runs; "quality" includes "realistic", the
// reorganised music folder drawn from --seed (default 2; its rule was tuned
// on seed 1). Exit status 1 when a result differs
// from the reference (a wrong result is a failure; a missed target is not).
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/generator.h"
#include "bench/measure.h"
#include "bench/quality.h"
#include "Lib/kw/sys_dep/parallel.h"
#include "library/audio_names.h"
#include "library/scan.h"
#include "playlist/reader.h"
#include "playlist/writer.h"
#include "repair/candidates.h"
#include "repair/duplicates.h"
#include "repair/repair.h"
#include "tests/reference/reference.h"
#include "tests/support/audio_files.h"

namespace bench {
namespace {

struct Options {
  std::vector<std::string> sections;
  std::string dataDir = "bench-data";
  std::string tool;
  std::string scalingFile;
  std::uint64_t seed = 2;
  bool quick = false;

  bool wants(const std::string& name) const {
    return sections.empty() || std::find(sections.begin(), sections.end(), name) != sections.end();
  }
};

// Fails the run: results must be identical, whatever the speed.
class Mismatch : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

bool sameEntry(const kw::PlaylistEntry& a, const kw::PlaylistEntry& b) {
  bool aInfo = static_cast<bool>(a.extInfo), bInfo = static_cast<bool>(b.extInfo);
  return a.path == b.path && a.deleted == b.deleted && aInfo == bInfo &&
         (!aInfo || *a.extInfo == *b.extInfo);
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

using ReferenceSet = std::vector<std::pair<double, kw::PlaylistEntry>>;

void expectSame(const kw::CandidateSet& fast, const ReferenceSet& plain, const std::string& what) {
  bool same = fast.size() == plain.size();
  for (std::size_t i = 0; same && i < fast.size(); ++i)
    same = sameBits(fast[i].value, plain[i].first) && sameEntry(fast[i].entry, plain[i].second);
  if (!same) throw Mismatch("candidate sets differ from the reference: " + what);
}

void expectSame(const kw::CandidateSet& a, const kw::CandidateSet& b, const std::string& what) {
  bool same = a.size() == b.size();
  for (std::size_t i = 0; same && i < a.size(); ++i)
    same = sameBits(a[i].value, b[i].value) && sameEntry(a[i].entry, b[i].entry);
  if (!same) throw Mismatch("candidate sets differ between thread counts: " + what);
}

// Every `step`-th entry, `count` of them: a sample spread over the playlist.
std::vector<std::size_t> spreadSample(std::size_t size, std::size_t count) {
  std::vector<std::size_t> picks;
  count = std::min(count, size);
  for (std::size_t k = 0; k < count; ++k) picks.push_back(k * size / count);
  return picks;
}

struct CandidateTimes {
  Timing index[2];    // preparing the validList, on 1 and 2 threads
  Timing collect[2];  // every entry: one at a time on 1 thread; collectEach on 2
  Timing fastSample;  // one thread, the sampled entries only
  Timing plainSample; // reference, the sampled entries only
  std::size_t entries = 0, sampled = 0;

  // CPU seconds per entry on one thread, index included; wall on two.
  double fastPerEntry(int t) const {
    double total = t == 0 ? index[0].cpu + collect[0].cpu : index[1].wall + collect[1].wall;
    return total / static_cast<double>(entries);
  }
  double plainPerEntry() const { return plainSample.cpu / static_cast<double>(sampled); }
};

// Keeps the faster of two runs, by wall and by CPU time separately.
void keepBest(Timing& best, const Timing& run, bool first) {
  if (first || run.wall < best.wall) best.wall = run.wall;
  if (first || run.cpu < best.cpu) best.cpu = run.cpu;
}

// Scores every entry of `broken` with the production code: one entry at a
// time on one thread, and all entries shared out over two threads
// (collectEach); the sampled entries with the reference. All results
// compared.
CandidateTimes timeCandidates(const kw::PlayList& valid, const kw::PlayList& broken,
                              std::size_t sampled, int runs) {
  CandidateTimes times;
  times.entries = broken.entries.size();
  std::vector<kw::CandidateSet> results[2];
  for (int t = 0; t < 2; ++t) {
    for (int run = 0; run < runs; ++run) {
      std::vector<kw::CandidateSet> sets;
      sets.reserve(broken.entries.size());
      std::unique_ptr<kw::CandidateIndex> index;
      Timing built = timeOf([&] { index = std::make_unique<kw::CandidateIndex>(valid, static_cast<unsigned>(t + 1)); });
      Timing scored = timeOf([&] {
        if (t == 0)
          for (const kw::PlaylistEntry& entry : broken.entries) sets.push_back(index->collectHere(entry));
        else
          sets = index->collectEach(broken.entries);
      });
      if (run == 0 || built.wall + scored.wall < times.index[t].wall + times.collect[t].wall) {
        times.index[t].wall = built.wall;
        times.collect[t].wall = scored.wall;
      }
      if (run == 0 || built.cpu + scored.cpu < times.index[t].cpu + times.collect[t].cpu) {
        times.index[t].cpu = built.cpu;
        times.collect[t].cpu = scored.cpu;
      }
      results[t] = std::move(sets);
    }
  }
  for (std::size_t e = 0; e < broken.entries.size(); ++e)
    expectSame(results[0][e], results[1][e], broken.entries[e].path);

  std::vector<std::size_t> sample = spreadSample(broken.entries.size(), sampled);
  times.sampled = sample.size();
  kw::CandidateIndex index(valid, 1);
  times.fastSample = bestOf(runs, [&] {
    for (std::size_t e : sample) index.collectHere(broken.entries[e]);
  });
  std::vector<ReferenceSet> plain(sample.size());
  times.plainSample = timeOf([&] {
    for (std::size_t k = 0; k < sample.size(); ++k)
      plain[k] = kw::reference::collectCandidates(valid, broken.entries[sample[k]], kw::kCandidateLimit);
  });
  for (std::size_t k = 0; k < sample.size(); ++k)
    expectSame(results[0][sample[k]], plain[k], broken.entries[sample[k]].path);
  return times;
}

void candidatesSection(const Options& options, ResultTable& table, std::ostream& log) {
  const std::size_t songs = 100000, entries = 200;
  const std::size_t sampled = options.quick ? 2 : 8;
  Library library = makeLibrary({songs, 11, PathStyle::kPosix});
  kw::PlayList valid = library.playlist("library.m3u");
  BrokenSpec spec;
  spec.entries = entries;
  spec.seed = 12;
  kw::PlayList broken = makeBrokenPlaylist(library, spec, "broken.m3u");

  log << "\n== Candidate scoring: " << entries << " entries against " << songs << " songs\n";
  CandidateTimes t = timeCandidates(valid, broken, sampled, options.quick ? 1 : 3);
  double plainTotal = t.plainPerEntry() * static_cast<double>(entries);
  double fast1Cpu = t.index[0].cpu + t.collect[0].cpu;
  double fast1Wall = t.index[0].wall + t.collect[0].wall;
  double fast2Wall = t.index[1].wall + t.collect[1].wall;
  log << "reference: " << fixed(t.plainSample.cpu, 2) << " s CPU for " << t.sampled
      << " entries spread over the playlist, scaled linearly to " << entries << ": " << fixed(plainTotal, 1)
      << " s\n"
      << "production, 1 thread: " << fixed(fast1Cpu, 3) << " s CPU, " << fixed(fast1Wall, 3)
      << " s wall (index " << fixed(t.index[0].wall, 3) << " s + scoring " << fixed(t.collect[0].wall, 3) << " s)\n"
      << "production, 2 threads sharing the entries: " << fixed(fast2Wall, 3) << " s wall, "
      << fixed(t.index[1].cpu + t.collect[1].cpu, 3) << " s CPU (index " << fixed(t.index[1].wall, 3)
      << " s + scoring " << fixed(t.collect[1].wall, 3) << " s)\n"
      << "production, 1 thread, the sampled entries alone: " << fixed(t.fastSample.cpu, 4) << " s CPU\n"
      << "results: identical to the reference on the sampled entries, and between the 1- and 2-thread runs on all "
      << entries << "\n";
  double ratio1 = plainTotal / fast1Cpu;
  double ratioSample = t.plainSample.cpu / t.fastSample.cpu;
  double ratio2 = fast1Wall / fast2Wall;
  table.add("candidates 200 x 100k, 1 thread vs reference (CPU; ref. scaled from " + std::to_string(t.sampled) +
                " entries)",
            fixed(ratio1, 0) + "x", ">= 100x", ratio1 >= 100);
  table.add("  same, on the sampled entries only (no index build)", fixed(ratioSample, 0) + "x", "", -1);
  table.add("candidates 200 x 100k, 2 threads vs 1 thread (wall; entries shared out)", fixed(ratio2, 2) + "x",
            ">= 1.8x", ratio2 >= 1.8);
  table.add("  absolute: reference CPU / 1 thread CPU",
            fixed(plainTotal, 0) + " s / " + fixed(fast1Cpu, 2) + " s", "", -1);
  table.add("  absolute: 1 thread wall / 2 threads wall",
            fixed(fast1Wall, 2) + " s / " + fixed(fast2Wall, 2) + " s", "", -1);
}

// A playlist whose entries are all valid, repaired with -a on two threads:
// each entry settled by looking its path up (the production repair) and
// each ranked against the whole library, in turn, by the median wall time;
// the bytes of both must be the same.
void validSection(const Options& options, ResultTable& table, std::ostream& log) {
  const std::size_t songs = options.quick ? 20000 : 100000, entries = 2000;
  const int runs = options.quick ? 1 : 3;
  const kw::PlayList library = makeLibrary({songs, 71, PathStyle::kPosix}).playlist("library.m3u");
  kw::PlayList valid("valid.m3u");
  for (std::size_t k = 0; k < entries; ++k) valid.entries.push_back(library.entries[k * (songs / entries)]);
  const kw::ValidLibrary index(library, 2);
  std::vector<double> walls[2];
  std::string outputs[2];
  for (int run = 0; run < runs; ++run) {
    for (const bool lookup : {true, false}) {
      kw::PlayList list = valid, missing("missing.m3u");
      kw::RepairSettings settings;
      settings.autoSelect = true;
      settings.settleListed = lookup;
      std::istringstream none;
      std::ostringstream out;
      walls[lookup].push_back(timeOf([&] { kw::repairPlaylist(list, index, missing, settings, out, out, none); }).wall);
      outputs[lookup] = out.str();
      for (const kw::PlaylistEntry& e : list.entries)
        outputs[lookup] += (e.deleted ? "-" : "+") + e.path + "|" + (e.extInfo ? *e.extInfo : "") + "\n";
    }
  }
  if (outputs[0] != outputs[1]) throw Mismatch("valid entries: the lookup changed the repair's output");
  for (auto& w : walls) std::sort(w.begin(), w.end());
  const double ranked = walls[0][runs / 2], looked = walls[1][runs / 2];
  log << "\n== Valid entries: " << entries << " entries that are library paths, " << songs
      << " songs, -a, 2 threads, median of " << runs << " runs each in turn\n"
      << "ranked against the library: " << fixed(ranked, 3) << " s wall; settled by the lookup: " << fixed(looked, 3)
      << " s wall; output identical\n";
  const std::string what = std::to_string(entries) + " valid entries x " + std::to_string(songs / 1000) + "k songs";
  table.add(what + ", lookup vs ranking (wall, 2 threads)", fixed(ranked / looked, 0) + "x", "", -1);
  table.add("  absolute: ranking / lookup", fixed(ranked, 2) + " s / " + fixed(looked, 3) + " s", "", -1);
}

void scalingSection(const Options& options, ResultTable& table, std::ostream& log) {
  std::vector<std::size_t> sizes = {1000, 2000, 5000, 10000, 20000, 50000, 100000};
  if (options.quick) sizes = {1000, 5000, 20000};
  log << "\n== Candidate scoring against library size (200 entries each; ms per entry: CPU time on one\n"
      << "thread, wall time on two; the reference on a spread sample of entries)\n"
      << "songs\treference\tproduction_1t\tproduction_2t\treference_entries\n";
  std::ofstream data;
  if (!options.scalingFile.empty()) {
    data.open(options.scalingFile);
    data << "# songs reference_cpu_ms production1_cpu_ms production2_wall_ms (per entry)\n";
  }
  for (std::size_t songs : sizes) {
    Library library = makeLibrary({songs, 31 + songs, PathStyle::kPosix});
    kw::PlayList valid = library.playlist("library.m3u");
    BrokenSpec spec;
    spec.entries = 200;
    spec.seed = 32 + songs;
    kw::PlayList broken = makeBrokenPlaylist(library, spec, "broken.m3u");
    // About the same reference work at every size.
    std::size_t sampled = std::clamp<std::size_t>((options.quick ? 50000 : 400000) / songs, 4, 200);
    CandidateTimes times = timeCandidates(valid, broken, sampled, 2);
    std::ostringstream row;
    row << songs << "\t" << fixed(times.plainPerEntry() * 1e3, 3) << "\t" << fixed(times.fastPerEntry(0) * 1e3, 4)
        << "\t" << fixed(times.fastPerEntry(1) * 1e3, 4) << "\t" << times.sampled << "\n";
    log << row.str() << std::flush;
    if (data) data << row.str();
  }
  table.add("scaling 1k..100k songs: results identical at every size", "yes", "", -1);
}

// The duplicate finder's wall time on a library of `songs`, on every core.
void timeLargeDuplicates(std::size_t songs, const std::string& target, double limit,
                         ResultTable& table, std::ostream& log) {
  kw::PlayList valid = makeLibrary({songs, 22, PathStyle::kPosix}).playlist("library.m3u");
  kw::PlayList out("dupes.m3u");
  std::ostringstream listing;
  const Timing t = timeOf([&] { kw::findDuplicates(valid, out, 0.8, 5, listing, 2); });
  log << songs << " songs, 2 threads: " << fixed(t.wall, 2) << " s wall, " << fixed(t.cpu, 2) << " s CPU, "
      << out.entries.size() << " playlist entries\n";
  table.add("duplicate finder " + std::to_string(songs / 1000) + "k songs, 2 threads", fixed(t.wall, 2) + " s",
            target, t.wall <= limit);
}

void duplicatesSection(const Options& options, ResultTable& table, std::ostream& log) {
  const std::size_t songs = options.quick ? 5000 : 20000;
  log << "\n== Duplicate finder: " << songs << " songs, -v 0.8 -t 5, one thread against the reference\n";
  for (PathStyle style : {PathStyle::kWindows, PathStyle::kPosix}) {
    kw::PlayList valid = makeLibrary({songs, 21, style}).playlist("library.m3u");
    kw::PlayList fastOut("dupes.m3u"), plainOut("dupes.m3u");
    std::ostringstream fastListing, plainListing;
    double fast = bestOf(options.quick ? 1 : 3, [&] {
      fastOut.entries.clear();
      fastListing.str("");
      kw::findDuplicates(valid, fastOut, 0.8, 5, fastListing, 1);
    }).cpu;
    double plain = timeOf([&] { kw::reference::findDuplicates(valid, plainOut, 0.8, 5, plainListing); }).cpu;
    const std::string listing = fastListing.str();
    bool same = listing == plainListing.str() && fastOut.entries.size() == plainOut.entries.size();
    for (std::size_t i = 0; same && i < fastOut.entries.size(); ++i)
      same = sameEntry(fastOut.entries[i], plainOut.entries[i]);
    if (!same) throw Mismatch("duplicate finder output differs from the reference");
    std::string kind = style == PathStyle::kWindows ? "Windows" : "POSIX";
    log << kind << " paths: reference " << fixed(plain, 2) << " s CPU, production " << fixed(fast, 4) << " s CPU, "
        << std::count(listing.begin(), listing.end(), '\n') << " listing lines, "
        << fastOut.entries.size() << " playlist entries, identical\n";
    double ratio = plain / fast;
    table.add("duplicate finder " + std::to_string(songs / 1000) + "k songs (" + kind + ") vs reference",
              fixed(ratio, 0) + "x", ">= 50x", ratio >= 50);
  }
  if (options.quick) return;
  timeLargeDuplicates(100000, "<= 3 s", 3, table, log);
  timeLargeDuplicates(1000000, "<= 600 s", 600, table, log);
}

// CPU seconds of `cp` of one file (the fastest of `runs`), as a yardstick
// for reading and writing it.
double copySeconds(const std::string& from, const std::string& to, int runs) {
  double best = 0;
  for (int i = 0; i < runs; ++i) {
    ChildRun run = runChild({"/bin/cp", "--reflink=never", from, to}, "/dev/null", "/dev/null", "/dev/null");
    if (run.exitStatus != 0) throw std::runtime_error("cp failed");
    if (i == 0 || run.cpuSeconds < best) best = run.cpuSeconds;
  }
  return best;
}

struct IoTimes {
  double read = 0, readLibrary = 0, write = 0, copy = 0;
  long bytes = 0;
};

// Reading the file as a validList is read: into the compact SongList.
double timeLibraryRead(const kw::PlayList& generated, int runs) {
  NullBuffer nothing;
  std::ostream quiet(&nothing);
  double best = 0;
  for (int run = 0; run < runs; ++run) {
    auto songs = std::make_unique<kw::SongList>(generated.fileName);
    ::malloc_trim(0);
    const double seconds = timeOf([&] { kw::readSongs(*songs, quiet, quiet); }).cpu;
    best = run == 0 ? seconds : std::min(best, seconds);
    bool same = songs->size() == generated.entries.size();
    for (std::size_t i = 0; same && i < songs->size(); ++i)
      same = sameEntry(songs->entry(i), generated.entries[i]);
    if (!same) throw Mismatch("the library reader does not give back the generated playlist");
  }
  return best;
}

IoTimes timeIo(const Library& library, std::size_t entries, const std::string& dir, int runs) {
  Library part = library;
  part.songs.resize(entries);
  kw::PlayList generated = part.playlist(dir + "/io-" + std::to_string(entries) + ".m3u");
  writeM3u(generated, generated.fileName);
  NullBuffer nothing;
  std::ostream quiet(&nothing);
  IoTimes times;
  struct stat info {};
  if (::stat(generated.fileName.c_str(), &info) == 0) times.bytes = static_cast<long>(info.st_size);
  times.copy = copySeconds(generated.fileName, dir + "/io-copy.m3u", runs);
  // The previous run's playlist is freed outside the timed part, and its
  // memory handed back, so that every size reads into fresh pages as a new
  // process does.
  kw::PlayList read(generated.fileName);
  for (int run = 0; run < runs; ++run) {
    read = kw::PlayList(generated.fileName);
    ::malloc_trim(0);
    double seconds = timeOf([&] { kw::readPlaylist(read, quiet, quiet); }).cpu;
    times.read = run == 0 ? seconds : std::min(times.read, seconds);
  }
  bool same = read.entries.size() == generated.entries.size();
  for (std::size_t i = 0; same && i < read.entries.size(); ++i) same = sameEntry(read.entries[i], generated.entries[i]);
  if (!same) throw Mismatch("the reader does not give back the generated playlist");
  times.readLibrary = timeLibraryRead(generated, runs);
  read.fileName = dir + "/io-written.m3u";
  times.write = bestOf(runs, [&] { kw::savePlaylist(read, quiet); }).cpu;
  std::ifstream a(generated.fileName, std::ios::binary), b(read.fileName, std::ios::binary);
  std::stringstream aText, bText;
  aText << a.rdbuf();
  bText << b.rdbuf();
  if (aText.str() != bText.str()) throw Mismatch("the writer does not reproduce the generated file");
  return times;
}

void ioSection(const Options& options, ResultTable& table, std::ostream& log) {
  const std::size_t large = options.quick ? 200000 : 1000000, small = large / 10;
  const int runs = options.quick ? 2 : 5;
  Library library = makeLibrary({large, 41, PathStyle::kPosix});
  IoTimes s = timeIo(library, small, options.dataDir, runs);
  IoTimes l = timeIo(library, large, options.dataDir, runs);
  log << "\n== Reading and writing extended M3U (CPU seconds, user + system, best of " << runs << ")\n";
  for (const IoTimes* t : {&s, &l})
    log << (t == &s ? small : large) << " entries, " << fixed(static_cast<double>(t->bytes) / 1e6, 1) << " MB: read "
        << fixed(t->read, 3) << " s as a playlist, " << fixed(t->readLibrary, 3) << " s as a library, write "
        << fixed(t->write, 3) << " s, cp --reflink=never " << fixed(t->copy, 3) << " s\n";
  log << "round trip: the read playlist equals the generated one, the written file the generated file\n";
  std::string n = std::to_string(large / 1000) + "k";
  double readGrowth = l.read / s.read, writeGrowth = l.write / s.write;
  table.add("read " + n + " entries / read " + std::to_string(small / 1000) + "k", fixed(readGrowth, 2) + "x", "<= 11x",
            readGrowth <= 11);
  table.add("write " + n + " entries / write " + std::to_string(small / 1000) + "k", fixed(writeGrowth, 2) + "x",
            "<= 11x", writeGrowth <= 11);
  table.add("read " + n + " entries as a library (validList) / cp of the file", fixed(l.readLibrary / l.copy, 2) + "x",
            "<= 2x", l.readLibrary / l.copy <= 2);
  table.add("read " + n + " entries as a playlist / cp of the file", fixed(l.read / l.copy, 2) + "x", "<= 4x",
            l.read / l.copy <= 4);
  table.add("write " + n + " entries / cp of the file", fixed(l.write / l.copy, 2) + "x", "<= 4x", l.write / l.copy <= 4);
  table.add("  absolute: read as library / as playlist / write / cp, " + n + " entries",
            fixed(l.readLibrary, 3) + " s / " + fixed(l.read, 3) + " s / " + fixed(l.write, 3) + " s / " +
                fixed(l.copy, 3) + " s",
            "", -1);
}

// The file system of `dir`, as far as it matters here.
std::string fileSystemOf(const std::string& dir) {
  struct statfs info {};
  if (::statfs(dir.c_str(), &info) != 0) return "unknown";
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53: return "ext2/3/4";
    case 0x58465342: return "xfs";
    case 0x9123683E: return "btrfs";
    case 0x01021994: return "tmpfs (the flushes cost nothing there)";
    case 0x794C7630: return "overlayfs";
    default: return "type " + std::to_string(static_cast<unsigned long>(info.f_type));
  }
}

// Saving a playlist with the flushes to the disk (fsync of the new file
// before the rename, of the folder after it) and without them, run after run
// in turn, each run starting with nothing left to write back (sync). Wall
// time, since a flush waits for the disk and costs little CPU.
void flushSection(const Options& options, ResultTable& table, std::ostream& log) {
  const std::size_t entries = options.quick ? 200000 : 1000000;
  const int runs = options.quick ? 3 : 7;
  const kw::PlayList list = makeLibrary({entries, 41, PathStyle::kPosix}).playlist(options.dataDir + "/flush.m3u");
  NullBuffer nothing;
  std::ostream quiet(&nothing);
  std::vector<double> walls[2];  // [1]: flushed
  for (int run = 0; run < runs; ++run) {
    for (const bool flush : {true, false}) {
      ::sync();
      kw::setSyncToDisk(flush);
      walls[flush].push_back(timeOf([&] { kw::savePlaylist(list, quiet); }).wall);
    }
  }
  kw::setSyncToDisk(true);
  struct stat info {};
  ::stat(list.fileName.c_str(), &info);
  log << "\n== Saving " << entries << " entries (" << fixed(static_cast<double>(info.st_size) / 1e6, 1)
      << " MB) with and without the flushes to the disk, wall seconds, " << runs << " runs each; file system "
      << fileSystemOf(options.dataDir) << "\n";
  for (const bool flush : {true, false}) {
    log << (flush ? "flushed:    " : "not flushed:");
    for (double wall : walls[flush]) log << " " << fixed(wall, 3);
    log << "\n";
  }
  for (std::vector<double>& w : walls) std::sort(w.begin(), w.end());
  const double flushed = walls[1][runs / 2], unflushed = walls[0][runs / 2];
  const std::string n = std::to_string(entries / 1000) + "k";
  table.add("save " + n + " entries, flushed / not flushed (medians)", fixed(flushed / unflushed, 2) + "x", "", -1);
  table.add("  absolute: flushed / not flushed, " + n + " entries",
            fixed(flushed, 3) + " s / " + fixed(unflushed, 3) + " s", "", -1);
}

std::string selfPath() {
  char path[4096];
  ssize_t size = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (size <= 0) throw std::runtime_error("cannot find this program's path");
  return std::string(path, static_cast<std::size_t>(size));
}

// --spawn STDIN OUT ERR PROGRAM ARGS...: runs PROGRAM and prints its exit
// status, wall seconds, CPU seconds and peak resident KiB.
int spawnAndReport(int argc, char** argv) {
  if (argc < 6) return 2;
  std::vector<std::string> command(argv + 5, argv + argc);
  ChildRun run = runChild(command, argv[2], argv[3], argv[4]);
  std::cout << run.exitStatus << " " << run.seconds << " " << run.cpuSeconds << " " << run.maxRssKiB << "\n";
  return 0;
}

// The whole tool, trackmend -a, on a generated library of `songs` and a
// broken playlist of `entries`, with standard input empty: wall time and the
// peak memory of that process alone.
void timeWholeTool(const Options& options, std::size_t songs, std::size_t entries, ResultTable& table,
                   std::ostream& log) {
  Library library = makeLibrary({songs, 51, PathStyle::kPosix});
  BrokenSpec spec;
  spec.entries = entries;
  spec.seed = 52;
  std::string libraryFile = options.dataDir + "/tool-library.m3u";
  std::string brokenFile = options.dataDir + "/tool-broken.m3u";
  writeM3u(library.playlist(libraryFile), libraryFile);
  writeM3u(makeBrokenPlaylist(library, spec, brokenFile), brokenFile);
  library = Library();
  struct stat info {};
  ::stat(libraryFile.c_str(), &info);
  double libraryMB = static_cast<double>(info.st_size) / (1024.0 * 1024.0);
  std::string out = options.dataDir + "/tool-stdout.txt", err = options.dataDir + "/tool-stderr.txt";
  std::remove(out.c_str());
  std::remove(err.c_str());
  // Linux carries a process's peak resident size across fork and exec, so a
  // child forked from this (large) process would report our peak, not its
  // own. A fresh, small copy of this program forks the tool instead.
  std::string report = options.dataDir + "/tool-rusage.txt";
  std::remove(report.c_str());
  ChildRun spawner = runChild({selfPath(), "--spawn", "/dev/null", out, err, options.tool, "-a", libraryFile, brokenFile},
                              "/dev/null", report, err);
  ChildRun run;
  std::ifstream(report) >> run.exitStatus >> run.seconds >> run.cpuSeconds >> run.maxRssKiB;
  if (spawner.exitStatus != 0) throw std::runtime_error("could not run " + options.tool);
  double peakMB = static_cast<double>(run.maxRssKiB) / 1024.0;
  double limitMB = 4 * libraryMB + 50;
  std::ifstream errors(err);
  std::string line;
  int autoLines = 0, skipLines = 0;
  while (std::getline(errors, line)) {
    autoLines += line.compare(0, 7, "Auto: '") == 0;
    skipLines += line.compare(0, 7, "Skip: '") == 0;
  }
  log << "trackmend -a on " << songs << " songs (" << fixed(libraryMB, 1) << " MiB) and " << entries
      << " broken entries: exit status " << run.exitStatus << ", " << fixed(run.seconds, 2) << " s wall, "
      << fixed(run.cpuSeconds, 2) << " s CPU, peak resident " << fixed(peakMB, 1) << " MiB; " << autoLines
      << " automatic replacements, " << skipLines << " skipped\n";
  if (run.exitStatus != 0) throw Mismatch("trackmend ended with status " + std::to_string(run.exitStatus));
  const std::string what = std::to_string(songs / 1000) + "k songs + " + std::to_string(entries) + " entries";
  table.add("whole tool -a, " + what + ": wall time", fixed(run.seconds, 2) + " s", "", -1);
  table.add("  peak memory (library file " + fixed(libraryMB, 1) + " MiB)", fixed(peakMB, 1) + " MiB",
            "<= " + fixed(limitMB, 1) + " MiB", peakMB <= limitMB);
}

// Lines of `file` that start with `prefix`.
int linesStartingWith(const std::string& file, const std::string& prefix) {
  std::ifstream in(file);
  int count = 0;
  for (std::string line; std::getline(in, line);) count += line.compare(0, prefix.size(), prefix) == 0;
  return count;
}

// What the -i rule costs the whole tool: trackmend -a and trackmend -a -i
// on the same library and playlist, run after run in turn, by the median
// wall time of each.
void timeSameSongCost(const Options& options, std::size_t songs, std::size_t entries, ResultTable& table,
                      std::ostream& log) {
  const Library library = makeLibrary({songs, 51, PathStyle::kPosix});
  BrokenSpec spec;
  spec.entries = entries;
  spec.seed = 52;
  const std::string libraryFile = options.dataDir + "/cost-library.m3u";
  const std::string brokenFile = options.dataDir + "/cost-broken.m3u";
  writeM3u(library.playlist(libraryFile), libraryFile);
  const kw::PlayList broken = makeBrokenPlaylist(library, spec, brokenFile);
  const int runs = options.quick ? 3 : 5;
  std::vector<double> walls[2], cpus[2];  // [1]: with -i
  int settled[2] = {};
  for (int run = 0; run < runs; ++run) {
    for (const bool same : {false, true}) {
      writeM3u(broken, brokenFile);  // each run repairs the same broken playlist
      const std::string err = options.dataDir + "/cost-stderr.txt";
      std::remove(err.c_str());
      std::vector<std::string> command = {options.tool, "-a", libraryFile, brokenFile};
      if (same) command.insert(command.begin() + 2, "-i");
      const ChildRun child = runChild(command, "/dev/null", "/dev/null", err);
      if (child.exitStatus != 0) throw Mismatch("trackmend ended with status " + std::to_string(child.exitStatus));
      walls[same].push_back(child.seconds);
      cpus[same].push_back(child.cpuSeconds);
      settled[same] = linesStartingWith(err, "Auto: '") + linesStartingWith(err, "Same: '");
    }
  }
  for (int k = 0; k < 2; ++k) {
    std::sort(walls[k].begin(), walls[k].end());
    std::sort(cpus[k].begin(), cpus[k].end());
  }
  const double plain = walls[0][runs / 2], same = walls[1][runs / 2];
  log << "trackmend -a and -a -i on " << songs << " songs and " << entries << " broken entries, " << runs
      << " runs each in turn: median " << fixed(plain, 2) << " s and " << fixed(same, 2) << " s wall, "
      << fixed(cpus[0][runs / 2], 2) << " s and " << fixed(cpus[1][runs / 2], 2) << " s CPU; "
      << settled[0] << " and " << settled[1] << " entries settled without asking\n";
  const double ratio = same / plain;
  const std::string what = std::to_string(songs / 1000) + "k songs + " + std::to_string(entries) + " entries";
  table.add("whole tool -a -i / -a, " + what + " (median wall of " + std::to_string(runs) + ")",
            fixed(ratio, 2) + "x", "<= 1.2x", ratio <= 1.2);
  table.add("  absolute: -a -i / -a", fixed(same, 2) + " s / " + fixed(plain, 2) + " s", "", -1);
}

void toolSection(const Options& options, ResultTable& table, std::ostream& log) {
  if (options.tool.empty()) {
    log << "\n== Whole tool: skipped (no --tool)\n";
    return;
  }
  log << "\n== Whole tool, standard input empty\n";
  timeWholeTool(options, options.quick ? 20000 : 100000, 2000, table, log);
  if (!options.quick) timeWholeTool(options, 1000000, 200, table, log);
  timeSameSongCost(options, options.quick ? 20000 : 100000, 2000, table, log);
}

// The generated library as a folder of real tagged audio files of at least
// `minBytes` each (MP3, FLAC, Opus and WAV, as the generator's extensions
// say). Written once per data folder: a marker file names what it holds.
std::string musicFolder(const std::string& dataDir, std::size_t songs, std::size_t minBytes, std::ostream& log) {
  const std::string root = dataDir + "/scan-music";
  const std::string marker = root + "/.generated";
  const std::string wanted =
      std::to_string(songs) + " songs of at least " + std::to_string(minBytes) + " bytes, file format 4\n";
  std::ifstream old(marker);
  std::stringstream oldText;
  oldText << old.rdbuf();
  if (oldText.str() == wanted) return root;
  log << "writing " << wanted.substr(0, wanted.size() - 1) << " to " << root << " ..." << std::flush;
  std::filesystem::remove_all(root);
  Library library = makeLibrary({songs, 61, PathStyle::kPosix});
  for (const Song& song : library.songs) {
    // Opus files are named .opus, as encoders name them; the files the
    // generator names .m4a are written as WAV.
    std::string name = song.fileName;
    const std::string stem = name.substr(0, name.rfind('.'));
    if (name.ends_with(".ogg")) name = stem + ".opus";
    if (!trackmend_test::canWriteAudio(name)) name = stem + ".wav";
    const std::string folder = root + "/" + song.artist + "/" + song.album;
    std::filesystem::create_directories(folder);
    // A WAV file holds every sample of its length: the generated lengths
    // would take gigabytes, so WAV songs hold their 64 KiB (4 s) only.
    const int seconds = name.ends_with(".wav") ? 0 : song.seconds;
    trackmend_test::writeAudioFile(folder + "/" + name, {song.title, song.artist, seconds, minBytes});
  }
  std::ofstream(marker) << wanted;
  log << " done\n";
  return root;
}

// The floor of any scan: the song files found by a plain walk, each opened
// and its first `bytes` read, on `threads` threads. Returns the files read.
std::size_t openAndReadEach(const std::string& root, std::size_t bytes, unsigned threads) {
  std::vector<std::string> songs;
  for (const auto& item : std::filesystem::recursive_directory_iterator(root))
    if (item.is_regular_file() && kw::isAudioFileName(item.path().filename().string())) songs.push_back(item.path());
  std::atomic<std::size_t> next{0}, read{0};
  kw::sys_dep::runInParallel(threads, [&](unsigned) {
    std::vector<char> buffer(bytes);
    for (std::size_t k; (k = next.fetch_add(1)) < songs.size();) {
      const int fd = ::open(songs[k].c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;
      if (::read(fd, buffer.data(), bytes) > 0) read.fetch_add(1);
      ::close(fd);
    }
  });
  return read.load();
}

kw::PlayList scanOf(const std::string& root, unsigned threads) {
  kw::PlayList list(root);
  NullBuffer nothing;
  std::ostream quiet(&nothing);
  kw::ScanSettings settings;
  settings.threads = threads;
  kw::scanFolder(list, quiet, quiet, settings);
  return list;
}

void scanSection(const Options& options, ResultTable& table, std::ostream& log) {
  const std::size_t songs = options.quick ? 2000 : 20000, bytes = 64 * 1024;
  const int runs = options.quick ? 1 : 3;
  const std::string root = musicFolder(options.dataDir, songs, bytes, log);
  std::size_t floorFiles = openAndReadEach(root, bytes, 2);  // warms the cache
  kw::PlayList twoThreads = scanOf(root, 2);
  Timing floor, scan2;
  for (int run = 0; run < runs; ++run) {
    keepBest(floor, timeOf([&] { floorFiles = openAndReadEach(root, bytes, 2); }), run == 0);
    keepBest(scan2, timeOf([&] { twoThreads = scanOf(root, 2); }), run == 0);
  }
  kw::PlayList oneThread(root);
  const Timing scan1 = timeOf([&] { oneThread = scanOf(root, 1); });
  std::size_t tagged = 0;
  bool same = oneThread.entries.size() == twoThreads.entries.size() && twoThreads.entries.size() == floorFiles;
  for (std::size_t k = 0; same && k < twoThreads.entries.size(); ++k) {
    same = sameEntry(oneThread.entries[k], twoThreads.entries[k]);
    tagged += twoThreads.entries[k].extInfo != nullptr;
  }
  if (!same) throw Mismatch("the scan differs between 1 and 2 threads, or misses files the plain walk reads");
  if (tagged != songs) throw Mismatch("the scan read the tags of " + std::to_string(tagged) + " of " + std::to_string(songs) + " songs");
  log << "\n== Folder scan: " << songs << " tagged audio files of at least " << bytes / 1024
      << " KiB (MP3, FLAC, Opus, WAV), warm cache, best of " << runs << "\n"
      << "floor (plain walk, then each file opened and its first 64 KiB read on 2 threads): " << fixed(floor.wall, 3)
      << " s wall, " << fixed(floor.cpu, 3) << " s CPU\n"
      << "scan with tags, 2 threads: " << fixed(scan2.wall, 3) << " s wall, " << fixed(scan2.cpu, 3) << " s CPU\n"
      << "scan with tags, 1 thread: " << fixed(scan1.wall, 3) << " s wall, " << fixed(scan1.cpu, 3) << " s CPU\n"
      << "results: the same " << songs << " entries with information lines on 1 and 2 threads\n";
  const double ratio = scan2.wall / floor.wall;
  table.add("scan " + std::to_string(songs / 1000) + "k tagged files, 2 threads vs open + read 64 KiB each (wall)",
            fixed(ratio, 2) + "x", "<= 2x", ratio <= 2);
  table.add("  absolute: scan / floor, 2 threads", fixed(scan2.wall, 2) + " s / " + fixed(floor.wall, 2) + " s", "", -1);
}

int usage() {
  std::cerr << "usage: trackmend_bench\n"
               "         [--section candidates|valid|scaling|duplicates|io|flush|tool|quality|realistic|scan]...\n"
               "                       [--data DIR] [--tool PATH] [--scaling FILE] [--seed N] [--quick]\n";
  return 2;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--spawn") return bench::spawnAndReport(argc, argv);
  bench::Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--quick") options.quick = true;
    else if (arg == "--section" && hasValue) options.sections.push_back(argv[++i]);
    else if (arg == "--data" && hasValue) options.dataDir = argv[++i];
    else if (arg == "--tool" && hasValue) options.tool = argv[++i];
    else if (arg == "--scaling" && hasValue) options.scalingFile = argv[++i];
    else if (arg == "--seed" && hasValue) options.seed = std::strtoull(argv[++i], nullptr, 10);
    else return bench::usage();
  }
  ::mkdir(options.dataDir.c_str(), 0755);
  std::ostream& log = std::cout;
  log << "Machine: " << bench::machineName() << "; load average at start " << bench::loadAverage() << "\n";
  bench::ResultTable table;
  try {
    if (options.wants("candidates")) bench::candidatesSection(options, table, log);
    if (options.wants("valid")) bench::validSection(options, table, log);
    if (options.wants("scaling")) bench::scalingSection(options, table, log);
    if (options.wants("duplicates")) bench::duplicatesSection(options, table, log);
    if (options.wants("io")) bench::ioSection(options, table, log);
    if (options.wants("flush")) bench::flushSection(options, table, log);
    if (options.wants("tool")) bench::toolSection(options, table, log);
    if (options.wants("quality")) bench::qualitySection(options.quick, table, log);
    if (options.wants("quality") || options.wants("realistic"))
      bench::realisticQualitySection(options.dataDir, options.seed, table, log);
    if (options.wants("scan")) bench::scanSection(options, table, log);
  } catch (const bench::Mismatch& mismatch) {
    std::cerr << "RESULTS DIFFER: " << mismatch.what() << "\n";
    return 1;
  }
  log << "\n== Summary (load average at end " << bench::loadAverage() << ")\n";
  table.print(log);
  return 0;
}
