// The tool's main flow: one run of the repair mode or the duplicate-finder
// mode, from the command line to the saved playlists.
#ifndef MAIN_RUN_H_
#define MAIN_RUN_H_

#include <iostream>
#include <string>

namespace trackmend {

// Parses the command line into the declared options (main/options.h),
// checks the rules between them, then repairs each invalid playlist against
// the valid one (or, with -D, collects the probable duplicates of the valid
// playlist) and saves the results. A valid "playlist" that is a folder is
// scanned for its songs instead; `liveCount` (a terminal, or null) then
// shows the running count. Progress, statistics and listings go to
// `out` (flushed after each saved playlist); the dialogue, warnings and
// every error report go to `err`; the user's answers come from `in`.
// Returns 0 when the run reached its end (also when single invalid
// playlists were skipped after an error), 1 after an error that ended it.
// Catches everything; meant to be called once per process (the options keep
// what the command line stored in them).
int runTrackmend(int argc, char** argv, std::ostream& out = std::cout, std::ostream& err = std::cerr,
                 std::istream& in = std::cin, std::ostream* liveCount = nullptr);

}  // namespace trackmend

#endif  // MAIN_RUN_H_
