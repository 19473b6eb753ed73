// What the run does after each presented frame (frame_script.cpp): writes it to the capture
// folder, and presses the keys the command line scripted (--key, and Escape after --frames).
#pragma once

#include "settings.h"

#include <vector>

namespace portable {

// From now on every counted frame is captured (when a folder is set) and then gets its keys;
// `nFrames` 0 presses no Escape.
void StartFrameScript(const std::vector<SKeyAt>& keys, int nFrames);

}  // namespace portable
