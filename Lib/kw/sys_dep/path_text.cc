// The parts of path.h that are text work, the same on every platform.
#include <algorithm>
#include <optional>

#include "Lib/kw/err/error.h"
#include "Lib/kw/sys_dep/environment.h"
#include "Lib/kw/sys_dep/path.h"

namespace kw::sys_dep {
namespace {

void splitList(const char* list, std::vector<std::string>& out) {
  if (!list) return;
  const std::string text(list);
  const char separator = listSeparatorOf(text);
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    const size_t stop = end == std::string::npos ? text.size() : end;
    if (stop > start) out.emplace_back(text, start, stop - start);
    if (end == std::string::npos) return;
    start = end + 1;
  }
}

bool equalIgnoringCase(char a, char b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return lower(a) == lower(b);
}

}  // namespace

Path::Path() {
  const std::optional<std::string> list = environmentVariable("PATH");
  splitList(list ? list->c_str() : nullptr, directories);
}

Path::Path(const char* list) { splitList(list, directories); }

Path::~Path() = default;

std::string directoryPart(const std::string& path) {
  const size_t last = path.find_last_of("/\\");
  return last == std::string::npos ? std::string() : path.substr(0, last);
}

std::string withDriveLetter(const std::string& directory) {
  static const std::string kPrefix = "/cygdrive/";
  if (directory.size() > kPrefix.size() &&
      std::equal(kPrefix.begin(), kPrefix.end(), directory.begin(), equalIgnoringCase)) {
    return err::formatString("%c:%s", directory[kPrefix.size()], directory.c_str() + kPrefix.size() + 1);
  }
  return directory;
}

}  // namespace kw::sys_dep
