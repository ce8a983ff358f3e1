// Which file a name leads to: the identity two names share when they reach
// the same file, however they are spelled (links, "..", hard links).
#ifndef KW_SYS_DEP_FILE_IDENTITY_H_
#define KW_SYS_DEP_FILE_IDENTITY_H_

#include <cstdint>
#include <optional>
#include <string>

namespace kw::sys_dep {

// The file system's identity of a file: its device and its number there.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t number = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the file `path` names, symbolic links followed; none when
// it does not exist or cannot be looked up. Never throws.
std::optional<FileIdentity> fileIdentity(const std::string& path);

}  // namespace kw::sys_dep

#endif  // KW_SYS_DEP_FILE_IDENTITY_H_
