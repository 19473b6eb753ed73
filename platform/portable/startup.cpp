// Portable start-up: turns the command line into platform settings and calls WinMain.
#include "startup.h"

#include "../winapi.h"

namespace portable {

int PlatformMain(int /*argc*/, char** /*argv*/)
{
    static char s_EmptyCommandLine[] = "";
    return WinMain(GetModuleHandleA(nullptr), nullptr, s_EmptyCommandLine, SW_SHOWDEFAULT);
}

}  // namespace portable
