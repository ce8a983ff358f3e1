#include "tests/fuzz/fuzz_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <streambuf>

namespace trackmend_fuzz {
namespace {

class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

std::string scratchBase() {
  if (const char* chosen = std::getenv("TRACKMEND_FUZZ_SCRATCH")) return chosen;
  struct stat info;
  if (stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode)) return "/dev/shm";
  return std::filesystem::temp_directory_path().string();
}

// Owns the folder; the static instance removes it at normal exit.
class ScratchFolder {
 public:
  ScratchFolder() : path_(scratchBase() + "/trackmend-fuzz-XXXXXX") {
    if (!mkdtemp(path_.data())) fail("cannot create a scratch folder like " + path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

std::ostream& nullStream() {
  static NullBuffer buffer;
  static std::ostream stream(&buffer);
  return stream;
}

const std::string& scratchFolder() {
  static const ScratchFolder folder;
  return folder.path();
}

void writeWholeFile(const std::string& fileName, const uint8_t* bytes, size_t size) {
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
  out.close();
  if (!out) fail("cannot write " + fileName);
}

std::string readWholeFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) fail("cannot read " + fileName);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::vector<std::string> splitAt(const uint8_t* data, size_t size, char separator) {
  std::vector<std::string> pieces(1);
  for (size_t i = 0; i < size; ++i) {
    if (static_cast<char>(data[i]) == separator)
      pieces.emplace_back();
    else
      pieces.back().push_back(static_cast<char>(data[i]));
  }
  return pieces;
}

void fail(const std::string& what) {
  std::cerr << "\nFUZZ CHECK FAILED: " << what << std::endl;
  std::abort();
}

}  // namespace trackmend_fuzz
