// Times the production algorithms against their plain references on the
// same generated inputs, checks that both give identical results, and prints
// the ratios with their targets.
//
//   trackmend_bench [--section candidates|scaling|duplicates|io|tool]...
//                   [--data DIR] [--tool PATH] [--scaling FILE] [--quick]
//
// Without --section every section runs. Exit status 1 when a result differs
// from the reference (a wrong result is a failure; a missed target is not).
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/generator.h"
#include "bench/measure.h"
#include "playlist/reader.h"
#include "playlist/writer.h"
#include "repair/candidates.h"
#include "repair/duplicates.h"
#include "tests/reference/reference.h"

namespace bench {
namespace {

struct Options {
  std::vector<std::string> sections;
  std::string dataDir = "bench-data";
  std::string tool;
  std::string scalingFile;
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
  double indexSeconds[2] = {0, 0};  // preparing the validList, 1 and 2 threads
  double fastSeconds[2] = {0, 0};   // collect() over every entry
  double fastSampleSeconds = 0;     // one thread, the sampled entries only
  double plainSampleSeconds = 0;    // reference, the sampled entries only
  std::size_t entries = 0, sampled = 0;

  double fastPerEntry(int t) const { return (indexSeconds[t] + fastSeconds[t]) / static_cast<double>(entries); }
  double plainPerEntry() const { return plainSampleSeconds / static_cast<double>(sampled); }
};

// Scores every entry of `broken` with the production code on one and two
// threads and the sampled entries with the reference; all results compared.
CandidateTimes timeCandidates(const kw::PlayList& valid, const kw::PlayList& broken,
                              std::size_t sampled, int runs) {
  CandidateTimes times;
  times.entries = broken.entries.size();
  std::vector<kw::CandidateSet> results[2];
  for (int t = 0; t < 2; ++t) {
    times.indexSeconds[t] = 1e300;
    times.fastSeconds[t] = 1e300;
    for (int run = 0; run < runs; ++run) {
      std::vector<kw::CandidateSet> sets;
      sets.reserve(broken.entries.size());
      double indexSeconds = 0;
      double collectSeconds = 0;
      {
        auto start = std::chrono::steady_clock::now();
        kw::CandidateIndex index(valid, static_cast<unsigned>(t + 1));
        auto built = std::chrono::steady_clock::now();
        for (const kw::PlaylistEntry& entry : broken.entries) sets.push_back(index.collect(entry));
        auto done = std::chrono::steady_clock::now();
        indexSeconds = std::chrono::duration<double>(built - start).count();
        collectSeconds = std::chrono::duration<double>(done - built).count();
      }
      if (indexSeconds + collectSeconds < times.indexSeconds[t] + times.fastSeconds[t]) {
        times.indexSeconds[t] = indexSeconds;
        times.fastSeconds[t] = collectSeconds;
      }
      results[t] = std::move(sets);
    }
  }
  for (std::size_t e = 0; e < broken.entries.size(); ++e)
    expectSame(results[0][e], results[1][e], broken.entries[e].path);

  std::vector<std::size_t> sample = spreadSample(broken.entries.size(), sampled);
  times.sampled = sample.size();
  kw::CandidateIndex index(valid, 1);
  times.fastSampleSeconds = bestSecondsOf(runs, [&] {
    for (std::size_t e : sample) index.collect(broken.entries[e]);
  });
  times.plainSampleSeconds = secondsOf([&] {
    for (std::size_t e : sample) {
      ReferenceSet plain = kw::reference::collectCandidates(valid, broken.entries[e], kw::kCandidateLimit);
      expectSame(results[0][e], plain, broken.entries[e].path);
    }
  });
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
  CandidateTimes times = timeCandidates(valid, broken, sampled, options.quick ? 1 : 2);
  double plainTotal = times.plainPerEntry() * static_cast<double>(entries);
  double fast1 = times.indexSeconds[0] + times.fastSeconds[0];
  double fast2 = times.indexSeconds[1] + times.fastSeconds[1];
  log << "reference: " << fixed(times.plainSampleSeconds, 2) << " s for " << times.sampled
      << " entries spread over the playlist, scaled linearly to " << entries << ": "
      << fixed(plainTotal, 1) << " s\n"
      << "production, 1 thread: " << fixed(fast1, 3) << " s (index " << fixed(times.indexSeconds[0], 3)
      << " s + scoring " << fixed(times.fastSeconds[0], 3) << " s)\n"
      << "production, 2 threads: " << fixed(fast2, 3) << " s (index " << fixed(times.indexSeconds[1], 3)
      << " s + scoring " << fixed(times.fastSeconds[1], 3) << " s)\n"
      << "production, 1 thread, the sampled entries alone: " << fixed(times.fastSampleSeconds, 4) << " s\n"
      << "results: identical to the reference on the sampled entries, and between 1 and 2 threads on all "
      << entries << "\n";
  double ratio1 = plainTotal / fast1;
  double ratioSample = times.plainSampleSeconds / times.fastSampleSeconds;
  double ratio2 = fast1 / fast2;
  table.add("candidates 200 x 100k, 1 thread vs reference (ref. scaled from " +
                std::to_string(times.sampled) + " entries)",
            fixed(ratio1, 0) + "x", ">= 100x", ratio1 >= 100);
  table.add("  same, scoring of the sampled entries only (no index)", fixed(ratioSample, 0) + "x", "", -1);
  table.add("candidates 200 x 100k, 2 threads vs 1 thread", fixed(ratio2, 2) + "x", ">= 1.8x", ratio2 >= 1.8);
  table.add("  absolute: reference / 1 thread / 2 threads",
            fixed(plainTotal, 0) + " s / " + fixed(fast1, 2) + " s / " + fixed(fast2, 2) + " s", "", -1);
}

void scalingSection(const Options& options, ResultTable& table, std::ostream& log) {
  std::vector<std::size_t> sizes = {1000, 2000, 5000, 10000, 20000, 50000, 100000};
  if (options.quick) sizes = {1000, 5000, 20000};
  log << "\n== Candidate scoring against library size (200 entries each; ms per entry)\n"
      << "songs\treference\tproduction_1t\tproduction_2t\treference_entries\n";
  std::ofstream data;
  if (!options.scalingFile.empty()) {
    data.open(options.scalingFile);
    data << "# songs reference_ms production1_ms production2_ms (per entry)\n";
  }
  for (std::size_t songs : sizes) {
    Library library = makeLibrary({songs, 31 + songs, PathStyle::kPosix});
    kw::PlayList valid = library.playlist("library.m3u");
    BrokenSpec spec;
    spec.entries = 200;
    spec.seed = 32 + songs;
    kw::PlayList broken = makeBrokenPlaylist(library, spec, "broken.m3u");
    // About the same reference work at every size.
    std::size_t sampled = std::clamp<std::size_t>((options.quick ? 50000 : 400000) / songs, 2, 200);
    CandidateTimes times = timeCandidates(valid, broken, sampled, 1);
    std::ostringstream row;
    row << songs << "\t" << fixed(times.plainPerEntry() * 1e3, 3) << "\t" << fixed(times.fastPerEntry(0) * 1e3, 4)
        << "\t" << fixed(times.fastPerEntry(1) * 1e3, 4) << "\t" << times.sampled << "\n";
    log << row.str() << std::flush;
    if (data) data << row.str();
  }
  table.add("scaling 1k..100k songs: results identical at every size", "yes", "", -1);
}

void duplicatesSection(const Options& options, ResultTable& table, std::ostream& log) {
  const std::size_t songs = options.quick ? 5000 : 20000;
  log << "\n== Duplicate finder: " << songs << " songs (Windows-style paths), -v 0.8 -t 5\n";
  for (PathStyle style : {PathStyle::kWindows, PathStyle::kPosix}) {
    kw::PlayList valid = makeLibrary({songs, 21, style}).playlist("library.m3u");
    kw::PlayList fastOut("dupes.m3u"), plainOut("dupes.m3u");
    std::ostringstream fastListing, plainListing;
    double fast = bestSecondsOf(options.quick ? 1 : 3, [&] {
      fastOut.entries.clear();
      fastListing.str("");
      kw::findDuplicates(valid, fastOut, 0.8, 5, fastListing);
    });
    double plain = secondsOf([&] { kw::reference::findDuplicates(valid, plainOut, 0.8, 5, plainListing); });
    const std::string listing = fastListing.str();
    bool same = listing == plainListing.str() && fastOut.entries.size() == plainOut.entries.size();
    for (std::size_t i = 0; same && i < fastOut.entries.size(); ++i)
      same = sameEntry(fastOut.entries[i], plainOut.entries[i]);
    if (!same) throw Mismatch("duplicate finder output differs from the reference");
    std::string kind = style == PathStyle::kWindows ? "Windows" : "POSIX";
    log << kind << " paths: reference " << fixed(plain, 2) << " s, production " << fixed(fast, 4) << " s, "
        << std::count(listing.begin(), listing.end(), '\n') << " listing lines, "
        << fastOut.entries.size() << " playlist entries, identical\n";
    double ratio = plain / fast;
    table.add("duplicate finder " + std::to_string(songs / 1000) + "k songs (" + kind + ") vs reference",
              fixed(ratio, 0) + "x", ">= 20x", ratio >= 20);
  }
}

// `cp` of one file, as a yardstick for reading and writing it.
double copySeconds(const std::string& from, const std::string& to, int runs) {
  return bestSecondsOf(runs, [&] {
    ChildRun run = runChild({"/bin/cp", from, to}, "/dev/null", "/dev/null", "/dev/null");
    if (run.exitStatus != 0) throw std::runtime_error("cp failed");
  });
}

struct IoTimes {
  double read = 0, write = 0, copy = 0;
  long bytes = 0;
};

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
  kw::PlayList read(generated.fileName);
  times.read = bestSecondsOf(runs, [&] {
    kw::PlayList fresh(generated.fileName);
    kw::readPlaylist(fresh, quiet, quiet);
    read = std::move(fresh);
  });
  bool same = read.entries.size() == generated.entries.size();
  for (std::size_t i = 0; same && i < read.entries.size(); ++i) same = sameEntry(read.entries[i], generated.entries[i]);
  if (!same) throw Mismatch("the reader does not give back the generated playlist");
  read.fileName = dir + "/io-written.m3u";
  times.write = bestSecondsOf(runs, [&] { kw::savePlaylist(read, quiet); });
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
  log << "\n== Reading and writing extended M3U (best of " << runs << ")\n";
  for (const IoTimes* t : {&s, &l})
    log << (t == &s ? small : large) << " entries, " << fixed(static_cast<double>(t->bytes) / 1e6, 1) << " MB: read "
        << fixed(t->read, 3) << " s, write " << fixed(t->write, 3) << " s, cp " << fixed(t->copy, 3) << " s\n";
  log << "round trip: the read playlist equals the generated one, the written file the generated file\n";
  std::string n = std::to_string(large / 1000) + "k";
  double readGrowth = l.read / s.read, writeGrowth = l.write / s.write;
  table.add("read " + n + " entries / read " + std::to_string(small / 1000) + "k", fixed(readGrowth, 2) + "x", "<= 11x",
            readGrowth <= 11);
  table.add("write " + n + " entries / write " + std::to_string(small / 1000) + "k", fixed(writeGrowth, 2) + "x",
            "<= 11x", writeGrowth <= 11);
  table.add("read " + n + " entries / cp of the file", fixed(l.read / l.copy, 2) + "x", "<= 4x", l.read / l.copy <= 4);
  table.add("write " + n + " entries / cp of the file", fixed(l.write / l.copy, 2) + "x", "<= 4x", l.write / l.copy <= 4);
  table.add("  absolute: read / write / cp, " + n + " entries",
            fixed(l.read, 3) + " s / " + fixed(l.write, 3) + " s / " + fixed(l.copy, 3) + " s", "", -1);
}

void toolSection(const Options& options, ResultTable& table, std::ostream& log) {
  if (options.tool.empty()) {
    log << "\n== Whole tool: skipped (no --tool)\n";
    return;
  }
  const std::size_t songs = options.quick ? 20000 : 100000, entries = 2000;
  Library library = makeLibrary({songs, 51, PathStyle::kPosix});
  BrokenSpec spec;
  spec.entries = entries;
  spec.seed = 52;
  std::string libraryFile = options.dataDir + "/tool-library.m3u";
  std::string brokenFile = options.dataDir + "/tool-broken.m3u";
  writeM3u(library.playlist(libraryFile), libraryFile);
  writeM3u(makeBrokenPlaylist(library, spec, brokenFile), brokenFile);
  struct stat info {};
  ::stat(libraryFile.c_str(), &info);
  double libraryMB = static_cast<double>(info.st_size) / (1024.0 * 1024.0);
  std::string out = options.dataDir + "/tool-stdout.txt", err = options.dataDir + "/tool-stderr.txt";
  std::remove(out.c_str());
  std::remove(err.c_str());
  ChildRun run = runChild({options.tool, "-a", libraryFile, brokenFile}, "/dev/null", out, err);
  double peakMB = static_cast<double>(run.maxRssKiB) / 1024.0;
  double limitMB = 4 * libraryMB + 50;
  std::ifstream errors(err);
  std::string line;
  int autoLines = 0, skipLines = 0;
  while (std::getline(errors, line)) {
    autoLines += line.compare(0, 7, "Auto: '") == 0;
    skipLines += line.compare(0, 7, "Skip: '") == 0;
  }
  log << "\n== Whole tool: trackmend -a on " << songs << " songs (" << fixed(libraryMB, 1) << " MiB) and "
      << entries << " broken entries, standard input empty\n"
      << "exit status " << run.exitStatus << ", " << fixed(run.seconds, 2) << " s wall, " << fixed(run.cpuSeconds, 2)
      << " s CPU, peak resident " << fixed(peakMB, 1) << " MiB; " << autoLines << " automatic replacements, "
      << skipLines << " skipped\n";
  if (run.exitStatus != 0) throw Mismatch("trackmend ended with status " + std::to_string(run.exitStatus));
  table.add("whole tool -a, " + std::to_string(songs / 1000) + "k songs + 2000 entries: wall time",
            fixed(run.seconds, 2) + " s", "", -1);
  table.add("  peak memory (library file " + fixed(libraryMB, 1) + " MiB)", fixed(peakMB, 1) + " MiB",
            "<= " + fixed(limitMB, 1) + " MiB", peakMB <= limitMB);
}

int usage() {
  std::cerr << "usage: trackmend_bench [--section candidates|scaling|duplicates|io|tool]... [--data DIR]\n"
               "                       [--tool PATH] [--scaling FILE] [--quick]\n";
  return 2;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  bench::Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--quick") options.quick = true;
    else if (arg == "--section" && hasValue) options.sections.push_back(argv[++i]);
    else if (arg == "--data" && hasValue) options.dataDir = argv[++i];
    else if (arg == "--tool" && hasValue) options.tool = argv[++i];
    else if (arg == "--scaling" && hasValue) options.scalingFile = argv[++i];
    else return bench::usage();
  }
  ::mkdir(options.dataDir.c_str(), 0755);
  std::ostream& log = std::cout;
  log << "Machine: " << bench::machineName() << "; load average at start " << bench::loadAverage() << "\n";
  bench::ResultTable table;
  try {
    if (options.wants("candidates")) bench::candidatesSection(options, table, log);
    if (options.wants("scaling")) bench::scalingSection(options, table, log);
    if (options.wants("duplicates")) bench::duplicatesSection(options, table, log);
    if (options.wants("io")) bench::ioSection(options, table, log);
    if (options.wants("tool")) bench::toolSection(options, table, log);
  } catch (const bench::Mismatch& mismatch) {
    std::cerr << "RESULTS DIFFER: " << mismatch.what() << "\n";
    return 1;
  }
  log << "\n== Summary (load average at end " << bench::loadAverage() << ")\n";
  table.print(log);
  return 0;
}
