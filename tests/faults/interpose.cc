// System calls interposed into the real binary with LD_PRELOAD, for the
// fault-injection tests of saving:
//
//   TRACKMEND_FAIL_CALL=<call>[:<n>]  the n-th call (default the first) of
//                                     fchmod or fsync fails with EIO
//   TRACKMEND_TRACE=<file>            appends one line per call:
//                                     "fsync <path>", "rename <from> <to>"
//
// Paths are absolute, with the folders resolved. At exit every descriptor
// still open on a save's temporary file is traced as "open <path>".
//
// Built without sanitizers: it is loaded before their runtime.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

namespace {

template <typename Function>
Function real(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// Whether this call of `name` is the one TRACKMEND_FAIL_CALL names.
bool failThisCall(const char* name) {
  static int counts[2];
  static const char* const kCalls[] = {"fchmod", "fsync"};
  const char* wanted = getenv("TRACKMEND_FAIL_CALL");
  if (!wanted) return false;
  const size_t length = strcspn(wanted, ":");
  if (strlen(name) != length || strncmp(wanted, name, length) != 0) return false;
  const int ordinal = wanted[length] == ':' ? atoi(wanted + length + 1) : 1;
  for (int k = 0; k < 2; ++k)
    if (strcmp(kCalls[k], name) == 0) return ++counts[k] == ordinal;
  return false;
}

void trace(const std::string& line) {
  const char* file = getenv("TRACKMEND_TRACE");
  if (!file) return;
  const int saved = errno;
  const int fd = open(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) {
    const std::string text = line + "\n";
    if (write(fd, text.data(), text.size()) < 0) {
    }
    close(fd);
  }
  errno = saved;
}

// `name` with its folder resolved (the file itself need not exist).
std::string absolute(const char* name) {
  std::string path = name;
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  char resolved[PATH_MAX];
  if (!realpath(folder.c_str(), resolved)) return path;
  return std::string(resolved) + "/" + path.substr(slash == std::string::npos ? 0 : slash + 1);
}

std::string pathOf(int fd) {
  char link[64], target[PATH_MAX];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t length = readlink(link, target, sizeof target - 1);
  return length < 0 ? "?" : std::string(target, static_cast<size_t>(length));
}

__attribute__((destructor)) void traceOpenTemporaryFiles() {
  DIR* fds = opendir("/proc/self/fd");
  if (!fds) return;
  while (const dirent* item = readdir(fds)) {
    if (item->d_name[0] == '.') continue;
    const std::string path = pathOf(atoi(item->d_name));
    if (path.find("/.trackmend-") != std::string::npos) trace("open " + path);
  }
  closedir(fds);
}

}  // namespace

extern "C" {

int fchmod(int fd, mode_t mode) noexcept {
  if (failThisCall("fchmod")) {
    errno = EIO;
    return -1;
  }
  return real<int (*)(int, mode_t)>("fchmod")(fd, mode);
}

int fsync(int fd) {
  trace("fsync " + pathOf(fd));
  if (failThisCall("fsync")) {
    errno = EIO;
    return -1;
  }
  return real<int (*)(int)>("fsync")(fd);
}

int rename(const char* from, const char* to) noexcept {
  trace("rename " + absolute(from) + " " + absolute(to));
  return real<int (*)(const char*, const char*)>("rename")(from, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) noexcept {
  if (fromDir == AT_FDCWD && toDir == AT_FDCWD) trace("rename " + absolute(from) + " " + absolute(to));
  return real<int (*)(int, const char*, int, const char*, unsigned)>("renameat2")(fromDir, from, toDir, to, flags);
}

}  // extern "C"
