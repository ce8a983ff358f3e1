// Command-line options and positional arguments declared as global objects.
// Each object registers itself when it is built; the parser
// (ProgramInfo::init) fills them from the argument vector, the usage printer
// and the option rules walk the same registries, and the program reads the
// results back through the objects.
#ifndef KW_CMDLINE_CMDLINE_H_
#define KW_CMDLINE_CMDLINE_H_

#include <iosfwd>
#include <list>
#include <string>
#include <vector>

#include "Lib/kw/cmdline/noncopyable.h"

namespace kw::cmdline {

// The help text shared by all parts of one declared object (a virtual base,
// so an argument option holds exactly one).
class CmdLineHelpText : private kw_boost::noncopyable {
 public:
  explicit CmdLineHelpText(std::string text);
  virtual ~CmdLineHelpText();
  // A copy of `text`.
  virtual std::string helpText() const;

  std::string text;
};

// A switch selected by one character. Appended to optionList() when built.
class CmdLineOption : public virtual CmdLineHelpText {
 public:
  CmdLineOption(char optionChar, const std::string& help);

  // Whether the option stood on the command line: `active` here; argument
  // options answer whether their value came from the command line.
  virtual bool given() const;
  // Makes the option not active.
  virtual void reset();
  // Writes "-", the character and the padded argument column of the usage
  // text (optionColumnWidth + 3 characters in all).
  virtual void printOption(std::ostream& os) const;
  virtual bool takesArgument() const;
  ~CmdLineOption() override;

  // In effect: given, or an argument option with a default value.
  bool active = false;
  char optionChar;
};

// A named value: a positional argument, or the argument part of an option.
// Values are kept as text and converted only when the program asks.
class CmdLineArgument : public virtual CmdLineHelpText {
 public:
  // A null `name` gives the empty name, a null `defaultValue` no default.
  // A positional argument is appended to argumentList() and widens
  // argumentColumnWidth to its "<name>" form.
  CmdLineArgument(const char* name, const std::string& help, const char* defaultValue, bool positional);

  // The value came from the command line.
  virtual bool given() const;
  // A copy of `currentValue` (repeatable arguments hand out their values).
  virtual std::string getValue();
  // The value as an int: decimal digits, or "0x" and decimal digits read as
  // hexadecimal; "" gives 0. Throws kw::err::Error("Numeric argument awaited
  // in <name> 'value' (dec or hex '0x..') ") for anything else, including a
  // value beyond the range of int.
  virtual int toInt();
  // The value as a double: digits with at most one '.' or ',' (a comma reads
  // as a point); "" gives 0. Throws kw::err::Error("Floating point argument
  // awaited in <name> 'value'") otherwise. The stored value is not changed.
  virtual double toDouble();
  // Stores `v`; the value counts as given unless `isDefault`.
  virtual void setValue(const std::string& v, bool isDefault);
  // "<name>"
  virtual std::string displayName() const;
  ~CmdLineArgument() override;
  // `text`, followed by " [Default=<currentValue>]" when showDefault is set.
  std::string helpText() const override;

  std::string name;
  std::string currentValue;
  bool showDefault = false;
  bool valueGiven = false;
};

// An option followed by one argument word, e.g. -m <missingList>.
class CmdLineArgumentOption : public CmdLineOption, public CmdLineArgument {
 public:
  // A non-empty `defaultValue` becomes the value and makes the option active
  // (though not given). An empty (non-null) default is a declaration fault:
  // writes "Empty default argument for option -<c>\n" to standard error and
  // throws kw::err::InternalError("see above").
  CmdLineArgumentOption(char optionChar, const char* argumentName, const std::string& help,
                        const char* defaultValue);

  bool given() const override;
  // Not active; a non-empty value is dropped with its given/default marks.
  void reset() override;
  void printOption(std::ostream& os) const override;
  bool takesArgument() const override;
  ~CmdLineArgumentOption() override;
  // Makes the option active, then stores the value.
  void setValue(const std::string& v, bool isDefault) override;
};

// Decides whether `value` belongs to a repeatable argument; called with a
// null pointer, whether the argument may end here.
using AcceptValue = bool (*)(const std::string* value);

// Accepts every value and every end.
bool acceptAnyValue(const std::string* value);

// An argument that takes a sequence of values, handed out one by one by
// getValue() until it returns "".
class RepeatableCmdLineArgument : public CmdLineArgument {
 public:
  // `minCount` values are taken without asking `acceptValue`; `maxCount` -1
  // means no limit.
  RepeatableCmdLineArgument(const char* name, const std::string& help, int minCount, int maxCount,
                            AcceptValue acceptValue, bool positional);

  // Returns the current value and makes the next one current ("" when none
  // is left); non-empty results are remembered for rewind().
  std::string getValue() override;
  // The first value becomes current, later ones queue behind it.
  void setValue(const std::string& v, bool isDefault) override;
  // "[<name>]" followed by "+" (minCount != 0), "*" (maxCount > 1) or nothing.
  std::string displayName() const override;
  ~RepeatableCmdLineArgument() override;

  // Hands out the remaining values, then restores all values handed out so
  // far so that the first is current again.
  void rewind();

  int minCount;
  int maxCount;
  std::list<std::string> pendingValues;
  std::list<std::string> consumedValues;
  AcceptValue acceptValue;
  // Values stored so far; handing values out does not decrease it.
  int valueCount = 0;
};

// One or more positional words.
class RepeatedCmdLineArgument : public RepeatableCmdLineArgument {
 public:
  RepeatedCmdLineArgument(const char* name, const std::string& help);
  ~RepeatedCmdLineArgument() override;
};

// An option whose argument is a list joined by `separator`, e.g.
// -f <file>[,<file>]*. Never shows a default in the usage text.
class RepeatedCmdLineArgumentOption : public CmdLineOption, public RepeatableCmdLineArgument {
 public:
  // A non-null `defaultValue` is stored as default values (which makes the
  // option active). No check for an empty default.
  RepeatedCmdLineArgumentOption(char optionChar, const char* argumentName, char separator,
                                const std::string& help, const char* defaultValue);

  bool given() const override;
  void reset() override;
  void printOption(std::ostream& os) const override;
  bool takesArgument() const override;
  ~RepeatedCmdLineArgumentOption() override;
  // Makes the option active and stores each non-empty piece of `v` split at
  // `separator`, in order.
  void setValue(const std::string& v, bool isDefault) override;
  std::string getValue() override;
  // "<name>[<separator><name>]*"
  std::string displayName() const override;

  char separator;
};

// A free text placed in the usage text before the option that is declared
// next (or after all options when none follows).
class CmdLineAnnotation : public virtual CmdLineHelpText {
 public:
  CmdLineAnnotation(const std::string& text, bool blankLineBefore);
  ~CmdLineAnnotation() override;

  // The number of options declared before this annotation.
  int position;
  // Sets the text off with a line feed before and after it.
  bool blankLineBefore;
};

// The process-wide registries, in construction order. Created empty by the
// first object that registers, so registration works from global
// constructors in any order of translation units. Objects never unregister:
// declared objects must live until the program ends.
std::vector<CmdLineOption*>& optionList();
std::vector<CmdLineArgument*>& argumentList();
std::vector<CmdLineAnnotation*>& annotationList();

// The longest display name among the arguments of options.
extern unsigned optionColumnWidth;
// The longest "<name>" of a positional argument.
extern unsigned argumentColumnWidth;
// Set by ProgramInfo::init as its last action after a successful parse.
extern bool commandLineParsed;

namespace testing {
// Test-only: empties the three registries and resets the column widths and
// commandLineParsed, so that a test can declare its own objects. The objects
// registered before are forgotten, not destroyed.
void clearRegistries();
}  // namespace testing

}  // namespace kw::cmdline

#endif  // KW_CMDLINE_CMDLINE_H_
