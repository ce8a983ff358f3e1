#include "main/output_plan.h"

#include <cerrno>
#include <optional>
#include <utility>

#include "Lib/kw/err/error.h"
#include "Lib/kw/sys_dep/file_system.h"
#include "Lib/kw/sys_dep/path.h"
#include "Lib/kw/sys_dep/path_rules.h"
#include "playlist/reader.h"
#include "playlist/writer.h"

namespace trackmend {
namespace {

using kw::err::formatString;

// A name as the plan compares it, worked out once: a run may name
// thousands of playlists, and every output is compared with every input.
struct Named {
  std::string name;
  std::optional<kw::sys_dep::FileIdentity> identity;  // when the file exists
  std::string resolved;                               // absolute, ".." resolved, case folded
};

struct Output {
  Named given;
  Named final;
};

// The playlist `name` as far as its kind goes (empty when it cannot be
// read, is refused or is no regular file: it will not be saved).
std::optional<kw::PlayList> detected(const std::string& name) {
  kw::PlayList list(name);
  try {
    kw::fileToReplace(name);
    kw::detectPlaylist(list);
  } catch (const kw::err::Error&) {
    return std::nullopt;
  }
  return list;
}

std::optional<kw::sys_dep::FileIdentity> identityOf(const std::string& name) {
  try {
    const kw::sys_dep::FileStatus status = kw::sys_dep::fileStatus(name, true, name);
    if (status.type != kw::sys_dep::FileType::kMissing) return status.identity;
  } catch (const kw::err::Error&) {
  }
  return std::nullopt;
}

Named named(const std::string& name) {
  const std::string resolved = kw::sys_dep::resolvedAsKernel(kw::sys_dep::absolutePath(name));
  return {name, identityOf(name), kw::sys_dep::caseFolded(resolved)};
}

bool same(const Named& a, const Named& b) {
  if (a.identity && b.identity) return *a.identity == *b.identity;
  return a.resolved == b.resolved;
}

void refuseInputAsOutput(const std::string& output, const std::string& input) {
  if (!sameFile(output, input)) return;
  throw kw::err::Error(formatString("Output playlist '%s' is also an input playlist.", output.c_str()));
}

// The check that came first and keeps its text: the missing list or the
// finder's output is one of the playlists read.
void checkInputsNotOutputs(const RunFiles& files) {
  if (files.dupeOutput) return refuseInputAsOutput(*files.dupeOutput, files.validList);
  if (!files.missingList) return;
  refuseInputAsOutput(*files.missingList, files.validList);
  for (const std::string& name : files.invalidLists) refuseInputAsOutput(*files.missingList, name);
}

std::vector<Named> inputsOf(const RunFiles& files) {
  std::vector<Named> inputs{named(files.validList)};
  if (files.dupeOutput) return inputs;
  for (const std::string& name : files.invalidLists) inputs.push_back(named(name));
  if (files.missingList && files.appendMissing) inputs.push_back(named(*files.missingList));
  return inputs;
}

Output output(const std::string& given, const std::string& final) { return {named(given), named(final)}; }

// The outputs in command-line order: the option's output, then the
// invalidLists, each with the name it will be saved under.
std::vector<Output> outputsOf(const RunFiles& files) {
  std::vector<Output> outputs;
  if (files.dupeOutput) {
    outputs.push_back(output(*files.dupeOutput, kw::correctedPlaylistName(*files.dupeOutput, false)));
    return outputs;
  }
  if (files.missingList) {
    // Read under -A, the missing list keeps PLS; it is never written as XML.
    const std::optional<kw::PlayList> read = files.appendMissing ? detected(*files.missingList) : std::nullopt;
    const bool pls = files.toPls || (read && read->plsFormat);
    outputs.push_back(output(*files.missingList, kw::correctedPlaylistName(*files.missingList, pls)));
  }
  for (const std::string& name : files.invalidLists) {
    std::optional<kw::PlayList> list = detected(name);
    if (!list) continue;
    applyTargetFormat(*list, files.toPls, files.toM3u);
    outputs.push_back(output(name, kw::savedName(*list)));
  }
  return outputs;
}

void checkAgainstInputs(const Output& output, const std::vector<Named>& inputs) {
  for (const Named& input : inputs) {
    if (same(input, output.given) || !same(input, output.final)) continue;
    throw kw::err::Error(
        formatString("Output playlist '%s' would be saved as '%s', which is also the input playlist '%s'.",
                     output.given.name.c_str(), output.final.name.c_str(), input.name.c_str()));
  }
}

void checkAgainstEarlier(const Output& output, const Output& earlier) {
  if (same(output.given, earlier.given)) return;  // one playlist named twice
  for (const Named* mine : {&output.final, &output.given}) {
    for (const Named* theirs : {&earlier.final, &earlier.given}) {
      if (!same(*mine, *theirs)) continue;
      throw kw::err::Error(formatString("Output playlists '%s' and '%s' would both be saved as '%s'.",
                                        earlier.given.name.c_str(), output.given.name.c_str(), mine->name.c_str()));
    }
  }
}

// The save renames an output onto its final name only where no file is:
// found now, before the work, rather than when the run is done.
void checkRenameTarget(const Output& output) {
  if (output.given.name == output.final.name || !kw::sys_dep::lookUpFile(output.final.name, false)) return;
  if (output.given.identity && output.given.identity == output.final.identity) return;  // the file itself
  errno = EEXIST;
  throw kw::err::IOError(output.given.name + " -> " + output.final.name, "rename");
}

}  // namespace

void checkOutputPlan(const RunFiles& files) {
  checkInputsNotOutputs(files);
  const std::vector<Named> inputs = inputsOf(files);
  const std::vector<Output> outputs = outputsOf(files);
  for (size_t k = 0; k < outputs.size(); ++k) {
    checkAgainstInputs(outputs[k], inputs);
    for (size_t j = 0; j < k; ++j) checkAgainstEarlier(outputs[k], outputs[j]);
    checkRenameTarget(outputs[k]);
  }
}

void checkRenameTarget(const std::string& given, const std::string& final) {
  checkRenameTarget(output(given, final));
}

void checkOutput(const std::string& name) {
  kw::checkSavable(name);
  if (!identityOf(name)) return;
  kw::PlayList list(name);
  kw::detectPlaylist(list);
}

void applyTargetFormat(kw::PlayList& list, bool toPls, bool toM3u) {
  if (toPls || toM3u) list.xmlSource.reset();
  if (!list.plsFormat && toPls) {
    list.plsFormat = true;
  } else if (list.plsFormat && toM3u) {
    list.plsFormat = false;
  }
}

bool sameFile(const std::string& a, const std::string& b) { return same(named(a), named(b)); }

}  // namespace trackmend
