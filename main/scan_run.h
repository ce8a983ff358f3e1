// The flow of trackmend-scan: a music folder scanned once and saved as a
// playlist, to be given to trackmend as its valid list.
#ifndef MAIN_SCAN_RUN_H_
#define MAIN_SCAN_RUN_H_

#include <iostream>

namespace trackmend {

// Parses the command line into the declared arguments (main/scan_options.h),
// checks the playlist as an output (checkOutput: it can be saved, and an
// existing file is a playlist) before anything is scanned, scans the folder
// (kw::scanFolder, its tags read on every hardware thread) and saves the
// songs with kw::savePlaylist under the playlist name, as PLS
// when the name ends in ".pls" (any letter case), else as M3U. Progress goes
// to `out`; skipped files and every error report to `err`; `liveCount` (a
// terminal, or null) shows the running count. Returns 0 when the playlist
// was saved, 1 after an error (a help request included); an existing
// playlist is then left as it was. Catches everything; meant to be called
// once per process.
int runScan(int argc, char** argv, std::ostream& out = std::cout, std::ostream& err = std::cerr,
            std::ostream* liveCount = nullptr);

}  // namespace trackmend

#endif  // MAIN_SCAN_RUN_H_
