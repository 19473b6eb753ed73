// The whole program over thousands of frames, headless: start-up, CIntroWnd, the framework's
// frame cycle and the portable platform allocate nothing per frame, and the animation counters
// move once per presented frame; memory running out ends a run in one line. Its own
// executable, because it replaces the global operator new; every run is a fresh child process,
// started the way the program starts.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <vector>

#include "winapi.h"
#include "portable/run/startup.h"
#include "portable/testing/testing.h"

#include "bump_map.h"
#include "counting_new.h"
#include "scroller.h"

using ktest::g_nFailNewFrom;
using ktest::g_nNewCalls;

namespace {

struct SRun {
    int nExit = -1;
    long nNewCalls = 0;  // from entering the program's main to its return
    int nFrames = 0;     // presented
    std::uint32_t nScrollPos = 0;
    int nLightPhase = 0;
};

// Runs the program's main with `options` in a child process; its printed credits are dropped,
// its standard error kept in `*pStderr` if given. From the `nFailNewAt`-th operator new in the
// program on (0: never), every one throws std::bad_alloc.
SRun RunProgram(std::vector<std::string> options, long nFailNewAt = 0, std::string* pStderr = nullptr)
{
    int fds[2];
    int errFds[2];
    if (pipe(fds) != 0 || pipe(errFds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        close(errFds[0]);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        if (pStderr)
            dup2(errFds[1], STDERR_FILENO);
        options.insert(options.begin(), "korvan");
        std::vector<char*> argv;
        for (std::string& option : options)
            argv.push_back(option.data());
        argv.push_back(nullptr);
        SRun run;
        const long nBefore = g_nNewCalls;
        g_nFailNewFrom = nFailNewAt ? nBefore + nFailNewAt : 0;
        run.nExit = portable::PlatformMain(static_cast<int>(options.size()), argv.data());
        g_nFailNewFrom = 0;
        run.nNewCalls = g_nNewCalls - nBefore;
        run.nFrames = portable::test::PresentedFrames();
        run.nScrollPos = g_nScrollPos;
        run.nLightPhase = g_nLightPhase;
        const bool bSent = write(fds[1], &run, sizeof(run)) == static_cast<ssize_t>(sizeof(run));
        _exit(bSent ? 0 : 1);  // no exit handlers: the parent's state is not the child's to end
    }
    close(fds[1]);
    close(errFds[1]);
    SRun run;
    const bool bRead = pid > 0 && read(fds[0], &run, sizeof(run)) == static_cast<ssize_t>(sizeof(run));
    close(fds[0]);
    char buffer[4096];
    for (ssize_t n; pStderr && (n = read(errFds[0], buffer, sizeof buffer)) > 0;)
        pStderr->append(buffer, static_cast<std::size_t>(n));
    close(errFds[0]);
    int status = 0;
    if (pid > 0)
        waitpid(pid, &status, 0);
    return bRead && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? run : SRun{};
}

class FrameAlloc : public testing::TestWithParam<const char*> {};

// Two runs that differ only in length: a frame that allocated would show up 3,000 times over.
// Both go past one whole scroller pass (1,358 frames), so every glyph has been drawn once and
// cached before either ends.
TEST_P(FrameAlloc, ThreeThousandMoreFramesAllocateNothingMore)
{
    const SRun shortRun = RunProgram({"--headless", "--display-format", GetParam(), "--frames", "1400"});
    const SRun longRun = RunProgram({"--headless", "--display-format", GetParam(), "--frames", "4400"});
    ASSERT_EQ(shortRun.nExit, 0);
    ASSERT_EQ(longRun.nExit, 0);
    EXPECT_EQ(longRun.nFrames - shortRun.nFrames, 3000);
    EXPECT_GT(shortRun.nNewCalls, 0) << "operator new is not the one counted";
    EXPECT_EQ(longRun.nNewCalls, shortRun.nNewCalls);
}

INSTANTIATE_TEST_SUITE_P(DisplayFormats, FrameAlloc, testing::Values("565", "555", "32"));

// 3,000 frames = two scroller passes of 1,358 frames and 284 frames more (position 284 * 7);
// the light moves 2 per frame. A frame drawn twice or skipped would move either off.
TEST(ProgramCounters, MoveOncePerPresentedFrame)
{
    const SRun run = RunProgram({"--headless", "--frames", "3000"});
    ASSERT_EQ(run.nExit, 0);
    EXPECT_EQ(run.nFrames, 3000);
    EXPECT_EQ(run.nScrollPos, 1988u);
    EXPECT_EQ(run.nLightPhase, 6000);
}

// Memory running out wherever a run allocates (options, windows, DirectDraw, the scene, the
// shutdown) ends it with one line and status 1: no abort, no other complaint.
TEST(ProgramOutOfMemory, EndsTheRunWithOneLineAndStatusOne)
{
    const SRun whole = RunProgram({"--headless", "--frames", "50"});
    ASSERT_EQ(whole.nExit, 0);
    for (long nAt : {1L, whole.nNewCalls / 4, whole.nNewCalls / 2, whole.nNewCalls - 1}) {
        std::string diagnostic;
        const SRun run = RunProgram({"--headless", "--frames", "50"}, nAt, &diagnostic);
        EXPECT_EQ(run.nExit, 1) << "failing from operator new " << nAt;
        EXPECT_EQ(diagnostic, "korvan: out of memory; close other programs and run it again\n")
            << "failing from operator new " << nAt;
    }
}

// Headless nothing presses Escape; without a count the run would never end.
TEST(ProgramCounters, HeadlessRunWithoutFrameCountEndsAfterTenSeconds)
{
    const SRun run = RunProgram({"--headless"});
    ASSERT_EQ(run.nExit, 0);
    EXPECT_EQ(run.nFrames, 1000);
}

}  // namespace
