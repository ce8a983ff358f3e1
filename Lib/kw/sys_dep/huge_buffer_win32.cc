#include <windows.h>

#include <cstdlib>

#include "Lib/kw/sys_dep/huge_buffer.h"

namespace kw::sys_dep {

// Large pages need a privilege users do not have, so a large buffer gets
// plain pages straight from the system: committed on first touch like the
// Linux side's fresh memory, and given back whole when freed.
void* allocateHugeMemory(std::size_t bytes, std::size_t& rounded) {
  constexpr std::size_t kHugePage = HugeBuffer::kHugePage;
  if (bytes < kHugePage) {
    rounded = bytes;
    void* memory = std::malloc(bytes == 0 ? 1 : bytes);
    if (!memory) throw std::bad_alloc();
    return memory;
  }
  rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* memory = VirtualAlloc(nullptr, rounded, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (!memory) throw std::bad_alloc();
  return memory;
}

void freeHugeMemory(void* memory, std::size_t bytes) {
  if (bytes < HugeBuffer::kHugePage) {
    std::free(memory);
  } else if (memory) {
    VirtualFree(memory, 0, MEM_RELEASE);
  }
}

}  // namespace kw::sys_dep
