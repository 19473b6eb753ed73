// How a run of the portable program ends when the program itself did not decide it: signals
// (SIGINT, SIGTERM, SIGHUP), a failed capture, lost standard output; the exit status each
// gives; the frame file being written, removed when the process goes before it is complete.
// The signal handler only sets a flag the message loop polls (window.cpp): nothing else here
// may run inside it but _exit, unlinkat, write and alarm. A run stuck where nothing polls the
// flag (a call into a display library that never returns) is ended by an alarm. A process
// forked off the program (SDL shows the system's box from one) ends with it, however it ends.
#include "ending.h"

#include "../display/display.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace portable {
namespace {

volatile std::sig_atomic_t g_nSignal = 0;        // the first of the signals that ended the run
volatile std::sig_atomic_t g_bSignalSeen = 0;    // a waiting loop has seen it: the shutdown runs
volatile std::sig_atomic_t g_bSystemModal = 0;   // a box of the system's is up
volatile std::sig_atomic_t g_bPartialFile = 0;   // g_szPartialFile is being written
int g_nPartialFolder = -1;   // the open folder g_szPartialFile is in
char g_szPartialFile[256];   // a name within that folder
int g_nRequestedStatus = -1;  // RequestEnd's status; -1: none
int g_nFailureStatus = 0;     // NoteFailure's status; 0: none
bool g_bStdoutReported = false;

// The message loop must see a signal within a second, and the shutdown it then starts must be
// done within five; a run that misses either is stuck in a call that never returns (a dead
// display connection's) and ends at once.
constexpr unsigned kSignalSeenSeconds = 1;
constexpr unsigned kShutdownSeconds = 5;

[[noreturn]] void EndAtOnce(int nStatus)
{
    if (g_bPartialFile)
        unlinkat(g_nPartialFolder, g_szPartialFile, 0);
    _exit(nStatus);
}

void OnSignal(int nSignal)
{
    // A second signal means "now"; so does one while the system's box runs a loop of its own
    // that would never look at the flag. The shutdown cannot run from here: only what is
    // safe in a handler is done.
    if (g_nSignal != 0 || g_bSystemModal)
        EndAtOnce(128 + nSignal);
    g_nSignal = nSignal;
    alarm(kSignalSeenSeconds);
}

void OnOverdue(int)
{
    EndAtOnce(128 + g_nSignal);
}

void WriteError(const char* psz)
{
    for (std::size_t n = std::strlen(psz); n > 0;) {
        const ssize_t nWritten = write(STDERR_FILENO, psz, n);
        if (nWritten <= 0 && errno != EINTR)
            return;
        if (nWritten > 0) {
            psz += nWritten;
            n -= static_cast<std::size_t>(nWritten);
        }
    }
}

#if defined(__linux__)
pid_t g_nProgramPid = 0;  // set once the children's set-up below is in place

// Runs in every child just after fork. SDL shows the system's box from a child process of its
// own and only waits for it: left alone, that box would outlive a program ended by a signal
// (or killed) and wait for a click nobody owes it. The kernel kills the child when the
// program is gone, whatever ended it; a program gone before this line ends the child here.
void OnForkInChild()
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != g_nProgramPid)
        _exit(1);
}
#endif

void EndChildrenWithProgram()
{
#if defined(__linux__)
    if (g_nProgramPid != 0)
        return;
    g_nProgramPid = getpid();
    pthread_atfork(nullptr, nullptr, OnForkInChild);
#endif
}

}  // namespace

void InstallSignalHandlers()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // a write under way is finished, not cut short
    for (int nSignal : {SIGINT, SIGTERM, SIGHUP}) {
        // What the parent chose to ignore stays ignored: nohup, a background job's SIGINT.
        struct sigaction previous;
        if (sigaction(nSignal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        sigaction(nSignal, &action, nullptr);
    }
    action.sa_handler = OnOverdue;
    sigaction(SIGALRM, &action, nullptr);
    EndChildrenWithProgram();
}

void RequestEnd(int nStatus)
{
    if (g_nRequestedStatus < 0)
        g_nRequestedStatus = nStatus;
}

bool EndRequested()
{
    if (g_nSignal != 0 && !g_bSignalSeen) {
        g_bSignalSeen = 1;
        alarm(kShutdownSeconds);
    }
    return g_nSignal != 0 || g_nRequestedStatus >= 0;
}

void ReportNoDisplay(const std::string& why)
{
    std::fprintf(stderr, "korvan: no display available (%s); use --headless to run without one\n",
                 why.c_str());
}

void EndForLostDisplay(const char* pszServer)
{
    WriteError("korvan: the display went away (lost the connection to ");
    WriteError(pszServer);
    WriteError("); the run ends here\n");
    EndAtOnce(1);
}

void NoteFailure(int nStatus)
{
    if (g_nFailureStatus == 0)
        g_nFailureStatus = nStatus;
}

int ExitStatus(int nProgramResult)
{
    if (g_nSignal != 0)
        return 128 + g_nSignal;
    if (g_nRequestedStatus >= 0)
        return g_nRequestedStatus;
    if (g_nFailureStatus != 0)
        return g_nFailureStatus;
    return nProgramResult;
}

bool FlushStandardOutput()
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    const int nError = errno;
    if (!g_bStdoutReported) {
        g_bStdoutReported = true;
        std::fprintf(stderr, "korvan: cannot write to standard output: %s\n",
                     nError ? std::strerror(nError) : "write error");
    }
    NoteFailure(1);
    return false;
}

void SetSystemModal(bool bUp)
{
    g_bSystemModal = bUp ? 1 : 0;
}

void SetPartialFile(int nFolder, const char* pszName)
{
    g_bPartialFile = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (!pszName || std::strlen(pszName) >= sizeof g_szPartialFile)
        return;
    g_nPartialFolder = nFolder;
    std::strcpy(g_szPartialFile, pszName);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    g_bPartialFile = 1;
}

void RemovePartialFile()
{
    if (g_bPartialFile)
        unlinkat(g_nPartialFolder, g_szPartialFile, 0);
    SetPartialFile(-1, nullptr);
}

void ResetEnding()
{
    alarm(0);
    g_nSignal = 0;
    g_bSignalSeen = 0;
    g_bSystemModal = 0;
    g_bPartialFile = 0;
    g_nRequestedStatus = -1;
    g_nFailureStatus = 0;
    g_bStdoutReported = false;
}

}  // namespace portable
