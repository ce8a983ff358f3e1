// The forms in which playlists write song paths: absolute or relative paths,
// file:// URIs and other URIs. One place for resolving, decoding, encoding
// and relating them, shared by the repair, the XML playlists and the folder
// scan, so that every part reads and writes a path the same way.
#ifndef PLAYLIST_PATH_FORMS_H_
#define PLAYLIST_PATH_FORMS_H_

#include <optional>
#include <string>
#include <string_view>

namespace kw {

// How an entry writes its path; a replacement is written in the same form.
enum class PathForm {
  kAsIs,      // absolute, Windows, or a URI other than file://: kept as written
  kRelative,  // relative to the folder of its playlist
  kFileUri,   // file:///... or file://localhost/...
};

// The form of `path` as written in a playlist.
PathForm pathFormOf(std::string_view path);

// True when `path` starts with a URI scheme and "://": a letter, then at
// least one more of letters, digits, '+', '-' or '.', then "://". A single
// letter before ':' is a drive letter, never a scheme.
bool isUri(std::string_view path);

// True for a URL that names no local file: a URI (isUri) other than a
// file:// one, in any letter case.
bool isUrl(std::string_view path);

// The scheme of the URI `path` in lower case ("http" for "HTTP://x");
// empty when `path` is no URI.
std::string uriScheme(std::string_view path);

// True for a path that is relative to its playlist's folder: no URI, and
// relative by the platform's rules (sys_dep::anchorOf). On POSIX it does not
// start with '/', holds no '\' and has no drive letter ("X:"); on Windows
// it has no drive letter and is no UNC name, and may use '\' or '/' ("\x"
// lies on the drive of the playlist's folder).
bool isRelativePath(std::string_view path);

// True for a path that names a file only against the working folder of a
// Windows drive ("C:x", sys_dep::PathAnchor::kDriveRelative); never on
// POSIX, where such a path is a Windows path like any other.
bool isDriveRelativePath(std::string_view path);

// True for a path written the Windows way: a drive letter and ':' at the
// start ("C:\x", "c:x", "D:/x"), or a '\' anywhere ("..\x", "\\server\x").
// Such paths are never percent-encoded: the players that write them don't.
bool isWindowsPath(std::string_view path);

// The path a file:// URI names, percent-decoded: "file:///a%20b" and
// "file://localhost/a%20b" give "/a b"; a Windows form "file:///C:/x" gives
// "C:/x" (and "file:///C:%5Cx" gives "C:\\x"), on Windows "C:\\x" either
// way. The scheme and "localhost" in any letter case. Empty for any other
// text (another host, another scheme, no URI).
std::optional<std::string> fileUriPath(std::string_view uri);

// "file://" and `path` percent-encoded (percentEncoded); a path that does
// not start with '/' (a drive path "C:/x") gets one in front, so that it is
// never taken for a host. On Windows a drive path keeps its "C:" and has
// '/' for each '\' ("file:///C:/My%20Music/a.mp3").
std::string fileUri(std::string_view path);

// Every byte of `text` except A-Z a-z 0-9 '-' '.' '_' '~' and '/' as "%XX"
// (upper-case hexadecimal).
std::string percentEncoded(std::string_view text);

// `text` as a plain path that percentDecoded gives back unchanged: only a
// '%' that starts an escape, control bytes and bytes that are not part of
// UTF-8 are written "%XX"; blanks and other characters stay as they are.
std::string minimallyEncoded(std::string_view text);

// True when `text` holds a "%XX" escape that percentDecoded turns into a byte.
bool holdsPercentEscape(std::string_view text);

// `text` with each "%XX" (two hexadecimal digits, either case) turned into
// its byte; a '%' not followed by two hexadecimal digits stays as it is.
std::string percentDecoded(std::string_view text);

// An absolute path without "." and empty components and with each ".."
// removing the component before it (never above the root); lexical, links
// are not followed. "/" stays "/" (sys_dep::normalisedPath: on Windows the
// root is kept and '\' separates).
std::string normalisedPath(std::string_view absolutePath);

// `relative` taken against the absolute folder `folder`, normalised (on
// Windows "\x" against the folder's drive).
std::string resolvedPath(std::string_view folder, std::string_view relative);

// The relative path that leads from the absolute folder `folder` to the
// absolute path `target` (both normalised): "../" for each folder level to
// climb, then the rest of `target`, the parts joined by `separator`; never a
// leading "./". `target` equal to `folder` gives ".". Nothing when the two
// lie on different Windows drives or shares.
std::optional<std::string> relativePath(std::string_view folder, std::string_view target, char separator = '/');

// The extension of the file part of `fileName` (after its last separator):
// from the part's last '.' on, dot included; empty when the part has no '.'.
std::string_view extensionOf(std::string_view fileName);

// The absolute, normalised folder of the file named `fileName` (a name
// without a separator lives in the working directory), as
// writtenFolderOfFile(). Throws kw::err::IOError when the working directory
// cannot be told.
std::string folderOfFile(const std::string& fileName);

// The absolute folder of the file named `fileName` as the kernel finds it
// (sys_dep::resolvedAsKernel): a ".." after a link leads to the folder above
// the link's target, so "l/../x.m3u" with "l" -> "real/lists" lives in
// "real", and its relative entries are taken against, and written relative
// to, that folder. Throws as folderOfFile.
std::string writtenFolderOfFile(const std::string& fileName);

}  // namespace kw

#endif  // PLAYLIST_PATH_FORMS_H_
