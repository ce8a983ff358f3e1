#include <sys/mman.h>

#include <cstdlib>

#include "Lib/kw/sys_dep/huge_buffer.h"

namespace kw::sys_dep {

void* allocatePages(std::size_t bytes) {
  void* memory = std::aligned_alloc(HugeBuffer::kHugePage, bytes);
  // Only a hint: where the kernel offers no huge pages, all works the same.
  if (memory) ::madvise(memory, bytes, MADV_HUGEPAGE);
  return memory;
}

void freePages(void* memory, std::size_t) { std::free(memory); }

}  // namespace kw::sys_dep
