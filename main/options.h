// The tool's declared command line: the program information object, the two
// positional arguments and the fifteen options, built before main() in this
// order (which is also the order of the usage text) and alive until exit.
#ifndef MAIN_OPTIONS_H_
#define MAIN_OPTIONS_H_

#include "Lib/kw/cmdline/cmdline.h"
#include "Lib/kw/cmdline/program_info.h"

namespace trackmend {

extern kw::cmdline::ProgramInfo programInfo;

// The playlist with every song at a valid path; read in both modes.
extern kw::cmdline::CmdLineArgument validList;
// Repair mode: the playlists to repair, in order. Duplicate finder: the
// first value names the output playlist.
extern kw::cmdline::RepeatedCmdLineArgument invalidList;

extern kw::cmdline::CmdLineOption autoSelect;             // -a
extern kw::cmdline::CmdLineArgumentOption equalDirs;      // -e <dirs>
extern kw::cmdline::CmdLineOption removeDupes;            // -d
extern kw::cmdline::CmdLineArgumentOption minMatch;       // -s <value>, default 0.1
extern kw::cmdline::CmdLineArgumentOption bestRatio;      // -b <ratio>
extern kw::cmdline::CmdLineOption sameSong;               // -i
extern kw::cmdline::CmdLineOption toPls;                  // -P
extern kw::cmdline::CmdLineOption toM3u;                  // -M
extern kw::cmdline::CmdLineOption keepInfo;               // -k
extern kw::cmdline::CmdLineOption copyInfo;               // -c
extern kw::cmdline::CmdLineArgumentOption missingList;    // -m <missingList>
extern kw::cmdline::CmdLineOption appendMissing;          // -A
extern kw::cmdline::CmdLineOption dupeFinder;             // -D
extern kw::cmdline::CmdLineArgumentOption dupeNameMatch;  // -v <value>, default 0.8
extern kw::cmdline::CmdLineArgumentOption dupeTimeDiff;   // -t <seconds>, default 5

}  // namespace trackmend

#endif  // MAIN_OPTIONS_H_
