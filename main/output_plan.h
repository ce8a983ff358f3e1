// The one place that decides which files a run may write: every name the
// run will write to or rename onto is worked out before anything is read,
// asked or written, and each output is checked before the first question.
#ifndef MAIN_OUTPUT_PLAN_H_
#define MAIN_OUTPUT_PLAN_H_

#include <optional>
#include <string>
#include <vector>

#include "playlist/playlist.h"

namespace trackmend {

// The playlists of one run of trackmend, as the command line names them.
struct RunFiles {
  std::string validList;
  std::vector<std::string> invalidLists;  // repair mode: each is read and saved
  std::optional<std::string> missingList;  // -m
  bool appendMissing = false;              // -A: the missing list is read first
  std::optional<std::string> dupeOutput;   // -D: the finder's output
  bool toPls = false;                      // -P
  bool toM3u = false;                      // -M
};

// Checks the outputs of `files` against each other and against the inputs,
// in this order, and throws kw::err::Error for the first conflict:
// 1. the missing list (or the finder's output) is an input playlist:
//    "Output playlist '<given>' is also an input playlist.";
// 2. for each output in command-line order (the missing list or the
//    finder's output, then the invalidLists), its final name (savedName()
//    after applyTargetFormat()) is an input that is not its own playlist:
//    "Output playlist '<given>' would be saved as '<final>', which is also
//    the input playlist '<input>'.";
// 3. a name (given or final) of that output is a name of an earlier one:
//    "Output playlists '<first>' and '<second>' would both be saved as
//    '<name>'.".
// 4. its final name differs from its given one and is taken by another
//    file (checkRenameTarget()).
// Inputs are the validList, the invalidLists and the missing list under -A.
// One playlist named twice, or the validList given again as an invalidList,
// is no conflict. The format of each invalidList (and of the missing list
// under -A) is detected for its final name (kw::detectPlaylist, nothing
// written); one that is no regular file, cannot be read or is refused is
// left out of the outputs, as it will not be saved. Names are compared with
// sameFile().
void checkOutputPlan(const RunFiles& files);

// Checks that the save of `given`, renamed to its final name `final`, finds
// no other file there (any kind, a dangling link too), as the rename would
// find it at the end of the run: throws kw::err::IOError("<given> ->
// <final>", "rename") with the system's text for EEXIST. `final` equal to
// `given`, or another name of the same existing file (a link to it, another
// letter case on a disk that ignores it), is no other file.
void checkRenameTarget(const std::string& given, const std::string& final);

// Checks the output `name` before any question: kw::checkSavable(name) (what
// it throws, this throws), then, when the file exists, that it is a playlist
// (kw::detectPlaylist's refusals and errors). A name that does not exist yet
// is never refused as no playlist.
void checkOutput(const std::string& name);

// Sets the format an invalid playlist is written in: -P makes M3U and XML
// PLS, -M makes PLS and XML M3U (with both, each text playlist is turned into
// the other format and XML into PLS); XML is written as XML otherwise.
void applyTargetFormat(kw::PlayList& list, bool toPls, bool toM3u);

// Whether the names `a` and `b` stand for one file: the same device and
// inode when both exist (links followed), otherwise the same absolute name
// after resolving ".." as the kernel does (kw::sys_dep::resolvedAsKernel),
// letter case ignored (kw::sys_dep::caseFolded: ASCII letters on POSIX,
// Windows' ordinal comparison there): a false alarm on a case-sensitive disk
// is cheaper than a lost playlist on a case-insensitive one.
bool sameFile(const std::string& a, const std::string& b);

}  // namespace trackmend

#endif  // MAIN_OUTPUT_PLAN_H_
