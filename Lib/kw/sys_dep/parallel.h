// Fork-join work on several threads that is safe on every exit path.
#ifndef KW_SYS_DEP_PARALLEL_H_
#define KW_SYS_DEP_PARALLEL_H_

#include <functional>

namespace kw::sys_dep {

// Runs `work(0)` on the calling thread and `work(1)` .. `work(threads - 1)`
// on threads of their own (`threads` 0 counts as 1), and returns only when
// every one of them has returned or thrown. A thread the system refuses to
// start (std::system_error) is left out, so `work` must share its items
// through a counter rather than by thread number. When any call throws, the
// exception of the lowest-numbered thread that threw is rethrown here, after
// all threads are joined; `work` may poll a flag of its own to stop early.
void runInParallel(unsigned threads, const std::function<void(unsigned)>& work);

// The number of hardware threads, at least 1.
unsigned hardwareThreads();

}  // namespace kw::sys_dep

#endif  // KW_SYS_DEP_PARALLEL_H_
