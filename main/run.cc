#include "main/run.h"

#include <vector>

#include "Lib/kw/err/error.h"
#include "library/scan.h"
#include "main/output_plan.h"
#include "main/options.h"
#include "playlist/reader.h"
#include "playlist/writer.h"
#include "repair/candidates.h"
#include "repair/duplicates.h"
#include "repair/entry_paths.h"
#include "repair/repair.h"

namespace trackmend {

namespace {

using kw::PlayList;

// The streams of one run.
struct Console {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
  // Where a folder scan draws its running count (a terminal), or null.
  std::ostream* liveCount;
};

void checkRules() {
  using kw::cmdline::CmdLineOption;
  kw::cmdline::requireOption(programInfo, autoSelect, equalDirs);
  CmdLineOption* const repairOptions[] = {&autoSelect, &equalDirs, &removeDupes, &minMatch, &bestRatio,
                                          &sameSong, nullptr};
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

// The playlists the command line names, for the output plan.
RunFiles runFiles(const std::vector<std::string>& names) {
  RunFiles files;
  files.validList = validList.currentValue;
  if (dupeFinder.active) {
    files.dupeOutput = names.empty() ? std::string() : names.front();
    return files;
  }
  files.invalidLists = names;
  if (missingList.active) files.missingList = missingList.currentValue;
  files.appendMissing = appendMissing.active;
  files.toPls = toPls.active;
  files.toM3u = toM3u.active;
  return files;
}

// A run must never replace a playlist it reads with one it writes, nor save
// two playlists under one name, nor find out at the end that it cannot save.
void checkOutputs(const std::vector<std::string>& names) {
  const RunFiles files = runFiles(names);
  checkOutputPlan(files);
  if (files.dupeOutput) checkOutput(*files.dupeOutput);
  if (files.missingList) checkOutput(*files.missingList);
}

// The repair options; the numbers are converted once, -s before -b, before
// the first invalid playlist is read.
kw::RepairSettings repairSettings() {
  kw::RepairSettings settings;
  settings.removeDupes = removeDupes.active;
  settings.autoSelect = autoSelect.active;
  settings.copyInfo = copyInfo.active;
  settings.keepInfo = keepInfo.active;
  settings.minMatch = minMatch.toDouble();
  if (bestRatio.active) settings.bestRatio = bestRatio.toDouble();
  settings.sameSong = sameSong.active;
  return settings;
}

// Reads, repairs, converts and saves one invalid playlist. An error skips
// the rest of this playlist only; a bad -e is such an error.
void repairOne(PlayList& list, const kw::ValidLibrary& valid, PlayList& missing, kw::RepairSettings settings,
               Console& console) {
  try {
    kw::fileToReplace(list.fileName);  // only a regular file is read to be replaced
    kw::readPlaylist(list, console.out, console.err);
    kw::checkSavable(list.fileName);
    settings.dirs = equalDirs.toInt();
    // Before the repair: what the format can hold decides the replacements.
    applyTargetFormat(list, toPls.active, toM3u.active);
    kw::repairPlaylist(list, valid, missing, settings, console.out, console.err, console.in);
    kw::savePlaylist(list, console.out, console.err);
    console.out << '\n' << std::flush;
  } catch (const kw::err::Error& e) {
    console.out.flush();
    e.print(console.err);
    console.err << "Ignored. Continuing.\n" << std::flush;
  }
}

void runRepair(const kw::SongList& valid, const std::vector<std::string>& names, Console& console) {
  PlayList missing(missingList.active ? missingList.currentValue : std::string("dummylist"));
  if (appendMissing.active && missingList.active) {
    kw::readPlaylist(missing, console.out, console.err);
    missing.xmlSource.reset();  // the missing list is written as M3U (PLS with -P)
    kw::decodeAnsiCodePage(missing);  // and in UTF-8, as the entries copied into it
  }
  std::vector<PlayList> lists;
  for (const std::string& name : names) lists.emplace_back(name);
  if (lists.empty()) throw kw::err::Error("Nothing to do.");
  const kw::RepairSettings settings = repairSettings();
  const kw::ValidLibrary library(valid);
  for (PlayList& list : lists) repairOne(list, library, missing, settings, console);
  if (!missingList.active) return;
  if (toPls.active) missing.plsFormat = true;
  kw::savePlaylist(missing, console.out, console.err);
}

void runDupeFinder(const PlayList& valid, const std::vector<std::string>& names, Console& console) {
  PlayList output(names.empty() ? std::string() : names.front());
  const double nameMatch = dupeNameMatch.toDouble();
  const int timeDiff = dupeTimeDiff.toInt();
  kw::findDuplicates(valid, output, nameMatch, timeDiff, console.out);
  kw::savePlaylist(output, console.out, console.err);
}

// The duplicate finder copies whole entries, '#' lines included; the repair
// needs only paths and information lines, kept compactly for large
// libraries.
void run(int argc, char** argv, Console& console) {
  programInfo.init(argc, argv);
  checkRules();
  const std::vector<std::string> names = invalidListNames();
  checkOutputs(names);
  kw::ScanSettings scan;
  scan.liveCount = console.liveCount;
  if (dupeFinder.active) {
    PlayList valid(validList.currentValue);
    kw::readSongList(valid, console.out, console.err, scan);
    valid.xmlSource.reset();  // never written, so an XML document need not stay in memory
    kw::decodeAnsiCodePage(valid);  // its songs are compared and copied as UTF-8
    runDupeFinder(valid, names, console);
  } else {
    kw::SongList valid(validList.currentValue);
    kw::readSongList(valid, console.out, console.err, scan);
    runRepair(valid, names, console);
  }
}

}  // namespace

int runTrackmend(int argc, char** argv, std::ostream& out, std::ostream& err, std::istream& in,
                 std::ostream* liveCount) {
  Console console{out, err, in, liveCount};
  return kw::err::runMainFlow([&] { run(argc, argv, console); }, out, err);
}

}  // namespace trackmend
