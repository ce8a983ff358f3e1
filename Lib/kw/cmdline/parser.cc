// ProgramInfo::init: the command-line parser.
#include <array>
#include <cctype>
#include <memory>

#include "Lib/kw/cmdline/program_info.h"
#include "Lib/kw/err/terminator.h"

namespace kw::cmdline {

namespace {

const char kLongOptionHelp[] =
    "Valid options are:\n"
    "     --help          show command line help\n"
    "     --multi         allow to use args multiple (behind this option)\n";

// The handler for escaped exceptions stays installed for the rest of the run.
void installTerminator() { static kw::Terminator terminator; }

void checkDuplicateCharacters() {
  std::array<bool, 256> seen{};
  for (const CmdLineOption* option : optionList()) {
    bool& flag = seen[static_cast<unsigned char>(option->optionChar)];
    if (flag) {
      throw kw::err::InternalError(std::string("Duplicated usage of option character '") + option->optionChar +
                                   "'");
    }
    flag = true;
  }
}

void markDefaults() {
  for (CmdLineOption* option : optionList()) {
    auto* argumentOption = dynamic_cast<CmdLineArgumentOption*>(option);
    if (argumentOption && !argumentOption->currentValue.empty()) argumentOption->showDefault = true;
  }
  for (CmdLineArgument* argument : argumentList()) {
    if (!argument->currentValue.empty()) argument->showDefault = true;
  }
}

bool equalIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool isHelpRequest(const std::string& w) {
  if (w.size() < 2 || (w[0] != '-' && w[0] != '/')) return false;
  if (w[1] == '?' || w[1] == 'h') return true;
  return w[1] == '-' && w.compare(2, std::string::npos, "help") == 0;
}

CmdLineOption* findOption(char c) {
  for (CmdLineOption* option : optionList()) {
    if (option->optionChar == c) return option;
  }
  return nullptr;
}

// One call's walk over the words of the command line.
class Parser {
 public:
  Parser(const ProgramInfo& info, int argc, char** argv) : info_(info), argc_(argc), argv_(argv) {}

  void parseWords() {
    for (i_ = 1; i_ < argc_; ++i_) parseWord(argv_[i_] ? argv_[i_] : "");
  }

  void checkComplete() const {
    const auto& arguments = argumentList();
    std::string text = "Missing arguments:";
    bool missing = false;
    for (size_t k = cursor_; k < arguments.size(); ++k) {
      if (satisfied(*arguments[k])) continue;
      text += " " + arguments[k]->displayName();
      missing = true;
    }
    if (missing) info_.usageError(text);
  }

 private:
  static bool satisfied(const CmdLineArgument& argument) {
    const auto* repeatable = dynamic_cast<const RepeatableCmdLineArgument*>(&argument);
    return repeatable && repeatable->valueCount >= repeatable->minCount && repeatable->acceptValue(nullptr);
  }

  void parseWord(const std::string& w) {
    if (isHelpRequest(w)) throw InfoError(false, "Help requested", info_);
    if (w.size() >= 2 && w[0] == '-' && w[1] == '-') return parseLongOption(w);
    if (!w.empty() && w[0] == '-') return parseShortOptions(w);
    parsePositional(w);
  }

  void parseLongOption(const std::string& w) {
    if (equalIgnoringCase(w.substr(2), "multi")) {
      multiUse_ = true;
      return;
    }
    throw StringError(true, "Unknown long option '" + w + "'", kLongOptionHelp);
  }

  void parseShortOptions(const std::string& w) {
    if (w.size() == 1) info_.usageError(std::string("character awaited behind '") + w[0] + "'");
    for (size_t j = 1; j < w.size(); ++j) {
      const char c = w[j];
      const std::string shown = std::string(1, w[0]) + c;
      CmdLineOption* option = findOption(c);
      if (!option) info_.usageError("Unknown option '" + shown + "'");
      if (option->given() && !multiUse_) {
        info_.usageError("Option '" + shown + "' was already used (preceed with --multi to avoid this warning).");
      }
      if (!option->takesArgument()) {
        option->active = true;
        continue;
      }
      std::string value = w.substr(j + 1);
      if (value.empty() && i_ < argc_ - 1) {
        ++i_;
        value = argv_[i_] ? argv_[i_] : "";
      }
      auto* argument = dynamic_cast<CmdLineArgument*>(option);
      if (value.empty()) {
        info_.usageError("Option " + shown + " awaits argument " + (argument ? argument->displayName() : ""));
      }
      // Only argument options answer takesArgument() with true.
      if (argument) argument->setValue(value, false);
      return;
    }
  }

  void parsePositional(const std::string& w) {
    const auto& arguments = argumentList();
    while (true) {
      if (cursor_ >= arguments.size()) info_.usageError("Superfluous argument '" + w + "'");
      CmdLineArgument* argument = arguments[cursor_];
      auto* repeatable = dynamic_cast<RepeatableCmdLineArgument*>(argument);
      if (!repeatable) {
        argument->setValue(w, false);
        ++cursor_;
        return;
      }
      if (repeatable->valueCount < repeatable->minCount) {
        repeatable->setValue(w, false);
        return;
      }
      if (repeatable->acceptValue(&w)) {
        const bool fillsUp = repeatable->valueCount == repeatable->maxCount - 1;
        repeatable->setValue(w, false);
        if (fillsUp) ++cursor_;
        return;
      }
      ++cursor_;
    }
  }

  const ProgramInfo& info_;
  const int argc_;
  char** const argv_;
  int i_ = 1;
  bool multiUse_ = false;
  size_t cursor_ = 0;
};

}  // namespace

void ProgramInfo::init(int argc, char** argv) {
  installTerminator();
  checkDuplicateCharacters();
  markDefaults();
  Parser parser(*this, argc, argv);
  locateProgram(argc > 0 && argv[0] ? argv[0] : "");
  parser.parseWords();
  parser.checkComplete();
  commandLineParsed = true;
}

}  // namespace kw::cmdline
