// Rough timing of the production repair engine against the plain reference
// on sample libraries: candidate scoring and the duplicate finder. Not a
// test; prints seconds and speed-ups.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "repair/candidates.h"
#include "repair/duplicates.h"
#include "tests/reference/reference.h"
#include "tests/reference/sample_library.h"

namespace {

template <class F>
double seconds(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t songs = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
  const std::size_t entries = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 200;
  const std::size_t referenceEntries = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 3;
  const std::size_t dupeSongs = argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 20000;
  const std::size_t dupeReferenceSongs = argc > 5 ? std::strtoul(argv[5], nullptr, 10) : 5000;

  const kw::PlayList library = kw::reference::makeLibrary(songs, 1);
  const kw::PlayList old = kw::reference::makeDamagedPlaylist(library, entries, 2);
  std::size_t bytes = 0;
  for (const auto& e : library.entries) bytes += e.path.size() + e.extInfo->size() + 2;
  std::printf("library: %zu songs, %.1f MB of text\n", songs, bytes / 1e6);

  double prepare = 0;
  for (unsigned threads : {1u, 2u}) {
    std::size_t total = 0;
    double t = 0;
    prepare = seconds([&] {
      const kw::CandidateIndex index(library, threads);
      t = seconds([&] {
        if (threads == 1)
          for (const auto& e : old.entries) total += index.collectHere(e, 450).size();
        else
          for (const auto& set : index.collectEach(old.entries, 450)) total += set.size();
      });
    }) - t;
    std::printf("production, %u thread(s): %.3f s for %zu entries (%.2f ms each; index %.3f s)\n",
                threads, t, entries, 1e3 * t / entries, prepare);
  }
  const double tr = seconds([&] {
    for (std::size_t k = 0; k < referenceEntries; ++k)
      kw::reference::collectCandidates(library, old.entries[k], 450);
  });
  std::printf("reference: %.3f s for %zu entries (%.0f ms each; %.0f s for %zu extrapolated)\n", tr,
              referenceEntries, 1e3 * tr / referenceEntries, tr / referenceEntries * entries,
              entries);

  const kw::PlayList dupes = kw::reference::makeLibrary(dupeSongs, 3);
  kw::PlayList small("small");
  small.entries.assign(dupes.entries.begin(),
                       dupes.entries.begin() + static_cast<std::ptrdiff_t>(dupeReferenceSongs));
  for (const kw::PlayList* list : {static_cast<const kw::PlayList*>(&small), &dupes}) {
    kw::PlayList out("out");
    std::ostringstream listing;
    const double tp = seconds([&] { kw::findDuplicates(*list, out, 0.8, 5, listing); });
    std::printf("duplicates, production, %zu songs: %.3f s, %zu output entries\n",
                list->entries.size(), tp, out.entries.size());
  }
  {
    kw::PlayList out("out");
    std::ostringstream listing;
    const double t = seconds([&] { kw::reference::findDuplicates(small, out, 0.8, 5, listing); });
    std::printf("duplicates, reference, %zu songs: %.3f s (%.0f s for %zu extrapolated)\n",
                small.entries.size(), t,
                t * (double(dupeSongs) * dupeSongs) / (double(dupeReferenceSongs) * dupeReferenceSongs),
                dupeSongs);
  }
  return 0;
}
