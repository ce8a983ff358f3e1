// The names a folder holds, as the system lists them.
#ifndef KW_SYS_DEP_FOLDER_LISTING_H_
#define KW_SYS_DEP_FOLDER_LISTING_H_

#include <optional>
#include <string>
#include <vector>

namespace kw::sys_dep {

// What the listing tells of a name without asking further.
enum class ItemKind {
  kRegular,    // a regular file
  kDirectory,  // a folder
  kOther,      // a device, a pipe, a socket: nothing to open
  kUnknown,    // a symbolic link, or the listing does not say: look it up
};

struct FolderItem {
  std::string name;  // UTF-8 on Windows; bytes as the file system has them elsewhere
  ItemKind kind;
};

struct FolderListing {
  std::vector<FolderItem> items;  // without "." and "..", in the system's order
  int error = 0;                  // errno when the listing broke off, else 0
};

// The names in the folder `folder`; nullopt with errno set when it cannot be
// listed at all (missing, no folder, no permission). Never throws.
std::optional<FolderListing> listFolder(const std::string& folder);

}  // namespace kw::sys_dep

#endif  // KW_SYS_DEP_FOLDER_LISTING_H_
