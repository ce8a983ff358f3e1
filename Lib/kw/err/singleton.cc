#include "Lib/kw/err/singleton.h"

#include "Lib/kw/err/error.h"

namespace kw {

void singletonViolation() {
  throw err::InternalError("It's not allowed to construct more than one instance of a singleton");
}

}  // namespace kw
