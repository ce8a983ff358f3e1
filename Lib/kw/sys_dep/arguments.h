// The program's command-line words as UTF-8.
#ifndef KW_SYS_DEP_ARGUMENTS_H_
#define KW_SYS_DEP_ARGUMENTS_H_

#include <string>
#include <vector>

namespace kw::sys_dep {

// The words main() was given, in UTF-8 on every platform. On Windows they
// are taken from the wide command line (CommandLineToArgvW), so that a name
// outside the ANSI code page arrives whole instead of as '?'; elsewhere they
// are argc/argv as given. Owns the words; values() stays valid while this
// object lives.
class Utf8Arguments {
 public:
  Utf8Arguments(int argc, char** argv);
  Utf8Arguments(const Utf8Arguments&) = delete;
  Utf8Arguments& operator=(const Utf8Arguments&) = delete;

  int count() const { return static_cast<int>(words_.size()); }
  // argv-style: count() words, then a null pointer.
  char** values() { return pointers_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> pointers_;
};

}  // namespace kw::sys_dep

#endif  // KW_SYS_DEP_ARGUMENTS_H_
