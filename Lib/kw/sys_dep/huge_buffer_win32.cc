#include <windows.h>

#include "Lib/kw/sys_dep/huge_buffer.h"

namespace kw::sys_dep {

// Large pages need a privilege users do not have, so a large buffer gets
// plain pages straight from the system: committed on first touch like the
// Linux side's fresh memory, and given back whole when freed.
void* allocatePages(std::size_t bytes) {
  return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void freePages(void* memory, std::size_t) { VirtualFree(memory, 0, MEM_RELEASE); }

}  // namespace kw::sys_dep
