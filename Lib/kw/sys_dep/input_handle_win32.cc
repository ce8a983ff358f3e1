#include <windows.h>

#include <cerrno>
#include <utility>

#include "Lib/kw/sys_dep/input_handle.h"
#include "Lib/kw/sys_dep/win32_support.h"

namespace kw::sys_dep {
namespace {

HANDLE handleOf(std::intptr_t native) { return reinterpret_cast<HANDLE>(native); }

std::intptr_t nativeOf(HANDLE handle) { return reinterpret_cast<std::intptr_t>(handle); }

}  // namespace

// Others may read, write, rename or delete the file meanwhile, as on Linux:
// a player that holds the playlist open must not make it unreadable.
std::optional<InputHandle> InputHandle::open(const std::string& name, Use use) {
  const std::wstring wide = win32::systemPath(name);
  const DWORD hint = use == Use::kPieces ? FILE_FLAG_RANDOM_ACCESS : FILE_FLAG_SEQUENTIAL_SCAN;
  const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, hint, nullptr);
  if (file != INVALID_HANDLE_VALUE) return InputHandle(nativeOf(file), true);
  const DWORD error = GetLastError();
  const DWORD attributes = name.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
  SetLastError(error);
  win32::setErrnoFromLastError(name);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) errno = EISDIR;
  return std::nullopt;
}

InputHandle InputHandle::standardInput() { return InputHandle(nativeOf(GetStdHandle(STD_INPUT_HANDLE)), false); }

InputHandle::InputHandle(InputHandle&& other) noexcept
    : native_(std::exchange(other.native_, 0)), owned_(std::exchange(other.owned_, false)) {}

InputHandle& InputHandle::operator=(InputHandle&& other) noexcept {
  if (this != &other) {
    close();
    native_ = std::exchange(other.native_, 0);
    owned_ = std::exchange(other.owned_, false);
  }
  return *this;
}

InputHandle::~InputHandle() { close(); }

void InputHandle::close() {
  if (owned_) CloseHandle(handleOf(native_));
  owned_ = false;
}

std::int64_t InputHandle::read(char* buffer, std::size_t size) {
  const HANDLE handle = handleOf(native_);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return 0;  // no standard input at all
  DWORD got = 0;
  const DWORD asked = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (ReadFile(handle, buffer, asked, &got, nullptr)) return got;
  const DWORD error = GetLastError();
  if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;
  errno = win32::errnoOf(error);
  return -1;
}

// An OVERLAPPED offset on a handle opened for plain reads: the read waits
// and moves the handle's own position, which readAt() never uses.
std::int64_t InputHandle::readAt(std::uint64_t offset, char* buffer, std::size_t size) const {
  std::size_t done = 0;
  while (done < size) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset + done);
    at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
    const DWORD wanted = size - done > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size - done);
    DWORD got = 0;
    if (!ReadFile(handleOf(native_), buffer + done, wanted, &got, &at)) {
      const DWORD error = GetLastError();
      if (error == ERROR_HANDLE_EOF) break;
      if (done > 0) break;
      errno = win32::errnoOf(error);
      return -1;
    }
    done += got;
    if (got < wanted) break;
  }
  return static_cast<std::int64_t>(done);
}

std::optional<std::uint64_t> InputHandle::regularFileSize() const {
  LARGE_INTEGER size;
  if (GetFileType(handleOf(native_)) != FILE_TYPE_DISK || !GetFileSizeEx(handleOf(native_), &size)) return std::nullopt;
  return static_cast<std::uint64_t>(size.QuadPart);
}

}  // namespace kw::sys_dep
