// Command-line options of the portable program (the Windows program takes none): what the
// platform is asked to be (headless, windowed, display format, capture, scripted keys).
#pragma once

#include "settings.h"

#include <string>

namespace portable {

struct SOptionsOutcome {
    bool bRun = true;      // false: print `message` and exit with `nExitCode`
    int nExitCode = 0;
    std::string message;   // for standard output when nExitCode is 0, else standard error
};

SOptionsOutcome ParseOptions(int argc, const char* const* argv, CSettings& settings);

}  // namespace portable
