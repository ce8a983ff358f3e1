// The process's standard streams: whether they are terminals, and how text
// reaches a Windows console.
#ifndef KW_SYS_DEP_CONSOLE_H_
#define KW_SYS_DEP_CONSOLE_H_

namespace kw::sys_dep {

enum class StandardStream { kInput, kOutput, kError };

// Whether `stream` is a terminal (on Windows: a console; the NUL device is
// none). False when the stream is closed.
bool isTerminal(StandardStream stream);

// Makes std::cin, std::cout and std::cerr carry the same bytes as on Linux.
// Nothing to do on POSIX systems. On Windows, a redirected stream is binary
// (LF stays LF, byte 0x1A is a byte); output to a console goes through
// WriteConsoleW as UTF-16 (the console's code page is not changed), and
// answers typed on a console arrive as UTF-8 lines without the CR of their
// line end (a line that starts with Ctrl+Z ends the input). Call once, first
// thing in main; the console streams stay in place until the program ends.
void prepareStandardStreams();

}  // namespace kw::sys_dep

#endif  // KW_SYS_DEP_CONSOLE_H_
