// Text from files (paths, names, tags) echoed in messages: on a terminal a
// hostile name must not retitle, clear or reprogram it, while a pipe or a
// file keeps the bytes exactly as they are, for scripts.
#ifndef KW_ERR_SHOWN_TEXT_H_
#define KW_ERR_SHOWN_TEXT_H_

#include <ostream>
#include <string>
#include <string_view>

namespace kw::err {

// Marks `stream` as shown on a terminal (`on`) or not. Each stream carries
// its own mark; a stream never marked is not a terminal. The program's
// entry point marks the standard streams it finds to be terminals.
void setShownOnTerminal(std::ostream& stream, bool on);

// Whether `stream` was marked as shown on a terminal.
bool shownOnTerminal(const std::ostream& stream);

// `text` as a terminal shows it safely: each control character (bytes below
// 0x20 except tab, the byte 0x7F, and the C1 controls U+0080..U+009F as
// UTF-8, each of their two bytes) as "\xHH" with upper-case digits; every
// other byte, backslashes included, as it is. `keepLineFeeds` leaves line
// feeds alone, for a message whose layout has lines of its own.
std::string escapedControls(std::string_view text, bool keepLineFeeds = false);

// Text streamed through shown(): escapedControls on a stream marked as a
// terminal, the bytes unchanged on any other.
struct ShownText {
  std::string_view text;
};
inline ShownText shown(std::string_view text) { return {text}; }
std::ostream& operator<<(std::ostream& stream, ShownText shown);

}  // namespace kw::err

#endif  // KW_ERR_SHOWN_TEXT_H_
