#include <sys/mman.h>

#include <cstdlib>

#include "Lib/kw/sys_dep/huge_buffer.h"

namespace kw::sys_dep {

void* allocateHugeMemory(std::size_t bytes, std::size_t& rounded) {
  constexpr std::size_t kHugePage = HugeBuffer::kHugePage;
  if (bytes < kHugePage) {
    rounded = bytes;
    void* memory = std::malloc(bytes == 0 ? 1 : bytes);
    if (!memory) throw std::bad_alloc();
    return memory;
  }
  rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* memory = std::aligned_alloc(kHugePage, rounded);
  if (!memory) throw std::bad_alloc();
  // Only a hint: where the kernel offers no huge pages, all works the same.
  ::madvise(memory, rounded, MADV_HUGEPAGE);
  return memory;
}

void freeHugeMemory(void* memory, std::size_t) { std::free(memory); }

}  // namespace kw::sys_dep
