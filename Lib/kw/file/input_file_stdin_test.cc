// Standard input taken over by a file descriptor swap (POSIX only).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "Lib/kw/file/input_file.h"
#include "tests/support/test_support.h"

namespace kw::file {
namespace {

// Points standard input at a file for the lifetime of the object.
class StdinFrom {
 public:
  explicit StdinFrom(const std::string& name) : saved_(dup(STDIN_FILENO)) {
    const int fd = open(name.c_str(), O_RDONLY);
    EXPECT_GE(fd, 0);
    dup2(fd, STDIN_FILENO);
    close(fd);
  }
  ~StdinFrom() {
    dup2(saved_, STDIN_FILENO);
    close(saved_);
  }

 private:
  int saved_;
};

TEST(InputFileStdinTest, StandardInputIsNamedSTDIN) {
  trackmend_test::ScratchDir dir;
  const std::string name = dir.file("in");
  trackmend_test::writeFile(name, "one\r\ntwo");
  StdinFrom redirect(name);
  {
    InputFile in(4);
    EXPECT_EQ(in.fileName(), "STDIN");
    std::string line;
    ASSERT_TRUE(in.readLine(line));
    EXPECT_EQ(line, "one");
    ASSERT_TRUE(in.readLine(line));
    EXPECT_EQ(line, "two");
    EXPECT_FALSE(in.readLine(line));
  }
  EXPECT_NE(fcntl(STDIN_FILENO, F_GETFD), -1) << "standard input was closed";
}

}  // namespace
}  // namespace kw::file
