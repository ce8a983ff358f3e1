// Helpers shared by the command-line library's tests.
#ifndef KW_CMDLINE_CMDLINE_TEST_SUPPORT_H_
#define KW_CMDLINE_CMDLINE_TEST_SUPPORT_H_

#include <functional>
#include <string>
#include <vector>

#include "Lib/kw/cmdline/cmdline.h"
#include "Lib/kw/err/error.h"
#include "Lib/kw/sys_dep/program_file.h"

namespace kw::cmdline::test_support {

// Registries are global and objects never leave them: clear them before the
// fixture's objects are built and after they are gone.
struct RegistryReset {
  RegistryReset() { testing::clearRegistries(); }
  ~RegistryReset() { testing::clearRegistries(); }
};

// The text of the Error `action` throws, or "<no error>".
inline std::string errorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const kw::err::Error& e) {
    return e.what();
  }
  return "<no error>";
}

// An argument vector that owns its words; argv[0] names this test program.
class Words {
 public:
  explicit Words(std::vector<std::string> words) : words_(std::move(words)) {
    words_.insert(words_.begin(), kw::sys_dep::runningProgramFile());
    for (std::string& word : words_) pointers_.push_back(word.data());
    pointers_.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(words_.size()); }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> pointers_;
};

}  // namespace kw::cmdline::test_support

#endif  // KW_CMDLINE_CMDLINE_TEST_SUPPORT_H_
