#include "Lib/kw/sys_dep/huge_buffer.h"

#include <cstdlib>
#include <new>

namespace kw::sys_dep {

// A small buffer gains nothing from whole pages of its own.
void* allocateHugeMemory(std::size_t bytes, std::size_t& rounded) {
  constexpr std::size_t kHugePage = HugeBuffer::kHugePage;
  void* memory = nullptr;
  if (bytes < kHugePage) {
    rounded = bytes;
    memory = std::malloc(bytes == 0 ? 1 : bytes);
  } else {
    rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    memory = allocatePages(rounded);
  }
  if (!memory) throw std::bad_alloc();
  return memory;
}

void freeHugeMemory(void* memory, std::size_t bytes) {
  constexpr std::size_t kHugePage = HugeBuffer::kHugePage;
  if (bytes < kHugePage) {
    std::free(memory);
  } else if (memory) {
    freePages(memory, (bytes + kHugePage - 1) / kHugePage * kHugePage);
  }
}

HugeBuffer::HugeBuffer(std::size_t bytes) {
  char* memory = static_cast<char*>(allocateHugeMemory(bytes, size_));
  memory_ = std::unique_ptr<char, Free>(memory, Free(size_));
}

void HugeBuffer::Free::operator()(char* memory) const { freeHugeMemory(memory, bytes); }

}  // namespace kw::sys_dep
