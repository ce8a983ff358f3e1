#include "Lib/kw/sys_dep/terminal.h"

#include <unistd.h>

namespace kw::sys_dep {

bool isTerminal(StandardStream stream) {
  return ::isatty(stream == StandardStream::kOutput ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

}  // namespace kw::sys_dep
