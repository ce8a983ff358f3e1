#include "repair/entry_paths.h"

#include <optional>

#include "playlist/path_forms.h"

namespace kw {
namespace {

// A path a file:// URI can name: POSIX absolute, or a drive path "C:...".
bool isLocalAbsolute(const std::string& path) {
  const bool drive = path.size() >= 2 && path[1] == ':' &&
                     ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
  return path.starts_with('/') || drive;
}

}  // namespace

ValidLibrary::ValidLibrary(const PlayList& validList, unsigned threads) : validList_(&validList) {
  for (std::size_t k = 0; k < validList.entries.size(); ++k) {
    const PlaylistEntry& song = validList.entries[k];
    const std::optional<std::string> decoded = fileUriPath(song.path);
    if (decoded && !decoded_) decoded_ = std::make_unique<PlayList>(validList);
    if (decoded) decoded_->entries[k].path = *decoded;
    allAbsolute_ = allAbsolute_ && (decoded ? *decoded : song.path).starts_with('/');
  }
  index_ = std::make_unique<CandidateIndex>(decoded_ ? *decoded_ : validList, threads);
}

EntryPaths::EntryPaths(std::string playlistFolder, bool resolveRelative)
    : folder_(std::move(playlistFolder)), resolveRelative_(resolveRelative) {}

std::string EntryPaths::compared(const std::string& path) const {
  switch (pathFormOf(path)) {
    case PathForm::kFileUri:
      return *fileUriPath(path);
    case PathForm::kRelative:
      return resolveRelative_ ? resolvedPath(folder_, path) : path;
    case PathForm::kAsIs:
      break;
  }
  return path;
}

PlaylistEntry EntryPaths::comparedEntry(const PlaylistEntry& entry) const {
  PlaylistEntry copy(entry);
  copy.path = compared(entry.path);
  return copy;
}

std::string EntryPaths::replacement(const std::string& written, const std::string& target,
                                    const std::string& listed) const {
  switch (pathFormOf(written)) {
    case PathForm::kRelative:
      return resolveRelative_ ? relativePath(folder_, target) : listed;
    case PathForm::kFileUri:
      return isLocalAbsolute(target) ? fileUri(target) : listed;
    case PathForm::kAsIs:
      break;
  }
  return listed;
}

std::string EntryPaths::movedTo(const std::string& written, const std::string& folder) const {
  if (folder == folder_ || !isRelativePath(written)) return written;
  return relativePath(folder, resolvedPath(folder_, written));
}

}  // namespace kw
