// The POSIX side of folder_listing.h: readdir, with the kind the file
// system stores beside each name.
#include <dirent.h>

#include <cerrno>
#include <string_view>

#include "Lib/kw/sys_dep/folder_listing.h"

namespace kw::sys_dep {
namespace {

ItemKind kindOf(unsigned char type) {
  switch (type) {
    case DT_REG: return ItemKind::kRegular;
    case DT_DIR: return ItemKind::kDirectory;
    case DT_LNK:
    case DT_UNKNOWN: return ItemKind::kUnknown;
    default: return ItemKind::kOther;
  }
}

}  // namespace

std::optional<FolderListing> listFolder(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return std::nullopt;
  FolderListing listing;
  errno = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") listing.items.push_back({entry->d_name, kindOf(entry->d_type)});
    errno = 0;
  }
  listing.error = errno;
  ::closedir(dir);
  return listing;
}

}  // namespace kw::sys_dep
