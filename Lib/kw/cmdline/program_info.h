// The program information object (name, version, purpose, the command-line
// parser and the program's location), the usage text, the rules between
// options and the two command-line error classes.
#ifndef KW_CMDLINE_PROGRAM_INFO_H_
#define KW_CMDLINE_PROGRAM_INFO_H_

#include <iosfwd>
#include <string>

#include "Lib/kw/cmdline/cmdline.h"
#include "Lib/kw/err/error.h"
#include "Lib/kw/err/singleton.h"

namespace kw::cmdline {

// The one object describing the running program. A second live instance
// throws kw::err::InternalError from the singleton guard. Building it makes
// `programName` the default location of every later kw::err::Error.
class ProgramInfo : private kw::SingletonGuard<ProgramInfo> {
 public:
  ProgramInfo(const char* programName, int majorVersion, int minorVersion, const char* purpose,
              const char* buildDate);
  ~ProgramInfo();
  ProgramInfo(const ProgramInfo&) = delete;
  ProgramInfo& operator=(const ProgramInfo&) = delete;

  // The parser. Installs the terminate handler on its first call, checks
  // that no two options share a character, marks defaults for the usage
  // text, locates the program from argv[0] and stores argv[1..argc-1] in the
  // declared objects; sets commandLineParsed as its last action.
  // Throws InfoError (help request, bad or missing words), StringError
  // (unknown long option), kw::err::InternalError (duplicated option
  // character) and whatever locateProgram throws. Values stored before a
  // failure stay stored.
  void init(int argc, char** argv);

  // Fills callPath with the current directory and programPath with the
  // directory of the program's executable, tried as `argv0`, "./" + argv0,
  // each PATH directory + "/" + argv0, and finally the executable the
  // system says is running (kw::sys_dep::runningProgramFile). Throws kw::err::Error("Can't detect location of
  // <name>.exe -- please call with full pathname") when none is a file,
  // kw::err::IOError when the current directory cannot be obtained.
  void locateProgram(const std::string& argv0);

  // The directory the program was started from / its executable lies in.
  // Throw kw::err::InternalError before init() has completed.
  const std::string& CallPath() const;
  const std::string& ProgramPath() const;

  // Throws InfoError(true, text, *this).
  [[noreturn]] void usageError(const std::string& text) const;

  std::string programName;
  int majorVersion;
  int minorVersion;
  std::string purpose;
  std::string buildDate;
  std::string programPath;
  std::string callPath;

 private:
  // Records the directory of `candidate` when it (or it + ".exe") is a file.
  bool tryProgramLocation(const std::string& candidate);
};

// The author named in the banner of the usage text.
std::string authorName();

// Writes the whole usage text of `info` and the declared objects: banner,
// purpose, usage line, argument list, option list, contact line.
void printUsage(const ProgramInfo& info, std::ostream& os);

// Writes `text` from the current column, wrapped at blanks so that
// `width` - `indent` characters fit on a line; every further line (also
// after an embedded line feed) starts with `margin` + `indent` blanks. A
// word longer than a line is cut hard. Ends with a line feed.
void printWrapped(std::ostream& os, unsigned indent, unsigned margin, unsigned width, const std::string& text);

// Throws InfoError "Option -<a> can't be used together with -<b>" for the
// first given option a of `groupA` and given option b of `groupB` (a != b).
// Both arrays end with a null pointer. InternalError before init().
void exclude(const ProgramInfo& info, CmdLineOption* const groupA[], CmdLineOption* const groupB[]);

// Throws InfoError "Specifying option -<d> does not make sense without option
// -<r>" when `dependent` is given and `required` is not active.
void requireOption(const ProgramInfo& info, const CmdLineOption& required, const CmdLineOption& dependent);

// Throws InfoError "You have to specify one of the options -a, -b or -c."
// when none of `options` (null-terminated) is given. InternalError before init().
void requireOneOf(const ProgramInfo& info, CmdLineOption* const options[]);

// Sets `counter` to the number of given options of the null-terminated
// `options` and returns them as a list " -a, -b <conjunction> -c" (only the
// given ones when `onlyGiven`). InternalError before init().
std::string countOptions(CmdLineOption* const options[], unsigned& counter, const std::string& conjunction,
                         bool onlyGiven);

}  // namespace kw::cmdline

// A command-line error: its report is preceded by the usage text.
class InfoError : public kw::err::Error {
 public:
  // `info` must outlive the error (it is the program's static object).
  InfoError(bool withPrefix, const std::string& text, const kw::cmdline::ProgramInfo& info);
  // The usage text, then the report of kw::err::Error.
  void print(std::ostream& os) const override;

  const kw::cmdline::ProgramInfo* programInfo;
};

// An error whose report is followed by an extra text.
class StringError : public kw::err::Error {
 public:
  StringError(bool withPrefix, const std::string& text, const std::string& extraText);
  // The report of kw::err::Error, then `extraText` unchanged.
  void print(std::ostream& os) const override;

  std::string extraText;
};

#endif  // KW_CMDLINE_PROGRAM_INFO_H_
