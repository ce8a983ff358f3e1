#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace trackmend_test {
namespace {

bool isFolder(const std::string& name) {
  std::error_code error;
  return std::filesystem::is_directory(nativePath(name), error);
}

}  // namespace

std::filesystem::path nativePath(const std::string& name) {
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

std::string utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string newScratchFolder(const std::string& prefix) {
  static std::mt19937_64 random(std::random_device{}());
  const std::filesystem::path temporary = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    // Always nine digits: match values of absolute entries depend on the
    // length of the folder's path, and expected outputs record them.
    const std::string digits = std::to_string(1000000000 + random() % 1000000000).substr(1);
    const std::filesystem::path folder = temporary / (prefix + digits);
    std::error_code error;
    if (std::filesystem::create_directory(folder, error)) return utf8Of(folder);
  }
  throw std::runtime_error("cannot make a scratch folder in " + temporary.string());
}

ScratchDir::ScratchDir() : path_(newScratchFolder("trackmend-test-")) {}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(nativePath(path_), ignored);
}

std::string ScratchDir::file(const std::string& name) const { return path_ + "/" + name; }

void writeFile(const std::string& fileName, const std::string& bytes) {
  std::ofstream out(nativePath(fileName), std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  ASSERT_TRUE(out) << "cannot write " << fileName;
}

std::string readFile(const std::string& fileName) {
  std::ifstream in(nativePath(fileName), std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool fileExists(const std::string& fileName) {
  std::error_code error;
  return std::filesystem::symlink_status(nativePath(fileName), error).type() != std::filesystem::file_type::not_found &&
         !error;
}

std::vector<std::string> folderNames(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& item : std::filesystem::directory_iterator(nativePath(folder), error))
    names.push_back(utf8Of(item.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

std::string sourceDir() {
  if (const char* dir = std::getenv("TRACKMEND_SOURCE_DIR")) return dir;
  return TRACKMEND_SOURCE_DIR_DEFAULT;
}

std::string corpusDir() {
  const std::string dir = sourceDir() + "/../shared/corpus";
  return isFolder(dir) ? dir : "";
}

std::string corpusXmlDir() {
  for (const char* up : {"/../shared/corpus-xml", "/../../shared/corpus-xml"}) {
    const std::string dir = sourceDir() + up;
    if (isFolder(dir)) return dir;
  }
  return "";
}

}  // namespace trackmend_test
