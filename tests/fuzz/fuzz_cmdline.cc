// Any argument vector ends in success or in one of the parser's specified
// errors, never in a crash, a hang or undefined behaviour. The input's first
// byte picks a declaration set (the tool's own option table, or one that uses
// the library's other classes); the rest are the words, separated by NUL
// bytes. The registries are emptied and the objects built afresh for every
// input, so no parse state leaks from one input into the next.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Lib/kw/cmdline/cmdline.h"
#include "Lib/kw/cmdline/program_info.h"
#include "Lib/kw/err/error.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using namespace kw::cmdline;
using trackmend_fuzz::fail;
using trackmend_fuzz::nullStream;

ProgramInfo& programInfo() {
  static ProgramInfo info("trackmend", 1, 15, "Fixes paths in playlists (M3U and PLS format)", "Jan  2 2003");
  return info;
}

bool startsWith(const std::string& text, const char* head) { return text.rfind(head, 0) == 0; }

// The command-line errors the parser, the rules and the conversions raise.
bool isSpecifiedCommandLineError(const std::string& text) {
  static const char* const heads[] = {
      "Help requested", "character awaited behind '-'", "Unknown option '-", "Option '-", "Option -",
      "Superfluous argument '", "Missing arguments:", "Specifying option -",
      "You have to specify one of the options"};
  for (const char* head : heads)
    if (startsWith(text, head)) return true;
  return false;
}

bool isSpecifiedConversionError(const std::string& text) {
  return startsWith(text, "Numeric argument awaited in <") ||
         startsWith(text, "Floating point argument awaited in <");
}

// The tool's option table, in its declaration order.
struct ToolTable {
  CmdLineArgument validList{"validList", "playlist containing ALL your songs with valid paths", nullptr, true};
  RepeatedCmdLineArgument invalidList{"invalidList", "playlist containing SOME songs with invalid paths"};
  CmdLineOption a{'a', "automatically select changed path, if filename is equal (path may differ)"};
  CmdLineArgumentOption e{'e', "dirs", "auto-select only if the last <dirs> subdirectories are equal", nullptr};
  CmdLineOption d{'d', "automatically delete duplicate entries"};
  CmdLineArgumentOption s{'s', "value", "ask only if match-value >= <value>", "0.1"};
  CmdLineOption P{'P', "convert to PLS format"};
  CmdLineOption M{'M', "convert to M3U format"};
  CmdLineOption k{'k', "keep extended playlist info in [<invalidList>]+"};
  CmdLineOption c{'c', "always copy extended playlist info from <validList>"};
  CmdLineArgumentOption m{'m', "missingList", "write unreplaced entries to <missingList>", nullptr};
  CmdLineOption A{'A', "append to <missingList> [Default is to overwrite]"};
  CmdLineOption D{'D', "Dupe-Finder (writes possible Dupes into <invalidList>)"};
  CmdLineArgumentOption v{'v', "value", "minimal dupe name-match percentage", "0.8"};
  CmdLineArgumentOption t{'t', "seconds", "maximum time difference for dupes", "5"};

  // What the main flow does with the options before it reads a playlist.
  void use(const ProgramInfo& info) {
    requireOption(info, a, e);
    CmdLineOption* const repairOptions[] = {&a, &e, &d, &s, nullptr};
    CmdLineOption* const finderOptions[] = {&D, &v, &t, nullptr};
    exclude(info, repairOptions, finderOptions);
    while (!invalidList.getValue().empty()) {
    }
    if (!D.active) {
      s.toDouble();
      e.toInt();
    } else {
      v.toDouble();
      t.toInt();
    }
  }
};

bool acceptListName(const std::string* value) {
  return value == nullptr || (value->size() > 2 && value->compare(value->size() - 2, 2, ".x") == 0);
}

// The library's other classes: annotations, a bounded repeatable positional
// argument with its own predicate, a positional default, a list option.
struct LibraryTable {
  CmdLineAnnotation head{"Input options:", false};
  RepeatedCmdLineArgumentOption f{'f', "file", ',', "files to add", "one,two"};
  CmdLineArgumentOption n{'n', "count", "how many", "7"};
  CmdLineOption h{'h', "never reachable alone"};
  CmdLineAnnotation tail{"Output options:", true};
  CmdLineOption q{'?', "neither"};
  CmdLineArgument first{"first", "the first word", "dflt", true};
  RepeatableCmdLineArgument lists{"list", "up to three lists", 0, 3, acceptListName, true};
  RepeatableCmdLineArgument rest{"rest", "everything else", 1, -1, acceptAnyValue, true};

  void use(const ProgramInfo& info) {
    CmdLineOption* const all[] = {&f, &n, &h, &q, nullptr};
    unsigned counter = 0;
    countOptions(all, counter, "or", true);
    requireOneOf(info, all);
    n.toInt();
    while (!f.getValue().empty()) {
    }
    lists.rewind();
    while (!lists.getValue().empty()) {
    }
    rest.rewind();
    rest.toDouble();
  }
};

template <typename Table>
void parseAndUse(std::vector<std::string>& words) {
  ProgramInfo& info = programInfo();
  kw::cmdline::testing::clearRegistries();
  auto table = std::make_unique<Table>();
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  try {
    info.init(static_cast<int>(words.size()), argv.data());
    if (!commandLineParsed) fail("init returned without setting commandLineParsed");
  } catch (const kw::err::Error& error) {
    if (commandLineParsed) fail("commandLineParsed set although init failed");
    const std::string text = error.what();
    const bool known = (dynamic_cast<const InfoError*>(&error) && isSpecifiedCommandLineError(text)) ||
                       (dynamic_cast<const StringError*>(&error) && startsWith(text, "Unknown long option '"));
    if (!known) fail("unspecified parser error: " + text);
    error.print(nullStream());
    return;
  }
  try {
    table->use(info);
  } catch (const kw::err::Error& error) {
    const std::string text = error.what();
    const bool known = (dynamic_cast<const InfoError*>(&error) && isSpecifiedCommandLineError(text)) ||
                       isSpecifiedConversionError(text);
    if (!known) fail("unspecified error after parsing: " + text);
    error.print(nullStream());
  }
  printUsage(info, nullStream());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<std::string> words = trackmend_fuzz::splitAt(data + 1, size - 1, '\0');
  if (size == 1) words.clear();
  // argv[0] names the running program, as the system provides it.
  words.insert(words.begin(), "/proc/self/exe");
  if (data[0] & 1)
    parseAndUse<LibraryTable>(words);
  else
    parseAndUse<ToolTable>(words);
  return 0;
}
