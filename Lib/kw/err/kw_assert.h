// Assertions that stay in release builds: a violated condition becomes a
// std::runtime_error (not an Error), so the tool reports it as an unknown
// exception instead of aborting.
#ifndef KW_ERR_KW_ASSERT_H_
#define KW_ERR_KW_ASSERT_H_

#include <stdexcept>
#include <string>

namespace kw {

// "Assertion \"<expression>\" failed: <file>, line <line>"
std::string assertionMessage(const char* expression, const char* file, int line);

// Returns `t` unchanged when it is non-zero (a non-null pointer, a non-zero
// length); throws std::runtime_error with the assertion text for "t" otherwise.
template <class T>
const T& assertNonZero(const T& t) {
  if (!t) throw std::runtime_error(assertionMessage("t", "Lib/kw/err/kw_assert.h", __LINE__));
  return t;
}

}  // namespace kw

#define kw_assert(expression)                                                                  \
  ((expression) ? static_cast<void>(0)                                                         \
                : throw std::runtime_error(::kw::assertionMessage(#expression, __FILE__, __LINE__)))

#endif  // KW_ERR_KW_ASSERT_H_
