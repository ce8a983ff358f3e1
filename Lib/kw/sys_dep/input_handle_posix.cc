#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "Lib/kw/sys_dep/input_handle.h"

namespace kw::sys_dep {

std::optional<InputHandle> InputHandle::open(const std::string& name, Use use) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | (use == Use::kPieces ? O_NONBLOCK : 0));
  if (fd < 0) return std::nullopt;
  return InputHandle(fd, true);
}

InputHandle InputHandle::standardInput() { return InputHandle(STDIN_FILENO, false); }

InputHandle::InputHandle(InputHandle&& other) noexcept
    : native_(std::exchange(other.native_, -1)), owned_(std::exchange(other.owned_, false)) {}

InputHandle& InputHandle::operator=(InputHandle&& other) noexcept {
  if (this != &other) {
    close();
    native_ = std::exchange(other.native_, -1);
    owned_ = std::exchange(other.owned_, false);
  }
  return *this;
}

InputHandle::~InputHandle() { close(); }

void InputHandle::close() {
  if (owned_) ::close(static_cast<int>(native_));
  owned_ = false;
}

std::int64_t InputHandle::read(char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(static_cast<int>(native_), buffer, size);
    if (got >= 0 || errno != EINTR) return got;
  }
}

// A regular file reads short only at its end: no second call to learn that.
std::int64_t InputHandle::readAt(std::uint64_t offset, char* buffer, std::size_t size) const {
  std::size_t done = 0;
  while (done < size) {
    const std::size_t wanted = size - done;
    const ssize_t got = ::pread(static_cast<int>(native_), buffer + done, wanted, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return done > 0 ? static_cast<std::int64_t>(done) : -1;
    done += static_cast<std::size_t>(got);
    if (static_cast<std::size_t>(got) < wanted) break;
  }
  return static_cast<std::int64_t>(done);
}

std::optional<std::uint64_t> InputHandle::regularFileSize() const {
  struct stat info;
  if (fstat(static_cast<int>(native_), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

}  // namespace kw::sys_dep
