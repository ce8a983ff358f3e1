// The walk through a music folder that finds its song files.
#ifndef LIBRARY_FOLDER_WALK_H_
#define LIBRARY_FOLDER_WALK_H_

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace kw {

struct FolderWalk {
  // The song files (isAudioFileName but "._*", regular files after following links),
  // in the order the walk met them.
  std::vector<std::string> songs;
  // One line "Skipped '<path>': <reason>\n" per folder or file left out, in
  // the order the walk met them.
  std::vector<std::string> skipped;
};

// Walks the folder `root`, an absolute normalised path, depth first with the
// names of each folder in byte order and symbolic links followed. Folders
// that hold no music are left out silently (".Trash*", ".git", ".svn",
// ".hg", ".cache", ".thumbnails", "@eaDir", "#recycle", "$RECYCLE.BIN",
// "System Volume Information", ".AppleDouble", ".Spotlight-V100",
// ".fseventsd", ".stfolder", "lost+found", in any letter case); every other
// name counts, also one starting with '.'. A file named "._*" is no song. Each real folder (device and inode) is walked
// once, under the first path that reaches it; every later path to it, a
// link loop included, is skipped ("already scanned as '<first path>'").
// A folder that cannot be listed and a name that cannot be looked up (a
// dangling link) are skipped with the system's reason. Paths are `root`,
// the platform's separator and the names below it, bytes as the file system
// gives them (UTF-8 on Windows).
// `songFound`, when set, is called with each song's path and the number of
// songs found so far, as the walk finds it. Throws kw::err::IOError(`shownName`) when `root` itself
// cannot be listed.
FolderWalk walkFolder(const std::string& root, const std::string& shownName,
                      const std::function<void(const std::string&, std::size_t)>& songFound = {});

// The system's text for the error number `error` (thread-safe).
std::string systemReason(int error);

}  // namespace kw

#endif  // LIBRARY_FOLDER_WALK_H_
