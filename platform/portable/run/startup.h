// Start-up of the portable platform: parses the options, sets the backend up and runs the
// program's WinMain. Called by the portable main() (main.cpp) and nothing else.
#pragma once

namespace portable {

int PlatformMain(int argc, char** argv);

}  // namespace portable
