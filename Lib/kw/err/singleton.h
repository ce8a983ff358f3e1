// Guards one-of-a-kind classes against a second live instance.
#ifndef KW_ERR_SINGLETON_H_
#define KW_ERR_SINGLETON_H_

namespace kw {

// Throws InternalError("It's not allowed to construct more than one
// instance of a singleton"). Never returns.
[[noreturn]] void singletonViolation();

// Make this the first base of the guarded class: its constructor runs before
// any member is built and throws when another instance is alive.
template <class Guarded>
class SingletonGuard {
 public:
  SingletonGuard() {
    if (++liveInstances > 1) {
      // The failed object never existed, so it must not stay counted: a
      // later construction after the first instance is gone has to succeed.
      --liveInstances;
      singletonViolation();
    }
  }
  ~SingletonGuard() { --liveInstances; }
  SingletonGuard(const SingletonGuard&) = delete;
  SingletonGuard& operator=(const SingletonGuard&) = delete;

  static int liveInstances;
};

template <class Guarded>
int SingletonGuard<Guarded>::liveInstances = 0;

}  // namespace kw

#endif  // KW_ERR_SINGLETON_H_
