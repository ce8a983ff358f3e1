#include "main/scan_options.h"

namespace trackmend {

using kw::cmdline::CmdLineArgument;

// One translation unit, so the program information is built first.
kw::cmdline::ProgramInfo scanProgramInfo("trackmend-scan", 1, 15,
                                         "Writes the songs of a music folder, with their tags, into a playlist",
                                         "Dec  8 2026");

CmdLineArgument scanFolderArgument("folder", "your music folder (scanned with all folders below it)", nullptr, true);
CmdLineArgument scanPlaylistArgument("playlist", "the playlist to write: PLS when its name ends in .pls, else M3U",
                                     nullptr, true);

}  // namespace trackmend
