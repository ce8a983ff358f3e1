#include "Lib/kw/cmdline/program_info.h"

#include <ostream>

#include "Lib/kw/err/kw_assert.h"
#include "Lib/kw/sys_dep/path.h"
#include "Lib/kw/sys_dep/program_file.h"

namespace kw::cmdline {

namespace {

const char kMargin[] = " ";
const char kOptionHeading[] = "<opts>::= ";
const unsigned kHeadingWidth = 10;
const unsigned kUsageWidth = 78;

void checkInit(const char* operation) {
  if (!commandLineParsed) throw kw::err::InternalError(std::string("ProgramInfo::init() not called in ") + operation);
}

void writeSeparator(std::ostream& os) { os << kMargin << std::string(78, '-') << '\n'; }

void writeBlanks(std::ostream& os, size_t count) { os << std::string(count, ' '); }

void printArguments(std::ostream& os) {
  const auto& arguments = argumentList();
  if (arguments.empty()) return;
  for (CmdLineArgument* argument : arguments) {
    std::string column = argument->CmdLineArgument::displayName();
    if (column.size() < argumentColumnWidth) column.resize(argumentColumnWidth, ' ');
    column += "::= ";
    os << kMargin << column;
    printWrapped(os, static_cast<unsigned>(column.size()), 1, kUsageWidth, argument->helpText());
  }
  os << '\n';
}

void printOptions(std::ostream& os) {
  const auto& annotations = annotationList();
  size_t nextAnnotation = 0;
  std::string heading = kOptionHeading;
  const auto& options = optionList();
  for (size_t count = 0; count < options.size(); ++count) {
    os << kMargin << heading;
    heading.assign(kHeadingWidth, ' ');
    if (nextAnnotation < annotations.size() &&
        annotations[nextAnnotation]->position == static_cast<int>(count)) {
      const CmdLineAnnotation& annotation = *annotations[nextAnnotation++];
      std::string text = annotation.helpText();
      if (annotation.blankLineBefore) text = "\n" + text + "\n";
      printWrapped(os, kHeadingWidth, 1, kUsageWidth, text);
      os << kMargin << heading;
    }
    options[count]->printOption(os);
    printWrapped(os, kHeadingWidth + optionColumnWidth + 3, 1, kUsageWidth, options[count]->helpText());
  }
  const unsigned indent = options.empty() ? 0 : kHeadingWidth;
  for (; nextAnnotation < annotations.size(); ++nextAnnotation) {
    printWrapped(os, indent, 1, kUsageWidth, "\n" + annotations[nextAnnotation]->helpText() + "\n");
  }
}

}  // namespace

ProgramInfo::ProgramInfo(const char* programName, int majorVersion, int minorVersion, const char* purpose,
                         const char* buildDate)
    : programName(programName),
      majorVersion(majorVersion),
      minorVersion(minorVersion),
      purpose(purpose),
      buildDate(buildDate) {
  kw::err::Error::setDefaultLocation(this->programName);
}

ProgramInfo::~ProgramInfo() = default;

const std::string& ProgramInfo::CallPath() const {
  checkInit("CallPath");
  return callPath;
}

const std::string& ProgramInfo::ProgramPath() const {
  checkInit("ProgramPath");
  return programPath;
}

void ProgramInfo::usageError(const std::string& text) const { throw InfoError(true, text, *this); }

bool ProgramInfo::tryProgramLocation(const std::string& candidate) {
  const bool windowsForm = kw::sys_dep::Path::pathSeparator == '\\';
  const std::string full = kw::sys_dep::toFullPath(candidate, windowsForm);
  kw::assertNonZero(full.size());
  if (!kw::sys_dep::isRegularFile(full) && !kw::sys_dep::isRegularFile(full + ".exe")) return false;
  programPath = kw::sys_dep::directoryPart(full);
  return true;
}

void ProgramInfo::locateProgram(const std::string& argv0) {
  callPath = kw::sys_dep::currentDirectory();
  if (tryProgramLocation(argv0) || tryProgramLocation("./" + argv0)) return;
  for (const std::string& directory : kw::sys_dep::Path().directories) {
    if (tryProgramLocation(directory + "/" + argv0)) return;
  }
  // A program started with an argv[0] that names no file (exec with a
  // made-up name) is still found through the system's record of its image.
  const std::string image = kw::sys_dep::runningProgramFile();
  if (!image.empty() && tryProgramLocation(image)) return;
  throw kw::err::Error(kw::err::formatString(
      "Can't detect location of %s.exe -- please call with full pathname", programName.c_str()));
}

std::string authorName() { return "the trackmend authors"; }

void printUsage(const ProgramInfo& info, std::ostream& os) {
  os << kMargin
     << kw::err::formatString("%s %i.%02i (%s) by %s\n", info.programName.c_str(), info.majorVersion,
                              info.minorVersion, info.buildDate.c_str(), authorName().c_str());
  writeSeparator(os);
  os << kMargin << "Purpose: ";
  printWrapped(os, 9, 1, kUsageWidth, info.purpose);
  os << kMargin << "Usage  : " << info.programName;
  if (!optionList().empty()) os << " <opts>";
  for (const CmdLineArgument* argument : argumentList()) os << ' ' << argument->displayName();
  os << "\n\n";
  printArguments(os);
  printOptions(os);
  writeSeparator(os);
  os << kMargin << "Contact: " << kw::err::contactAddress(info.programName) << '\n';
  writeSeparator(os);
  os.flush();
}

void printWrapped(std::ostream& os, unsigned indent, unsigned margin, unsigned width, const std::string& text) {
  const size_t lineFeed = text.find('\n');
  if (lineFeed != std::string::npos) {
    printWrapped(os, indent, margin, width, text.substr(0, lineFeed));
    writeBlanks(os, size_t{margin} + indent);
    printWrapped(os, indent, margin, width, text.substr(lineFeed + 1));
    return;
  }
  // Unsigned on purpose: an indent beyond the width means no wrapping.
  const unsigned capacity = width - indent;
  size_t start = 0;
  size_t remainder = text.size();
  bool wrapped = false;
  while (remainder > capacity) {
    if (wrapped) writeBlanks(os, size_t{margin} + indent);
    const size_t end = start + capacity;
    const size_t blank = text.rfind(' ', end);
    size_t next;
    if (blank != std::string::npos && blank > start) {
      os.write(text.data() + start, static_cast<std::streamsize>(blank - start));
      next = blank + 1;
    } else {
      os.write(text.data() + start, static_cast<std::streamsize>(end - start + 1));
      next = end + 1;
    }
    os << '\n';
    remainder -= next - start;
    start = next;
    wrapped = true;
  }
  if (wrapped) writeBlanks(os, size_t{margin} + indent);
  os.write(text.data() + start, static_cast<std::streamsize>(text.size() - start));
  os << '\n';
}

std::string countOptions(CmdLineOption* const options[], unsigned& counter, const std::string& conjunction,
                         bool onlyGiven) {
  checkInit("countOptions");
  unsigned total = 0;
  counter = 0;
  for (CmdLineOption* const* option = options; *option; ++option) {
    ++total;
    if ((*option)->given()) ++counter;
  }
  const unsigned last = onlyGiven ? counter : total;
  std::string list;
  unsigned k = 0;
  for (CmdLineOption* const* option = options; *option; ++option) {
    if (onlyGiven && !(*option)->given()) continue;
    ++k;
    if (k == last) {
      list += " " + conjunction;
    } else if (k != 1) {
      list += ",";
    }
    list += " -";
    list += (*option)->optionChar;
  }
  return list;
}

void exclude(const ProgramInfo& info, CmdLineOption* const groupA[], CmdLineOption* const groupB[]) {
  checkInit("exclude");
  for (CmdLineOption* const* a = groupA; *a; ++a) {
    if (!(*a)->given()) continue;
    for (CmdLineOption* const* b = groupB; *b; ++b) {
      if (!(*b)->given() || *b == *a) continue;
      info.usageError(std::string("Option -") + (*a)->optionChar + " can't be used together with -" +
                      (*b)->optionChar);
    }
  }
}

void requireOption(const ProgramInfo& info, const CmdLineOption& required, const CmdLineOption& dependent) {
  if (!dependent.given() || required.active) return;
  info.usageError(std::string("Specifying option -") + dependent.optionChar +
                  " does not make sense without option -" + required.optionChar);
}

void requireOneOf(const ProgramInfo& info, CmdLineOption* const options[]) {
  unsigned counter = 0;
  const std::string list = countOptions(options, counter, "or", false);
  if (counter == 0) info.usageError("You have to specify one of the options" + list + ".");
}

}  // namespace kw::cmdline

InfoError::InfoError(bool withPrefix, const std::string& text, const kw::cmdline::ProgramInfo& info)
    : kw::err::Error(withPrefix, text), programInfo(&info) {}

void InfoError::print(std::ostream& os) const {
  kw::cmdline::printUsage(*programInfo, os);
  kw::err::Error::print(os);
}

StringError::StringError(bool withPrefix, const std::string& text, const std::string& extraText)
    : kw::err::Error(withPrefix, text), extraText(extraText) {}

void StringError::print(std::ostream& os) const {
  kw::err::Error::print(os);
  os << extraText;
  os.flush();
}
