// Small helpers shared by the unit tests: scratch folders and whole files.
#ifndef TESTS_SUPPORT_TEST_SUPPORT_H_
#define TESTS_SUPPORT_TEST_SUPPORT_H_

#include <filesystem>
#include <string>
#include <vector>

namespace trackmend_test {

// The file named `name` (UTF-8, as the program's names are) as a
// std::filesystem path: built from char8_t text, so that on Windows a name
// outside the ANSI code page names the right file.
std::filesystem::path nativePath(const std::string& name);
// A std::filesystem path as UTF-8 text.
std::string utf8Of(const std::filesystem::path& path);

// Makes a folder of a new name `prefix` + nine digits under the system's
// temporary directory and returns its path; throws std::runtime_error when
// none can be made.
std::string newScratchFolder(const std::string& prefix);

// A fresh folder under the system's temporary directory, removed with its
// content when the object goes away.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string file(const std::string& name) const;

 private:
  std::string path_;
};

// Writes `bytes` to `fileName`, replacing it; aborts the test on failure.
void writeFile(const std::string& fileName, const std::string& bytes);
// The whole content of `fileName`; "<missing>" when it cannot be opened.
std::string readFile(const std::string& fileName);
bool fileExists(const std::string& fileName);
// The names in the folder `folder`, sorted; shows left-over temporary files.
std::vector<std::string> folderNames(const std::string& folder);
// The folder of the shared corpus of real playlists, or "" when absent.
std::string corpusDir();
// The folder of the shared corpus of real XML playlists, or "" when absent:
// beside the source tree, or beside the folder that holds it (a worktree).
std::string corpusXmlDir();
// The project's source folder (for bundled data files).
std::string sourceDir();

}  // namespace trackmend_test

#endif  // TESTS_SUPPORT_TEST_SUPPORT_H_
