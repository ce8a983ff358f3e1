#include "Lib/kw/sys_dep/process.h"

namespace kw::sys_dep {

// Backslashes count only before a quote: 2n of them and a quote stand for n
// and a literal quote when written as 2n+1 and the quote.
std::string quotedForCommandLine(const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t\n\v\"") == std::string::npos) return word;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (const char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

}  // namespace kw::sys_dep
