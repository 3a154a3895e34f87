// The browser's inputs to the folder rules: its saved files stay in the page's storage, mounted as
// the working folder, and its data where the page preloads it.
#include "media/paths.h"

namespace media {

placeinputs hostinputs(const std::string& portablearg) {
  placeinputs in;
  in.portablearg = portablearg;
  in.workingfolder = true;
  return in;
}

}  // namespace media
