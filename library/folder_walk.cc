#include "library/folder_walk.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <iterator>
#include <map>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include "Lib/kw/err/error.h"
#include "Lib/kw/sys_dep/file_system.h"
#include "Lib/kw/sys_dep/folder_listing.h"
#include "Lib/kw/sys_dep/path_rules.h"
#include "library/audio_names.h"
#include "playlist/numbers.h"

namespace kw {
namespace {

using sys_dep::FolderItem;
using sys_dep::ItemKind;

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

class Walker {
 public:
  Walker(FolderWalk& result, const std::function<void(const std::string&, std::size_t)>& songFound)
      : result_(result), songFound_(songFound) {}

  // Marks `folder` as walked under `path`; false when it was walked before.
  bool claim(const sys_dep::FileIdentity& folder, const std::string& path) {
    auto [at, added] = walked_.emplace(std::make_pair(folder.device, folder.inode), path);
    if (!added) skip(path, "already scanned as '" + at->second + "'");
    return added;
  }

  // The names `listing` of `folder` in byte order; a listing that broke off
  // is reported.
  std::vector<FolderItem> names(sys_dep::FolderListing listing, const std::string& folder) {
    if (listing.error != 0) skip(folder, systemReason(listing.error));
    std::sort(listing.items.begin(), listing.items.end(),
              [](const FolderItem& a, const FolderItem& b) { return a.name < b.name; });
    return std::move(listing.items);
  }

  // Visits the listed names of `folder`; each folder is closed before the
  // walk goes deeper, so the depth of a tree costs no file handles.
  void walk(const std::vector<FolderItem>& listed, const std::string& folder) {
    for (const FolderItem& item : listed) visit(sys_dep::joinedPath(folder, item.name), item);
  }

  void walkBelow(const std::string& folder) {
    std::optional<sys_dep::FolderListing> listing = sys_dep::listFolder(folder);
    if (!listing) return skip(folder, systemReason(errno));
    walk(names(std::move(*listing), folder), folder);
  }

 private:
  void visit(const std::string& path, const FolderItem& item) {
    const bool song = isSongName(item.name);
    if (item.kind == ItemKind::kRegular) {
      if (song) addSong(path);
      return;
    }
    if (item.kind == ItemKind::kOther) return;
    if (item.kind == ItemKind::kDirectory && holdsNoMusic(item.name)) return;
    const std::optional<sys_dep::FileStatus> status = sys_dep::lookUpFile(path, true);
    if (!status) return skip(path, systemReason(errno));
    if (status->type == sys_dep::FileType::kDirectory) {
      if (!holdsNoMusic(item.name) && claim(status->identity, path)) walkBelow(path);
    } else if (status->type == sys_dep::FileType::kRegular && song) {
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
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::string> walked_;
};

}  // namespace

std::string systemReason(int error) { return std::generic_category().message(error); }

FolderWalk walkFolder(const std::string& root, const std::string& shownName,
                      const std::function<void(const std::string&, std::size_t)>& songFound) {
  FolderWalk result;
  Walker walker(result, songFound);
  std::optional<sys_dep::FolderListing> listing = sys_dep::listFolder(root);
  const std::optional<sys_dep::FileStatus> status = listing ? sys_dep::lookUpFile(root, true) : std::nullopt;
  if (!status) throw err::IOError(shownName);
  walker.claim(status->identity, root);
  walker.walk(walker.names(std::move(*listing), root), root);
  return result;
}

}  // namespace kw
