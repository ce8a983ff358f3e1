#include "library/folder_walk.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <map>
#include <string_view>
#include <system_error>
#include <utility>

#include "Lib/kw/err/error.h"
#include "library/audio_names.h"
#include "playlist/numbers.h"

namespace kw {
namespace {

struct Name {
  std::string name;
  unsigned char type;  // d_type: DT_REG, DT_DIR, DT_LNK, DT_UNKNOWN, ...
  bool operator<(const Name& other) const { return name < other.name; }
};

// Folders that hold no music, by name in any letter case: trash, version
// control, caches and thumbnails, the bookkeeping of NAS boxes, Windows,
// macOS, Syncthing and fsck. A NAS has "@eaDir" in every album.
bool holdsNoMusic(std::string_view name) {
  static constexpr std::string_view kNames[] = {
      ".git",       ".svn",          ".hg",           ".cache",     ".thumbnails", "@eadir",    "#recycle",
      "$recycle.bin", "system volume information", ".appledouble", ".spotlight-v100", ".fseventsd", ".stfolder",
      "lost+found"};
  if (startsWithIgnoringCase(name, ".trash")) return true;
  return std::any_of(std::begin(kNames), std::end(kNames),
                     [name](std::string_view lower) { return equalsIgnoringCase(name, lower); });
}

// A song file by its name: macOS writes a "._<name>" companion beside each
// file on a foreign disk, which holds no sound.
bool isSongName(const std::string& name) { return isAudioFileName(name) && !name.starts_with("._"); }

// Closes the folder however the listing ends.
struct FolderHandle {
  DIR* dir;
  ~FolderHandle() {
    if (dir) ::closedir(dir);
  }
};

class Walker {
 public:
  Walker(FolderWalk& result, const std::function<void(const std::string&, std::size_t)>& songFound)
      : result_(result), songFound_(songFound) {}

  // Marks `folder` as walked under `path`; false when it was walked before.
  bool claim(const struct stat& folder, const std::string& path) {
    auto [at, added] = walked_.emplace(std::make_pair(folder.st_dev, folder.st_ino), path);
    if (!added) skip(path, "already scanned as '" + at->second + "'");
    return added;
  }

  // The names in `folder` (a listed DIR), but "." and "..", in byte order.
  std::vector<Name> names(DIR* dir, const std::string& folder) {
    std::vector<Name> found;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string_view name = entry->d_name;
      if (name != "." && name != "..") found.push_back({entry->d_name, entry->d_type});
      errno = 0;
    }
    if (errno != 0) skip(folder, systemReason(errno));
    std::sort(found.begin(), found.end());
    return found;
  }

  // Visits the listed names of `folder`; each folder is closed before the
  // walk goes deeper, so the depth of a tree costs no file descriptors.
  void walk(const std::vector<Name>& listed, const std::string& folder) {
    const std::string prefix = folder == "/" ? folder : folder + "/";
    for (const Name& item : listed) visit(prefix + item.name, item);
  }

  void walkBelow(const std::string& folder) {
    std::vector<Name> listed;
    {
      FolderHandle handle{::opendir(folder.c_str())};
      if (!handle.dir) return skip(folder, systemReason(errno));
      listed = names(handle.dir, folder);
    }
    walk(listed, folder);
  }

 private:
  void visit(const std::string& path, const Name& item) {
    const bool song = isSongName(item.name);
    if (item.type == DT_REG) {
      if (song) addSong(path);
      return;
    }
    if (item.type != DT_DIR && item.type != DT_LNK && item.type != DT_UNKNOWN) return;
    if (item.type == DT_DIR && holdsNoMusic(item.name)) return;
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) return skip(path, systemReason(errno));
    if (S_ISDIR(info.st_mode)) {
      if (!holdsNoMusic(item.name) && claim(info, path)) walkBelow(path);
    } else if (S_ISREG(info.st_mode) && song) {
      addSong(path);
    }
  }

  void addSong(const std::string& path) {
    result_.songs.push_back(path);
    if (songFound_) songFound_(path, result_.songs.size());
  }

  void skip(const std::string& path, const std::string& reason) {
    result_.skipped.push_back("Skipped '" + path + "': " + reason + "\n");
  }

  FolderWalk& result_;
  const std::function<void(const std::string&, std::size_t)>& songFound_;
  std::map<std::pair<dev_t, ino_t>, std::string> walked_;
};

}  // namespace

std::string systemReason(int error) { return std::generic_category().message(error); }

FolderWalk walkFolder(const std::string& root, const std::string& shownName,
                      const std::function<void(const std::string&, std::size_t)>& songFound) {
  FolderWalk result;
  Walker walker(result, songFound);
  std::vector<Name> listed;
  {
    FolderHandle handle{::opendir(root.c_str())};
    struct stat info;
    if (!handle.dir || ::fstat(::dirfd(handle.dir), &info) != 0) throw err::IOError(shownName);
    walker.claim(info, root);
    listed = walker.names(handle.dir, root);
  }
  walker.walk(listed, root);
  return result;
}

}  // namespace kw
