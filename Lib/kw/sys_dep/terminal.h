// Whether the program's standard streams are shown on a terminal: what a
// person sees there (control characters, a running count) differs from
// what a pipe or a file gets.
#ifndef KW_SYS_DEP_TERMINAL_H_
#define KW_SYS_DEP_TERMINAL_H_

namespace kw::sys_dep {

enum class StandardStream { kOutput, kError };

// True when `stream` of this process is a terminal; false for a pipe, a
// file, a closed stream. Never throws.
bool isTerminal(StandardStream stream);

}  // namespace kw::sys_dep

#endif  // KW_SYS_DEP_TERMINAL_H_
