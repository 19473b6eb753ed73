// Portable start-up: options, then the display (or none, headless), then the program's
// WinMain, whose result is the exit code.
#include "startup.h"

#include "options.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace portable {
namespace {

constexpr int kDefaultHeadlessFrames = 1000;  // one per 10 ms timer tick

}  // namespace

int PlatformMain(int argc, char** argv)
{
    CSettings settings;
    settings.bHeadless = false;
    const SOptionsOutcome outcome = ParseOptions(argc, argv, settings);
    if (!outcome.bRun) {
        std::fputs(outcome.message.c_str(), outcome.nExitCode == 0 ? stdout : stderr);
        return outcome.nExitCode;
    }
    if (!settings.captureDir.empty()) {
        std::error_code error;
        std::filesystem::create_directories(settings.captureDir, error);
        if (error) {
            std::fprintf(stderr, "korvan: cannot create capture folder %s: %s\n",
                         settings.captureDir.c_str(), error.message().c_str());
            return 1;
        }
    }
    if (settings.bHeadless && settings.nFrames == 0) {
        // Nothing can press Escape without a display: such a run would never end, and with
        // --capture it would fill the disk. Ten seconds of the intro, then.
        settings.nFrames = kDefaultHeadlessFrames;
        std::fprintf(stderr, "korvan: headless without --frames: stopping after %d frames (10 s)\n",
                     kDefaultHeadlessFrames);
    }
    g_Settings = settings;
    if (!settings.bHeadless) {
        std::string error;
        if (!DisplayStart(error)) {
            std::fprintf(stderr, "korvan: no display available (%s); use --headless to run without one\n",
                         error.c_str());
            return 1;
        }
    }
    static char s_szCommandLine[] = "";
    const int nResult = WinMain(GetModuleHandleA(nullptr), nullptr, s_szCommandLine, SW_SHOWDEFAULT);
    DisplayShutdown();
    return nResult;
}

}  // namespace portable
