#include "Lib/kw/sys_dep/arguments.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "Lib/kw/sys_dep/win32_support.h"
#endif

namespace kw::sys_dep {
namespace {

#ifdef _WIN32
// The words of the wide command line; argv itself went through the ANSI
// code page. Falls back on argv when the system cannot split the line.
std::vector<std::string> wordsOf(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> words;
  for (int k = 0; k < count; ++k) words.push_back(win32::utf8Of(wide[k]));
  LocalFree(wide);
  return words;
}
#else
std::vector<std::string> wordsOf(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }
#endif

}  // namespace

Utf8Arguments::Utf8Arguments(int argc, char** argv) : words_(wordsOf(argc, argv)) {
  for (std::string& word : words_) pointers_.push_back(word.data());
  pointers_.push_back(nullptr);
}

}  // namespace kw::sys_dep
