#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace trackmend_test {

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "trackmend-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed";
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::file(const std::string& name) const { return path_ + "/" + name; }

void writeFile(const std::string& fileName, const std::string& bytes) {
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  ASSERT_TRUE(out) << "cannot write " << fileName;
}

std::string readFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool fileExists(const std::string& fileName) {
  struct stat info;
  return lstat(fileName.c_str(), &info) == 0;
}

std::string sourceDir() {
  if (const char* dir = std::getenv("TRACKMEND_SOURCE_DIR")) return dir;
  return TRACKMEND_SOURCE_DIR_DEFAULT;
}

std::string corpusDir() {
  const std::string dir = sourceDir() + "/../shared/corpus";
  struct stat info;
  if (stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return dir;
  return "";
}

std::string corpusXmlDir() {
  for (const char* up : {"/../shared/corpus-xml", "/../../shared/corpus-xml"}) {
    const std::string dir = sourceDir() + up;
    struct stat info;
    if (stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return dir;
  }
  return "";
}

}  // namespace trackmend_test
