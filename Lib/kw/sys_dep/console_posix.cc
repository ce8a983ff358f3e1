#include <unistd.h>

#include "Lib/kw/sys_dep/console.h"

namespace kw::sys_dep {

bool isTerminal(StandardStream stream) {
  switch (stream) {
    case StandardStream::kInput: return ::isatty(STDIN_FILENO);
    case StandardStream::kOutput: return ::isatty(STDOUT_FILENO);
    case StandardStream::kError: return ::isatty(STDERR_FILENO);
  }
  return false;
}

void prepareStandardStreams() {}

}  // namespace kw::sys_dep
