// Portable start-up: standard streams and SIGXFSZ made safe, options, then the capture folder,
// the signal handlers and the display (the desktop's or the browser's, or the headless one),
// then the program's WinMain, whose result is the exit code unless the run was ended from
// outside (ending.cpp). Running out of memory ends the run here, in one line.
#include "startup.h"

#include "../ddraw/ddraw.h"
#include "../display/display.h"
#include "capture.h"
#include "ending.h"
#include "frame_script.h"
#include "options.h"

#include <fcntl.h>
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <new>

namespace portable {
namespace {

constexpr int kDefaultHeadlessFrames = 1000;  // one per 10 ms timer tick

// The process as its caller left it, made safe before anything else runs.
// A standard stream the caller closed leaves its number free for the next file opened: the X
// connection once took descriptor 1 and got the credits written into it. Each closed one is
// opened on /dev/null the wrong way round, as careful daemons do, so that using it still
// fails as a closed stream does (EBADF) and nothing else can take its number. A file-size
// limit (ulimit -f) would kill the process in the middle of a write: ignored, the write fails
// with EFBIG instead and is reported like a full disk.
void PrepareProcess()
{
    signal(SIGXFSZ, SIG_IGN);
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // It gets the lowest free number, fd itself: the ones below are open by now.
        open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
    }
}

int Run(int argc, char** argv)
{
    CSettings settings;
    const SOptionsOutcome outcome = ParseOptions(argc, argv, settings);
    if (!outcome.bRun) {
        std::fputs(outcome.message.c_str(), outcome.nExitCode == 0 ? stdout : stderr);
        return FlushStandardOutput() ? outcome.nExitCode : 1;
    }
    if (!settings.captureDir.empty()) {
        std::string message;
        int nStatus = 0;
        if (!PrepareCaptureFolder(settings.captureDir, settings.bReplaceFrames, message, nStatus)) {
            std::fputs(message.c_str(), stderr);
            return nStatus;
        }
    }
    if (settings.bHeadless && settings.nFrames == 0) {
        // Nothing can press Escape without a display: such a run would never end, and with
        // --capture it would fill the disk. Ten seconds of the intro, then.
        settings.nFrames = kDefaultHeadlessFrames;
        std::fprintf(stderr, "korvan: headless without --frames: stopping after %d frames (10 s)\n",
                     kDefaultHeadlessFrames);
    }
    SetSixteenBitFormat(settings.format);
    StartFrameScript(settings.keys, settings.nFrames);
    InstallSignalHandlers();
    const SDisplay& display = settings.bHeadless ? g_HeadlessDisplay : g_DeviceDisplay;
    const SDisplayOptions displayOptions{.bWindowed = settings.bWindowed,
                                         .bVsync = settings.bVsync,
                                         .bDrawnBoxes = settings.bDrawnBoxes,
                                         .scaling = settings.scaling};
    std::string error;
    if (!display.Start(displayOptions, error)) {
        ReportNoDisplay(error);
        return 1;
    }
    UseDisplay(display);
    static char s_szCommandLine[] = "";
    int nResult = 0;
    try {
        nResult = WinMain(GetModuleHandleA(nullptr), nullptr, s_szCommandLine, SW_SHOWDEFAULT);
    } catch (const CWindowNotShown& notShown) {
        Display().Shutdown();
        ReportNoDisplay(notShown.what());
        return 1;
    }
    Display().Shutdown();
    FlushStandardOutput();
    return ExitStatus(nResult);
}

}  // namespace

int PlatformMain(int argc, char** argv)
{
    PrepareProcess();
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        // Nothing below may allocate: every further request could fail as well.
        RemovePartialFile();
        Display().Shutdown();
        std::fputs("korvan: out of memory; close other programs and run it again\n", stderr);
        return 1;
    }
}

}  // namespace portable
