// Runs the real trackmend binary once per case folder under cases/ and
// compares everything the user can observe: standard output, standard error,
// the exit status and every file left in the working folder, byte for byte.
//
// A case folder holds:
//   args              one command-line argument per line (an empty line is
//                     an empty argument); the file's last line feed ends the
//                     last argument
//   stdin             bytes fed to standard input (absent: empty input)
//   stdin_closed      when present, the program starts with descriptor 0 closed
//                     (on Windows: with an input that is at its end at once)
//   in/               files copied into the fresh working folder
//   expected/stdout, expected/stderr, expected/status
//   expected/files/   the complete content of the working folder afterwards
//   program           optional: "trackmend-scan" runs that program instead
//
// "@WORK@" in `args`, in the files of in/ and in the expected files stands
// for the absolute path of the working folder, so that cases can show the
// absolute paths a folder scan writes. On Windows the path after it is
// written with '\' ("@WORK@/music/a.mp3" is "C:\...\music\a.mp3", up to a
// quote or the line's end), and "file://@WORK@" is "file:///C:/...".
// "@WORK_NO_DRIVE@" is the same path without its drive, with '/' ("/Users/
// ..."): how an entry "\x" on the same drive names it; on POSIX it is @WORK@.
//
// On Windows (the build for Wine), a case may differ where paths compare as
// Windows compares them (letter case ignored): expected-windows/ then holds
// the stdout, stderr, status or files/ that replace those of expected/.
// Names of files compare ignoring letter case there, as on its disks. A case
// folder holding a file "posix_only" (which says why: symbolic links, say)
// is left out of the Windows build, one holding "windows_only" out of the
// others.
//
// TRACKMEND_E2E_RECORD=<dir> writes what each run produced into <dir>/<case>/
// in the same layout, for a person to inspect and compare; it never touches
// the expected files.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "Lib/kw/sys_dep/process.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

constexpr int kTimeoutSeconds = 60;

std::string envOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? std::string(value) : fallback;
}

std::string binaryPath() { return envOr("TRACKMEND_BINARY", TRACKMEND_BINARY); }
std::string scanBinaryPath() { return envOr("TRACKMEND_SCAN_BINARY", TRACKMEND_SCAN_BINARY); }
fs::path casesDir() { return envOr("TRACKMEND_E2E_CASES", TRACKMEND_E2E_CASES); }

std::string readBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

constexpr bool kWindows = TRACKMEND_E2E_WINDOWS;

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// `text` with each "@WORK@" made the working folder `work` (see the top).
std::string withWorkFolder(std::string text, const std::string& work) {
  if (!kWindows) return replaced(replaced(text, "@WORK_NO_DRIVE@", work), "@WORK@", work);
  std::string inUri = "/" + work;
  std::replace(inUri.begin(), inUri.end(), '\\', '/');
  text = replaced(text, "@WORK_NO_DRIVE@", inUri.substr(3));
  text = replaced(replaced(text, "file://localhost@WORK@", "file://localhost" + inUri), "file://@WORK@",
                  "file://" + inUri);
  for (auto at = text.find("@WORK@"); at != std::string::npos; at = text.find("@WORK@", at)) {
    text.replace(at, 6, work);
    for (at += work.size(); at < text.size() && std::string_view("'\"\r\n<").find(text[at]) == std::string::npos;
         ++at) {
      if (text[at] == '/') text[at] = '\\';
    }
  }
  return text;
}

// Writes the working folder's path over each "@WORK@" in the files below it.
void fillInWorkFolder(const fs::path& workDir) {
  for (const auto& item : fs::recursive_directory_iterator(workDir)) {
    if (!item.is_regular_file() || item.is_symlink()) continue;
    const std::string bytes = readBytes(item.path());
    if (bytes.find("@WORK@") != std::string::npos)
      writeBytes(item.path(), withWorkFolder(bytes, fs::canonical(workDir).string()));
  }
}

// A name of the working folder as this system compares names.
std::string comparedName(std::string name) {
  if (kWindows) {
    for (char& c : name) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return name;
}

// One argument per line; "a\n\nb\n" is {"a", "", "b"} and "\n" is {""}.
std::vector<std::string> splitArguments(const std::string& text) {
  std::vector<std::string> result;
  std::string::size_type start = 0;
  while (start < text.size()) {
    const auto end = text.find('\n', start);
    if (end == std::string::npos) {
      result.push_back(text.substr(start));
      break;
    }
    result.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return result;
}

// Printable form of bytes for failure messages.
std::string visible(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c >= 32 && c < 127) {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    }
  }
  return out;
}

std::string lineAt(const std::string& text, std::string::size_type offset) {
  const auto begin = text.rfind('\n', offset == 0 ? 0 : offset - 1);
  const auto from = (begin == std::string::npos || offset == 0) ? 0 : begin + 1;
  const auto end = text.find('\n', from);
  return text.substr(from, end == std::string::npos ? std::string::npos : end - from + 1);
}

// Empty when equal; otherwise where and how the two first differ.
std::string describeDifference(const std::string& expected, const std::string& actual) {
  if (expected == actual) return "";
  const auto limit = std::min(expected.size(), actual.size());
  std::string::size_type offset = 0;
  while (offset < limit && expected[offset] == actual[offset]) ++offset;
  const auto line = 1 + std::count(expected.begin(), expected.begin() + static_cast<long>(offset), '\n');
  std::ostringstream message;
  message << "first difference at byte " << offset << " (line " << line << "); sizes " << expected.size()
          << " expected, " << actual.size() << " actual\n"
          << "  expected line: "
          << (offset < expected.size() || !expected.empty() ? visible(lineAt(expected, offset)) : "<end>") << "\n"
          << "  actual line:   "
          << (offset < actual.size() || !actual.empty() ? visible(lineAt(actual, offset)) : "<end>") << "\n";
  if (offset == expected.size()) message << "  expected ends here; actual goes on\n";
  if (offset == actual.size()) message << "  actual ends here; expected goes on\n";
  return message.str();
}

// Every entry below `root`: regular files map to their bytes, folders to "/".
std::map<std::string, std::string> snapshot(const fs::path& root) {
  std::map<std::string, std::string> result;
  if (!fs::exists(root)) return result;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const std::u8string relative = fs::relative(item.path(), root).generic_u8string();
    const std::string name(relative.begin(), relative.end());
    if (item.is_directory()) {
      result[name + "/"] = "";
    } else {
      result[name] = readBytes(item.path());
    }
  }
  return result;
}

using Outcome = kw::sys_dep::ProcessOutcome;

std::string statusText(const Outcome& outcome) {
  if (outcome.timedOut) return "timed out\n";
  if (outcome.signal) return "killed by signal " + std::to_string(outcome.signal) + "\n";
  return std::to_string(outcome.status) + "\n";
}

// Runs `binary` with `args` in `workDir`; `input` null means no standard input.
Outcome runProgram(const std::string& binary, const std::vector<std::string>& args, const fs::path& workDir,
                   const std::string* input) {
  return kw::sys_dep::runProcess(binary, args, workDir.string(), input, std::chrono::seconds(kTimeoutSeconds));
}

class ScratchFolder {
 public:
  ScratchFolder() {
    path_ = trackmend_test::newScratchFolder("trackmend-e2e-");
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

void record(const fs::path& target, const Outcome& outcome, const std::map<std::string, std::string>& files) {
  fs::remove_all(target);
  writeBytes(target / "stdout", outcome.out);
  writeBytes(target / "stderr", outcome.err);
  writeBytes(target / "status", statusText(outcome));
  fs::create_directories(target / "files");
  for (const auto& [name, bytes] : files) {
    if (name.back() == '/') {
      fs::create_directories(target / "files" / trackmend_test::nativePath(name));
    } else {
      writeBytes(target / "files" / trackmend_test::nativePath(name), bytes);
    }
  }
}

std::vector<std::string> caseNames() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& item : fs::directory_iterator(casesDir(), error)) {
    if (fs::exists(item.path() / (kWindows ? "posix_only" : "windows_only"))) continue;
    if (fs::exists(item.path() / "args")) names.push_back(item.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The expected `name` ("stdout", "files", ...) of the case in `caseDir`: on
// Windows the one in expected-windows/ when there is one.
fs::path expectedPath(const fs::path& caseDir, const std::string& name) {
  if (kWindows && fs::exists(caseDir / "expected-windows" / name)) return caseDir / "expected-windows" / name;
  return caseDir / "expected" / name;
}

void expectSame(const std::string& what, const std::string& expected, const std::string& actual) {
  const std::string difference = describeDifference(expected, actual);
  if (!difference.empty()) ADD_FAILURE() << what << ": " << difference;
}

class EndToEnd : public ::testing::TestWithParam<std::string> {};

TEST_P(EndToEnd, MatchesExpectedOutput) {
  const fs::path caseDir = casesDir() / GetParam();
  ScratchFolder work;
  if (fs::exists(caseDir / "in")) {
    fs::copy(caseDir / "in", work.path(), fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fillInWorkFolder(work.path());
  }
  // The program sees the folder as getcwd() gives it: with links resolved.
  const std::string workPath = fs::canonical(work.path()).string();
  const auto expected = [&](const fs::path& file) { return withWorkFolder(readBytes(file), workPath); };

  const std::string input = readBytes(caseDir / "stdin");
  const bool closedInput = fs::exists(caseDir / "stdin_closed");
  const std::string program = readBytes(caseDir / "program");
  const std::string binary = program == "trackmend-scan\n" ? scanBinaryPath() : binaryPath();
  if (!program.empty() && binary == binaryPath()) FAIL() << "unknown program: " << program;
  const Outcome outcome = runProgram(binary, splitArguments(expected(caseDir / "args")), work.path(),
                                     closedInput ? nullptr : &input);
  const auto actualFiles = snapshot(work.path());

  const std::string recordDir = envOr("TRACKMEND_E2E_RECORD", "");
  if (!recordDir.empty()) record(fs::path(recordDir) / GetParam(), outcome, actualFiles);

  expectSame("exit status", readBytes(expectedPath(caseDir, "status")), statusText(outcome));
  expectSame("standard output", expected(expectedPath(caseDir, "stdout")), outcome.out);
  expectSame("standard error", expected(expectedPath(caseDir, "stderr")), outcome.err);

  const auto expectedFiles = snapshot(expectedPath(caseDir, "files"));
  std::map<std::string, std::string> actualByName;
  for (const auto& [name, bytes] : actualFiles) actualByName[comparedName(name)] = name;
  for (const auto& [name, bytes] : expectedFiles) {
    const auto found = actualByName.find(comparedName(name));
    if (found == actualByName.end()) {
      ADD_FAILURE() << "file missing after the run: " << name;
    } else {
      expectSame("content of " + name, withWorkFolder(bytes, workPath), actualFiles.at(found->second));
      actualByName.erase(found);
    }
  }
  for (const auto& [compared, name] : actualByName) ADD_FAILURE() << "unexpected file after the run: " << name;
}

INSTANTIATE_TEST_SUITE_P(Cases, EndToEnd, ::testing::ValuesIn(caseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(EndToEnd);

// The runner's own helpers: a wrong comparison would let every case pass.
TEST(EndToEndRunner, SplitsArgumentsOnePerLine) {
  EXPECT_EQ(splitArguments(""), std::vector<std::string>{});
  EXPECT_EQ(splitArguments("\n"), std::vector<std::string>{""});
  EXPECT_EQ(splitArguments("a\n\nb\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(splitArguments("a\nb"), (std::vector<std::string>{"a", "b"}));
}

TEST(EndToEndRunner, DescribesTheFirstDifference) {
  EXPECT_EQ(describeDifference("a\nb\n", "a\nb\n"), "");
  const std::string message = describeDifference("one\ntwo\n", "one\ntwX\n");
  EXPECT_NE(message.find("byte 6 (line 2)"), std::string::npos) << message;
  EXPECT_NE(message.find("expected line: two\\x0A"), std::string::npos) << message;
  EXPECT_NE(message.find("actual line:   twX\\x0A"), std::string::npos) << message;
  EXPECT_NE(describeDifference(std::string("a\0b", 3), std::string("a\0c", 3)).find("a\\x00b"), std::string::npos);
  EXPECT_NE(describeDifference("abc", "ab").find("actual ends here"), std::string::npos);
}

TEST(EndToEndRunner, FillsInTheWorkFolder) {
  EXPECT_EQ(replaced("@WORK@/a @WORK@", "@WORK@", "/t/@WORK@"), "/t/@WORK@/a /t/@WORK@");
  ScratchFolder work;
  writeBytes(work.path() / "sub" / "list.m3u", "@WORK@/x.mp3\n");
  fillInWorkFolder(work.path());
  const std::string path = fs::canonical(work.path()).string();
  EXPECT_EQ(readBytes(work.path() / "sub" / "list.m3u"), path + (kWindows ? "\\x.mp3\n" : "/x.mp3\n"));
  if (kWindows) {
    EXPECT_EQ(withWorkFolder("'@WORK@/a b/c' @WORK@/d\nfile://@WORK@/e%20f\n", "C:\\w"),
              "'C:\\w\\a b\\c' C:\\w\\d\nfile:///C:/w/e%20f\n");
  }
}

TEST(EndToEndRunner, SnapshotsNestedFiles) {
  ScratchFolder work;
  writeBytes(work.path() / "sub" / "f", std::string("\0\1", 2));
  const auto files = snapshot(work.path());
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files.at("sub/"), "");
  EXPECT_EQ(files.at("sub/f"), std::string("\0\1", 2));
}

}  // namespace

// --case=<name> runs that one case and fails when no such case exists (a plain
// filter that matches nothing would pass silently).
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word.rfind("--case=", 0) != 0) continue;
    const std::string name = word.substr(7);
    const auto names = caseNames();
    if (std::find(names.begin(), names.end(), name) == names.end()) {
      std::fprintf(stderr, "no end-to-end case named '%s' in %s\n", name.c_str(), casesDir().string().c_str());
      return 1;
    }
    ::testing::GTEST_FLAG(filter) = "Cases/EndToEnd.MatchesExpectedOutput/" + name;
  }
  return RUN_ALL_TESTS();
}
