// The Windows side of file_system.h.
#include <windows.h>
#include <winioctl.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <random>
#include <string>

#include "Lib/kw/err/error.h"
#include "Lib/kw/sys_dep/file_system.h"
#include "Lib/kw/sys_dep/path.h"
#include "Lib/kw/sys_dep/path_rules.h"
#include "Lib/kw/sys_dep/win32_support.h"

namespace kw::sys_dep {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool syncToDisk = true;

HANDLE handleOf(std::intptr_t native) { return reinterpret_cast<HANDLE>(native); }

// Closes the handle however the look-up ends.
struct OpenHandle {
  HANDLE handle;
  explicit OpenHandle(HANDLE h) : handle(h) {}
  ~OpenHandle() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  OpenHandle(const OpenHandle&) = delete;
  OpenHandle& operator=(const OpenHandle&) = delete;
};

// Opened for nothing but questions, so that no program's sharing mode is in
// the way; folders too.
HANDLE openForQuestions(const std::string& name, bool followLinks) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  return CreateFileW(win32::systemPath(name).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, flags,
                     nullptr);
}

bool isSymbolicLink(HANDLE file, DWORD attributes) {
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  FILE_ATTRIBUTE_TAG_INFO tag{};
  return GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag) &&
         tag.ReparseTag == IO_REPARSE_TAG_SYMLINK;
}

// The layout of a symbolic link's reparse data (ntifs.h, which MinGW's
// headers do not offer).
struct SymbolicLinkData {
  ULONG tag;
  USHORT dataLength;
  USHORT reserved;
  USHORT substituteOffset;
  USHORT substituteLength;
  USHORT printOffset;
  USHORT printLength;
  ULONG flags;
  WCHAR text[1];
};

// Six letters or digits for a temporary name, as mkstemp chooses them.
std::string randomSuffix() {
  static std::mutex mutex;
  static std::mt19937_64 random(std::random_device{}() ^ GetCurrentProcessId() ^ GetTickCount64());
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  const std::lock_guard<std::mutex> lock(mutex);
  std::string suffix;
  for (int k = 0; k < 6; ++k) suffix += kLetters[random() % (sizeof kLetters - 1)];
  return suffix;
}

// Creates a file of a new name of `pattern`'s kind (its "XXXXXX" replaced)
// for writing; INVALID_HANDLE_VALUE with errno set when none can be made.
HANDLE createTemporary(std::string& pattern, DWORD flags) {
  const size_t at = pattern.size() - 6;
  for (int attempt = 0; attempt < 100; ++attempt) {
    pattern.replace(at, 6, randomSuffix());
    const HANDLE file = CreateFileW(win32::systemPath(pattern).c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL | flags, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  win32::setErrnoFromLastError(pattern);
  return INVALID_HANDLE_VALUE;
}

bool exists(const std::string& name) {
  return GetFileAttributesW(win32::systemPath(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool writeAll(HANDLE file, const char* data, size_t size) {
  while (size > 0) {
    DWORD written = 0;
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!WriteFile(file, data, chunk, &written, nullptr)) return false;
    data += written;
    size -= written;
  }
  return true;
}

}  // namespace

std::optional<FileStatus> lookUpFile(const std::string& name, bool followLinks) {
  if (name.empty()) {
    errno = ENOENT;
    return std::nullopt;
  }
  const OpenHandle file(openForQuestions(name, followLinks));
  BY_HANDLE_FILE_INFORMATION info;
  if (file.handle == INVALID_HANDLE_VALUE) {
    win32::setErrnoFromLastError(name);
    return std::nullopt;
  }
  FileStatus status;
  if (GetFileType(file.handle) != FILE_TYPE_DISK) {
    status.type = FileType::kOther;  // a device ("NUL", "COM1") or a pipe
    return status;
  }
  if (!GetFileInformationByHandle(file.handle, &info)) {
    win32::setErrnoFromLastError();
    return std::nullopt;
  }
  status.identity = {info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
  status.links = info.nNumberOfLinks;
  if (!followLinks && isSymbolicLink(file.handle, info.dwFileAttributes)) {
    status.type = FileType::kSymbolicLink;
  } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    status.type = FileType::kDirectory;
  } else {
    status.type = FileType::kRegular;
  }
  return status;
}

// "\\.\" and "\\?\GLOBALROOT\" name devices and the kernel's objects.
SystemPlace systemPlaceOf(const std::string& name) {
  const std::string folded = caseFolded(name);
  const bool devices = folded.starts_with("\\\\.\\") || folded.starts_with("\\\\?\\GLOBALROOT");
  return devices ? SystemPlace::kNoFiles : SystemPlace::kNone;
}

// The print name is the target as it was given ("..\x", "C:\x"); the
// substitute name the system's form of it ("\??\C:\x").
std::string linkTarget(const std::string& link, const std::string& reportName) {
  const OpenHandle file(openForQuestions(link, false));
  std::string buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE, '\0');
  DWORD got = 0;
  if (file.handle == INVALID_HANDLE_VALUE ||
      !DeviceIoControl(file.handle, FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(),
                       static_cast<DWORD>(buffer.size()), &got, nullptr)) {
    win32::setErrnoFromLastError();
    throw err::IOError(reportName);
  }
  SymbolicLinkData data;
  std::memcpy(&data, buffer.data(), offsetof(SymbolicLinkData, text));
  if (data.tag != IO_REPARSE_TAG_SYMLINK) {
    errno = EINVAL;
    throw err::IOError(reportName);
  }
  const size_t text = offsetof(SymbolicLinkData, text);
  const auto part = [&](USHORT offset, USHORT length) {
    std::wstring wide(length / sizeof(wchar_t), L'\0');
    std::memcpy(wide.data(), buffer.data() + text + offset, length);
    return wide;
  };
  std::wstring target = part(data.printOffset, data.printLength);
  if (target.empty()) {
    target = part(data.substituteOffset, data.substituteLength);
    if (target.starts_with(L"\\??\\")) target.erase(0, 4);
  }
  return win32::utf8Of(target);
}

std::string withRealFolder(const std::string& name) {
  const std::optional<std::string> real = realPath(folderOf(name));
  if (!real) return name;
  const size_t last = lastSeparator(name);
  return joinedPath(*real, last == std::string::npos ? name : name.substr(last + 1));
}

bool isForeignLinkInSharedFolder(const std::string&) { return false; }

bool followsForeignLinkInSharedFolder(const std::string&) { return false; }

bool mayWrite(const std::string& name) {
  const std::wstring wide = win32::systemPath(name);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    errno = EACCES;
    return false;
  }
  const OpenHandle file(CreateFileW(wide.c_str(), FILE_WRITE_DATA, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (file.handle == INVALID_HANDLE_VALUE) win32::setErrnoFromLastError();
  return file.handle != INVALID_HANDLE_VALUE;
}

std::string temporaryPattern(const std::string& folder) { return joinedPath(folder, ".trackmend-XXXXXX"); }

void probeFileCreation(const std::string& folder) {
  std::string name = temporaryPattern(folder);
  const HANDLE file = createTemporary(name, FILE_FLAG_DELETE_ON_CLOSE);
  if (file == INVALID_HANDLE_VALUE) throw err::IOError(folder);
  CloseHandle(file);
}

void setSyncToDisk(bool on) { syncToDisk = on; }

void syncFolder(const std::string&, const std::string&) {}

ReplacementFile::ReplacementFile(const std::string& target, const std::string& reportName)
    : target_(target), reportName_(reportName), name_(temporaryPattern(folderOf(target))) {
  const HANDLE file = createTemporary(name_, 0);
  if (file == INVALID_HANDLE_VALUE) fail();
  handle_ = reinterpret_cast<std::intptr_t>(file);
  exists_ = true;
  keepAttributes();
}

// ReplaceFileW gives the new file the old one's security and attributes; the
// attributes are set here as well, for the systems whose ReplaceFileW leaves
// them out (Wine). A new name gets those of its folder.
void ReplacementFile::keepAttributes() {
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD old = GetFileAttributesW(win32::systemPath(target_).c_str());
  if (old == INVALID_FILE_ATTRIBUTES || !(old & kKept)) return;
  FILE_BASIC_INFO info{};
  info.FileAttributes = old & kKept;
  SetFileInformationByHandle(handleOf(handle_), FileBasicInfo, &info, sizeof info);
}

ReplacementFile::~ReplacementFile() {
  closeFile();
  if (exists_) DeleteFileW(win32::systemPath(name_).c_str());
}

void ReplacementFile::write(std::string_view bytes) {
  if (!writeAll(handleOf(handle_), bytes.data(), bytes.size())) {
    win32::setErrnoFromLastError();
    fail();
  }
}

// ReplaceFileW keeps the old file under a backup name until the new one has
// its place, so that every way it can fail leaves the old content under
// the old name: without a backup, one of them leaves neither.
void ReplacementFile::commit() {
  if (syncToDisk && !FlushFileBuffers(handleOf(handle_))) {
    win32::setErrnoFromLastError();
    fail();
  }
  const HANDLE file = handleOf(handle_);
  handle_ = -1;
  CloseHandle(file);
  const std::wstring target = win32::systemPath(target_);
  const std::wstring temporary = win32::systemPath(name_);
  if (!exists(target_)) {
    if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
      win32::setErrnoFromLastError();
      fail();
    }
    exists_ = false;
    return;
  }
  const std::wstring backup = temporary + L".old";
  if (!ReplaceFileW(target.c_str(), temporary.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                    nullptr)) {
    const DWORD error = GetLastError();
    // Moved aside but the new file not moved in: the old one goes back.
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) MoveFileExW(backup.c_str(), target.c_str(), 0);
    errno = win32::errnoOf(error);
    fail();
  }
  exists_ = false;
  DeleteFileW(backup.c_str());
}

void ReplacementFile::fail() const { throw err::IOError(reportName_); }

void ReplacementFile::closeFile() {
  if (handle_ != -1) {
    const int error = errno;
    CloseHandle(handleOf(handle_));
    errno = error;
  }
  handle_ = -1;
}

void renameFile(const std::string& from, const std::string& to, bool mayReplace) {
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (mayReplace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (MoveFileExW(win32::systemPath(from).c_str(), win32::systemPath(to).c_str(), flags)) return;
  win32::setErrnoFromLastError();
  throw err::IOError(from + " -> " + to, "rename");
}

}  // namespace kw::sys_dep
