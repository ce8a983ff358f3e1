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

std::optional<std::string_view> optionalInfo(const SongList& songs, std::size_t k) {
  return songs.hasInfo(k) ? std::optional<std::string_view>(songs.info(k)) : std::nullopt;
}

}  // namespace

ValidLibrary::ValidLibrary(const SongList& songs, unsigned threads) : songs_(&songs) {
  prepare(threads);
}

ValidLibrary::ValidLibrary(const PlayList& validList, unsigned threads)
    : owned_(std::make_unique<SongList>(validList)), songs_(owned_.get()) {
  prepare(threads);
}

// Scans the songs once: the decoded copy is made only when the first
// file:// URI shows that one is needed.
void ValidLibrary::prepare(unsigned threads) {
  for (std::size_t k = 0; k < songs_->size(); ++k) {
    const std::string_view path = songs_->path(k);
    const std::optional<std::string> decoded = fileUriPath(path);
    if (decoded && !decoded_) {
      decoded_ = std::make_unique<SongList>(songs_->fileName());
      for (std::size_t j = 0; j < k; ++j) decoded_->add(songs_->path(j), optionalInfo(*songs_, j));
    }
    if (decoded_) decoded_->add(decoded ? *decoded : path, optionalInfo(*songs_, k));
    allAbsolute_ = allAbsolute_ && (decoded ? std::string_view(*decoded) : path).starts_with('/');
  }
  index_ = std::make_unique<CandidateIndex>(decoded_ ? *decoded_ : *songs_, threads);
}

const IdentityIndex& ValidLibrary::identities() const {
  if (!identities_) identities_ = std::make_unique<IdentityIndex>(decoded_ ? *decoded_ : *songs_);
  return *identities_;
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
