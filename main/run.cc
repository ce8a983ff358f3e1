#include "main/run.h"

#include <sys/stat.h>

#include <vector>

#include "Lib/kw/err/error.h"
#include "Lib/kw/sys_dep/path.h"
#include "main/options.h"
#include "playlist/reader.h"
#include "playlist/writer.h"
#include "repair/candidates.h"
#include "repair/duplicates.h"
#include "repair/repair.h"

namespace trackmend {

namespace {

using kw::PlayList;

// The streams of one run.
struct Console {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
};

void checkRules() {
  using kw::cmdline::CmdLineOption;
  kw::cmdline::requireOption(programInfo, autoSelect, equalDirs);
  CmdLineOption* const repairOptions[] = {&autoSelect, &equalDirs, &removeDupes, &minMatch, nullptr};
  CmdLineOption* const finderOptions[] = {&dupeFinder, &dupeNameMatch, &dupeTimeDiff, nullptr};
  kw::cmdline::exclude(programInfo, repairOptions, finderOptions);
}

// The invalidList values up to the first empty one after a filled one.
std::vector<std::string> invalidListNames() {
  std::vector<std::string> names;
  for (std::string name = invalidList.getValue(); !name.empty(); name = invalidList.getValue()) {
    names.push_back(name);
  }
  return names;
}

void refuseToOverwrite(const std::string& output, const std::string& input) {
  if (!sameFile(output, input)) return;
  throw kw::err::Error(kw::err::formatString("Output playlist '%s' is also an input playlist.", output.c_str()));
}

// A run must never replace a playlist it reads with one it writes.
void checkOutputs(const std::vector<std::string>& names) {
  if (dupeFinder.active) {
    refuseToOverwrite(names.empty() ? std::string() : names.front(), validList.currentValue);
    return;
  }
  if (!missingList.active) return;
  refuseToOverwrite(missingList.currentValue, validList.currentValue);
  for (const std::string& name : names) refuseToOverwrite(missingList.currentValue, name);
}

void setTargetFormat(PlayList& list) {
  if (toPls.active || toM3u.active) list.xmlSource.reset();  // -P and -M convert XML playlists too
  if (!list.plsFormat && toPls.active) {
    list.plsFormat = true;
  } else if (list.plsFormat && toM3u.active) {
    list.plsFormat = false;
  }
}

// Reads, repairs, converts and saves one invalid playlist. An error skips
// the rest of this playlist only.
void repairOne(PlayList& list, const kw::CandidateIndex& valid, PlayList& missing, double minimum,
               Console& console) {
  try {
    kw::readPlaylist(list, console.out, console.err);
    kw::repairPlaylist(list, valid, missing, console.out, removeDupes.active, autoSelect.active, equalDirs.toInt(),
                       copyInfo.active, keepInfo.active, minimum, console.err, console.in);
    setTargetFormat(list);
    kw::savePlaylist(list, console.out);
    console.out << '\n' << std::flush;
  } catch (const kw::err::Error& e) {
    console.out.flush();
    e.print(console.err);
    console.err << "Ignored. Continuing.\n" << std::flush;
  }
}

void runRepair(const PlayList& valid, const std::vector<std::string>& names, Console& console) {
  PlayList missing(missingList.active ? missingList.currentValue : std::string("dummylist"));
  if (appendMissing.active && missingList.active) {
    kw::readPlaylist(missing, console.out, console.err);
    missing.xmlSource.reset();  // the missing list is written as M3U (PLS with -P)
  }
  std::vector<PlayList> lists;
  for (const std::string& name : names) lists.emplace_back(name);
  if (lists.empty()) throw kw::err::Error("Nothing to do.");
  const double minimum = minMatch.toDouble();
  const kw::CandidateIndex index(valid);
  for (PlayList& list : lists) repairOne(list, index, missing, minimum, console);
  if (!missingList.active) return;
  if (toPls.active) missing.plsFormat = true;
  kw::savePlaylist(missing, console.out);
}

void runDupeFinder(const PlayList& valid, const std::vector<std::string>& names, Console& console) {
  PlayList output(names.empty() ? std::string() : names.front());
  const double nameMatch = dupeNameMatch.toDouble();
  const int timeDiff = dupeTimeDiff.toInt();
  kw::findDuplicates(valid, output, nameMatch, timeDiff, console.out);
  kw::savePlaylist(output, console.out);
}

void run(int argc, char** argv, Console& console) {
  programInfo.init(argc, argv);
  checkRules();
  const std::vector<std::string> names = invalidListNames();
  checkOutputs(names);
  PlayList valid(validList.currentValue);
  kw::readPlaylist(valid, console.out, console.err);
  valid.xmlSource.reset();  // never written, so an XML document need not stay in memory
  if (dupeFinder.active) {
    runDupeFinder(valid, names, console);
  } else {
    runRepair(valid, names, console);
  }
}

}  // namespace

bool sameFile(const std::string& a, const std::string& b) {
  struct stat first, second;
  if (stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0) {
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  }
  return kw::sys_dep::toFullPath(a) == kw::sys_dep::toFullPath(b);
}

int runTrackmend(int argc, char** argv, std::ostream& out, std::ostream& err, std::istream& in) {
  Console console{out, err, in};
  try {
    run(argc, argv, console);
    out.flush();
    return 0;
  } catch (const kw::err::Error& e) {
    out.flush();
    e.print(err);
  } catch (...) {
    out.flush();
    kw::err::Error("Unknown exception").print(err);
  }
  return 1;
}

}  // namespace trackmend
