#include "main/scan_run.h"

#include <string>

#include "Lib/kw/err/error.h"
#include "library/scan.h"
#include "main/output_plan.h"
#include "main/scan_options.h"
#include "playlist/numbers.h"
#include "playlist/path_forms.h"
#include "playlist/writer.h"

namespace trackmend {
namespace {

bool endsInPls(const std::string& name) { return kw::equalsIgnoringCase(kw::extensionOf(name), ".pls"); }

void scanAndSave(int argc, char** argv, std::ostream& out, std::ostream& err, std::ostream* liveCount) {
  scanProgramInfo.init(argc, argv);
  const std::string& output = scanPlaylistArgument.currentValue;
  checkRenameTarget(output, kw::correctedPlaylistName(output, endsInPls(output)));
  checkOutput(output);
  kw::PlayList songs(scanFolderArgument.currentValue);
  kw::ScanSettings settings;
  settings.liveCount = liveCount;
  kw::scanFolder(songs, out, err, settings);
  songs.fileName = scanPlaylistArgument.currentValue;
  songs.plsFormat = endsInPls(songs.fileName);
  kw::savePlaylist(songs, out, err);
}

}  // namespace

int runScan(int argc, char** argv, std::ostream& out, std::ostream& err, std::ostream* liveCount) {
  return kw::err::runMainFlow([&] { scanAndSave(argc, argv, out, err, liveCount); }, out, err);
}

}  // namespace trackmend
