#include "Lib/kw/err/kw_assert.h"

#include "Lib/kw/err/error.h"

namespace kw {

std::string assertionMessage(const char* expression, const char* file, int line) {
  return err::formatString("Assertion \"%s\" failed: %s, line %i", expression, file, line);
}

}  // namespace kw
