#include "Lib/kw/cmdline/cmdline.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <iostream>
#include <string_view>

#include "Lib/kw/err/error.h"

namespace kw::cmdline {

unsigned optionColumnWidth = 0;
unsigned argumentColumnWidth = 0;
bool commandLineParsed = false;

std::vector<CmdLineOption*>& optionList() {
  static std::vector<CmdLineOption*> list;
  return list;
}

std::vector<CmdLineArgument*>& argumentList() {
  static std::vector<CmdLineArgument*> list;
  return list;
}

std::vector<CmdLineAnnotation*>& annotationList() {
  static std::vector<CmdLineAnnotation*> list;
  return list;
}

namespace testing {
void clearRegistries() {
  optionList().clear();
  argumentList().clear();
  annotationList().clear();
  optionColumnWidth = 0;
  argumentColumnWidth = 0;
  commandLineParsed = false;
}
}  // namespace testing

namespace {

std::string textOrEmpty(const char* text) { return text ? std::string(text) : std::string(); }

void widen(unsigned& width, size_t length) {
  if (length > width) width = static_cast<unsigned>(length);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

size_t countDigits(std::string_view text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), isDigit));
}

// Parses all of `digits` in `base` into `result`; false when the text is
// not a number of that base or does not fit an int. "" gives 0.
bool parseInt(std::string_view digits, int base, int& result) {
  result = 0;
  if (digits.empty()) return true;
  const char* end = digits.data() + digits.size();
  const auto [stop, error] = std::from_chars(digits.data(), end, result, base);
  return error == std::errc() && stop == end;
}

void writeArgumentColumn(std::ostream& os, char optionChar, const std::string& display) {
  os << '-' << optionChar << display;
  const size_t pad = display.size() <= optionColumnWidth ? optionColumnWidth - display.size() + 1 : 1;
  os << std::string(pad, ' ');
}

}  // namespace

// CmdLineHelpText

CmdLineHelpText::CmdLineHelpText(std::string text) : text(std::move(text)) {}
CmdLineHelpText::~CmdLineHelpText() = default;
std::string CmdLineHelpText::helpText() const { return text; }

// CmdLineOption

CmdLineOption::CmdLineOption(char optionChar, const std::string& help)
    : CmdLineHelpText(help), optionChar(optionChar) {
  optionList().push_back(this);
}

CmdLineOption::~CmdLineOption() = default;
bool CmdLineOption::given() const { return active; }
void CmdLineOption::reset() { active = false; }
bool CmdLineOption::takesArgument() const { return false; }

void CmdLineOption::printOption(std::ostream& os) const {
  os << '-' << optionChar << std::string(optionColumnWidth + 1, ' ');
}

// CmdLineArgument

CmdLineArgument::CmdLineArgument(const char* name, const std::string& help, const char* defaultValue,
                                 bool positional)
    : CmdLineHelpText(help), name(textOrEmpty(name)), currentValue(textOrEmpty(defaultValue)) {
  if (!positional) return;
  argumentList().push_back(this);
  widen(argumentColumnWidth, CmdLineArgument::displayName().size());
}

CmdLineArgument::~CmdLineArgument() = default;
bool CmdLineArgument::given() const { return valueGiven; }
std::string CmdLineArgument::getValue() { return currentValue; }
std::string CmdLineArgument::displayName() const { return "<" + name + ">"; }

void CmdLineArgument::setValue(const std::string& v, bool isDefault) {
  currentValue = v;
  valueGiven = !isDefault;
}

std::string CmdLineArgument::helpText() const {
  if (!showDefault) return text;
  return text + " [Default=" + currentValue + "]";
}

int CmdLineArgument::toInt() {
  const std::string value = getValue();
  const size_t digits = countDigits(value);
  const size_t xs = static_cast<size_t>(std::count(value.begin(), value.end(), 'x'));
  int result = 0;
  bool valid = false;
  if (digits == value.size()) {
    valid = parseInt(value, 10, result);
  } else if (xs == 1 && digits + 1 == value.size() && value[0] == '0' && value[1] == 'x') {
    valid = parseInt(std::string_view(value).substr(2), 16, result);
  }
  if (!valid) {
    throw kw::err::Error(kw::err::formatString(
        "Numeric argument awaited in <%s> '%s' (dec or hex '0x..') ", name.c_str(), value.c_str()));
  }
  return result;
}

double CmdLineArgument::toDouble() {
  std::string value = getValue();
  const size_t digits = countDigits(value);
  const size_t separators =
      static_cast<size_t>(std::count_if(value.begin(), value.end(), [](char c) { return c == '.' || c == ','; }));
  std::replace(value.begin(), value.end(), ',', '.');
  if (digits == value.size()) return value.empty() ? 0.0 : std::strtod(value.c_str(), nullptr);
  if (separators == 1 && digits + 1 == value.size()) return std::atof(value.c_str());
  throw kw::err::Error(kw::err::formatString("Floating point argument awaited in <%s> '%s'", name.c_str(),
                                             value.c_str()));
}

// CmdLineArgumentOption

CmdLineArgumentOption::CmdLineArgumentOption(char optionChar, const char* argumentName,
                                             const std::string& help, const char* defaultValue)
    : CmdLineHelpText(help),
      CmdLineOption(optionChar, help),
      CmdLineArgument(argumentName, help, defaultValue, false) {
  if (defaultValue) {
    if (*defaultValue == '\0') {
      std::cerr << "Empty default argument for option -" << optionChar << '\n';
      throw kw::err::InternalError("see above");
    }
    active = true;
  }
  widen(optionColumnWidth, displayName().size());
}

// Both option kinds with an argument forget a value they hold, but leave the
// flags of an argument without value as they are.
static void resetOptionArgument(CmdLineOption& option, CmdLineArgument& argument) {
  option.active = false;
  if (argument.currentValue.empty()) return;
  argument.currentValue.clear();
  argument.showDefault = false;
  argument.valueGiven = false;
}

CmdLineArgumentOption::~CmdLineArgumentOption() = default;
bool CmdLineArgumentOption::given() const { return valueGiven; }
bool CmdLineArgumentOption::takesArgument() const { return true; }

void CmdLineArgumentOption::reset() { resetOptionArgument(*this, *this); }

void CmdLineArgumentOption::printOption(std::ostream& os) const {
  writeArgumentColumn(os, optionChar, displayName());
}

void CmdLineArgumentOption::setValue(const std::string& v, bool isDefault) {
  active = true;
  CmdLineArgument::setValue(v, isDefault);
}

// RepeatableCmdLineArgument

bool acceptAnyValue(const std::string*) { return true; }

RepeatableCmdLineArgument::RepeatableCmdLineArgument(const char* name, const std::string& help,
                                                     int minCount, int maxCount, AcceptValue acceptValue,
                                                     bool positional)
    : CmdLineHelpText(help),
      CmdLineArgument(name, help, nullptr, positional),
      minCount(minCount),
      maxCount(maxCount),
      acceptValue(acceptValue) {}

RepeatableCmdLineArgument::~RepeatableCmdLineArgument() = default;

std::string RepeatableCmdLineArgument::getValue() {
  std::string result = currentValue;
  if (!result.empty()) consumedValues.push_back(result);
  if (pendingValues.empty()) {
    CmdLineArgument::setValue(std::string(), false);
  } else {
    const std::string next = pendingValues.front();
    pendingValues.pop_front();
    CmdLineArgument::setValue(next, false);
  }
  return result;
}

void RepeatableCmdLineArgument::setValue(const std::string& v, bool isDefault) {
  if (currentValue.empty()) {
    CmdLineArgument::setValue(v, isDefault);
  } else {
    pendingValues.push_back(v);
  }
  ++valueCount;
}

std::string RepeatableCmdLineArgument::displayName() const {
  std::string display = "[" + CmdLineArgument::displayName() + "]";
  if (minCount != 0) return display + "+";
  if (maxCount > 1) return display + "*";
  return display;
}

void RepeatableCmdLineArgument::rewind() {
  while (!getValue().empty()) {
  }
  pendingValues = consumedValues;
  consumedValues.clear();
  getValue();
}

RepeatedCmdLineArgument::RepeatedCmdLineArgument(const char* name, const std::string& help)
    : CmdLineHelpText(help), RepeatableCmdLineArgument(name, help, 1, -1, acceptAnyValue, true) {}

RepeatedCmdLineArgument::~RepeatedCmdLineArgument() = default;

// RepeatedCmdLineArgumentOption

RepeatedCmdLineArgumentOption::RepeatedCmdLineArgumentOption(char optionChar, const char* argumentName,
                                                             char separator, const std::string& help,
                                                             const char* defaultValue)
    : CmdLineHelpText(help),
      CmdLineOption(optionChar, help),
      RepeatableCmdLineArgument(argumentName, help, 1, -1, acceptAnyValue, false),
      separator(separator) {
  if (defaultValue) setValue(defaultValue, true);
  widen(optionColumnWidth, displayName().size());
}

RepeatedCmdLineArgumentOption::~RepeatedCmdLineArgumentOption() = default;
bool RepeatedCmdLineArgumentOption::given() const { return valueGiven; }
bool RepeatedCmdLineArgumentOption::takesArgument() const { return true; }

void RepeatedCmdLineArgumentOption::reset() { resetOptionArgument(*this, *this); }

void RepeatedCmdLineArgumentOption::printOption(std::ostream& os) const {
  writeArgumentColumn(os, optionChar, displayName());
}

void RepeatedCmdLineArgumentOption::setValue(const std::string& v, bool isDefault) {
  active = true;
  size_t start = 0;
  while (start <= v.size()) {
    size_t stop = v.find(separator, start);
    if (stop == std::string::npos) stop = v.size();
    if (stop > start) RepeatableCmdLineArgument::setValue(v.substr(start, stop - start), isDefault);
    start = stop + 1;
  }
}

std::string RepeatedCmdLineArgumentOption::getValue() { return RepeatableCmdLineArgument::getValue(); }

std::string RepeatedCmdLineArgumentOption::displayName() const {
  const std::string form = CmdLineArgument::displayName();
  return kw::err::formatString("%s[%c%s]*", form.c_str(), separator, form.c_str());
}

// CmdLineAnnotation

CmdLineAnnotation::CmdLineAnnotation(const std::string& text, bool blankLineBefore)
    : CmdLineHelpText(text), position(static_cast<int>(optionList().size())), blankLineBefore(blankLineBefore) {
  annotationList().push_back(this);
}

CmdLineAnnotation::~CmdLineAnnotation() = default;

}  // namespace kw::cmdline
