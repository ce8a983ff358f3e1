#include "Lib/kw/sys_dep/huge_buffer.h"

namespace kw::sys_dep {

HugeBuffer::HugeBuffer(std::size_t bytes) {
  char* memory = static_cast<char*>(allocateHugeMemory(bytes, size_));
  memory_ = std::unique_ptr<char, Free>(memory, Free(size_));
}

void HugeBuffer::Free::operator()(char* memory) const { freeHugeMemory(memory, bytes); }

}  // namespace kw::sys_dep
