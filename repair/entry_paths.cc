#include "repair/entry_paths.h"

#include <algorithm>
#include <functional>

#include "Lib/kw/sys_dep/code_page.h"
#include "Lib/kw/sys_dep/file_system.h"
#include "Lib/kw/sys_dep/path.h"
#include "Lib/kw/sys_dep/path_rules.h"
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

// The hash of `path` as the platform compares names.
std::uint64_t hashOf(std::string_view path) {
  std::string storage;
  return std::hash<std::string_view>()(sys_dep::comparedName(path, storage));
}

bool isAbsolute(std::string_view path) {
  return !path.empty() && sys_dep::anchorOf(path) == sys_dep::PathAnchor::kAbsolute;
}

using sys_dep::joinedPath;

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
    const std::string_view comparedPath = decoded ? std::string_view(*decoded) : path;
    if (isUrl(comparedPath)) {
      schemes_.insert(uriScheme(comparedPath));
    } else if (comparedPath.empty() || sys_dep::anchorOf(comparedPath) != sys_dep::PathAnchor::kForeign) {
      allAbsolute_ = allAbsolute_ && isAbsolute(comparedPath);
    }
  }
  index_ = std::make_unique<CandidateIndex>(decoded_ ? *decoded_ : *songs_, threads);
}

const IdentityIndex& ValidLibrary::identities() const {
  std::call_once(identitiesBuilt_, [&] { identities_ = std::make_unique<IdentityIndex>(compared()); });
  return *identities_;
}

bool ValidLibrary::holdsScheme(std::string_view url) const { return schemes_.count(uriScheme(url)) != 0; }

std::optional<std::size_t> ValidLibrary::find(std::string_view path) const {
  const SongList& songs = compared();
  std::call_once(lookupBuilt_, [&] {
    lookup_.reserve(songs.size());
    for (std::size_t k = 0; k < songs.size(); ++k) lookup_.emplace_back(hashOf(songs.path(k)), k);
    std::sort(lookup_.begin(), lookup_.end());
  });
  const std::uint64_t hash = hashOf(path);
  auto at = std::upper_bound(lookup_.begin(), lookup_.end(), std::make_pair(hash, songs.size()));
  while (at != lookup_.begin() && (--at)->first == hash) {
    if (sys_dep::samePath(songs.path(at->second), path)) return at->second;
  }
  return std::nullopt;
}

EntryPaths::EntryPaths(std::string playlistFolder, bool resolveRelative, bool ansi)
    : writtenFolder_(std::move(playlistFolder)),
      folder_(normalisedPath(writtenFolder_)),
      resolveRelative_(resolveRelative),
      ansi_(ansi) {}

std::string EntryPaths::text(const std::string& written) const {
  return ansi_ ? sys_dep::fromAnsiCodePage(written) : written;
}

std::string EntryPaths::compared(const std::string& written) const {
  const std::string path = text(written);
  switch (pathFormOf(path)) {
    case PathForm::kFileUri:
      return *fileUriPath(path);
    case PathForm::kRelative:
      return resolveRelative_ ? sys_dep::resolvedAsKernel(joinedPath(writtenFolder_, path)) : path;
    case PathForm::kAsIs:
      break;
  }
  return path;
}

PlaylistEntry EntryPaths::comparedEntry(const PlaylistEntry& entry) const {
  PlaylistEntry copy(entry);
  copy.path = compared(entry.path);
  if (ansi_ && copy.extInfo) *copy.extInfo = text(*copy.extInfo);
  return copy;
}

std::vector<std::string> EntryPaths::validForms(const std::string& written) const {
  const std::string path = text(written);
  if (!isRelativePath(path)) return {};
  return {path, resolvedPath(folder_, path), sys_dep::resolvedAsKernel(joinedPath(writtenFolder_, path))};
}

std::string EntryPaths::replacement(const std::string& entryPath, const std::string& target,
                                    const std::string& listed) const {
  const std::string written = text(entryPath);
  switch (pathFormOf(written)) {
    case PathForm::kRelative:
      return isAbsolute(target) ? relativeReplacement(written, target).value_or(listed) : listed;
    case PathForm::kFileUri:
      return isLocalAbsolute(target) ? fileUri(target) : listed;
    case PathForm::kAsIs:
      break;
  }
  return listed;
}

// A Windows entry "\x" stays on its drive: a song on the drive of the
// playlist's folder is written from that drive's root, in the entry's form.
std::optional<std::string> EntryPaths::relativeReplacement(const std::string& written,
                                                           const std::string& target) const {
  const char separator = sys_dep::separatorOf(written);
  if (sys_dep::rootLength(written) == 0) return relativeReference(writtenFolder_, target, separator);
  const std::optional<std::string> fromRoot =
      sys_dep::relativePathBetween(folder_.substr(0, sys_dep::rootLength(folder_)), target, separator);
  if (!fromRoot) return std::nullopt;
  return separator + *fromRoot;
}

std::string EntryPaths::movedTo(const std::string& entryPath, const std::string& folder) const {
  const std::string written = text(entryPath);
  if (!isRelativePath(written) || sys_dep::samePath(normalisedPath(folder), folder_)) return written;
  const std::string target = sys_dep::resolvedAsKernel(joinedPath(writtenFolder_, written));
  return relativeReference(folder, target, sys_dep::separatorOf(written)).value_or(target);
}

std::optional<std::string> relativeReference(const std::string& folder, const std::string& target, char separator) {
  const std::optional<std::string> textual = relativePath(normalisedPath(folder), target, separator);
  if (!textual) return std::nullopt;
  const std::optional<sys_dep::FileIdentity> song = sys_dep::fileIdentity(target);
  if (!song || sys_dep::fileIdentity(joinedPath(folder, *textual)) == song) return textual;
  const std::size_t last = sys_dep::lastSeparator(target);
  const std::optional<std::string> realFolder = sys_dep::realPath(folder);
  const std::optional<std::string> songFolder = sys_dep::realPath(sys_dep::folderOf(target));
  if (!realFolder || !songFolder) return textual;
  const std::optional<std::string> real =
      relativePath(*realFolder, joinedPath(*songFolder, std::string_view(target).substr(last + 1)), separator);
  return real ? real : textual;
}

}  // namespace kw
