// The declared command line of trackmend-scan: the program information
// object and its two positional arguments, built before main() in this
// order and alive until exit. Linked into trackmend-scan only (a process
// holds one program information object).
#ifndef MAIN_SCAN_OPTIONS_H_
#define MAIN_SCAN_OPTIONS_H_

#include "Lib/kw/cmdline/cmdline.h"
#include "Lib/kw/cmdline/program_info.h"

namespace trackmend {

extern kw::cmdline::ProgramInfo scanProgramInfo;

// The music folder to scan.
extern kw::cmdline::CmdLineArgument scanFolderArgument;
// The playlist to write: PLS when its name ends in ".pls", else M3U.
extern kw::cmdline::CmdLineArgument scanPlaylistArgument;

}  // namespace trackmend

#endif  // MAIN_SCAN_OPTIONS_H_
