#include "main/options.h"

#include "Lib/kw/err/error.h"

namespace trackmend {

using kw::cmdline::CmdLineArgument;
using kw::cmdline::CmdLineArgumentOption;
using kw::cmdline::CmdLineOption;
using kw::cmdline::RepeatedCmdLineArgument;
using kw::err::formatString;

// One translation unit holds them all, so their construction order is their
// order here: the program information first (it sets the error location),
// then the arguments and options in the order the usage text lists them.
kw::cmdline::ProgramInfo programInfo("trackmend", 1, 15, "Fixes paths in playlists (M3U and PLS format)",
                                     "Jan  2 2003");

CmdLineArgument validList("validList", "playlist containing ALL your songs with valid paths", nullptr, true);
RepeatedCmdLineArgument invalidList("invalidList", "playlist containing SOME songs with invalid paths");

CmdLineOption autoSelect('a', "automatically select changed path, if filename is equal (path may differ)");
CmdLineArgumentOption equalDirs('e', "dirs", "auto-select only if the last <dirs> subdirectories are equal",
                                nullptr);
CmdLineOption removeDupes('d', "automatically delete duplicate entries");
CmdLineArgumentOption minMatch('s', "value", "ask only if match-value >= <value>", "0.1");
CmdLineArgumentOption bestRatio('b', "ratio", "auto-select best match if next <= <ratio> * best", nullptr);
CmdLineOption sameSong('i', "auto-select the only song with the same title, artist and length");
CmdLineOption toPls('P', "convert to PLS format");
CmdLineOption toM3u('M', "convert to M3U format");
CmdLineOption keepInfo('k', formatString("keep extended playlist info in %s", invalidList.displayName().c_str()));
CmdLineOption copyInfo('c', formatString("always copy extended playlist info from %c%s%c", '<',
                                         validList.name.c_str(), '>'));
CmdLineArgumentOption missingList('m', "missingList", "write unreplaced entries to <missingList>", nullptr);
CmdLineOption appendMissing('A', "append to <missingList> [Default is to overwrite]");
CmdLineOption dupeFinder('D', "Dupe-Finder (writes possible Dupes into <invalidList>)");
CmdLineArgumentOption dupeNameMatch('v', "value", "minimal dupe name-match percentage", "0.8");
CmdLineArgumentOption dupeTimeDiff('t', "seconds", "maximum time difference for dupes", "5");

}  // namespace trackmend
