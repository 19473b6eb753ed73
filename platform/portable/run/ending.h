// How a run of the portable program ends when the program itself did not decide it (ending.cpp):
// signals, a failed capture, lost standard output, and the exit status each gives. The one call
// a display makes here, SetSystemModal, is declared in the display seam.
#pragma once

#include <stdexcept>
#include <string>

namespace portable {

// SIGINT, SIGTERM and SIGHUP end the run as RequestEnd does, with status 128 + n; a second one,
// or one while a box of the system's is up (its loop is not ours), ends the process at once.
// Every child process (the system's box) is killed when the program ends.
void InstallSignalHandlers();
// The message loop ends the run at its next turn (window.cpp): the main window is destroyed, so
// the program's shutdown runs, its boxes printed rather than shown; the exit status is nStatus.
void RequestEnd(int nStatus);
bool EndRequested();  // a signal came or RequestEnd was called; every waiting loop polls it
// There is no display to show the run on (`why` says what failed): says so on standard error,
// with what to do instead. The caller ends the run with status 1.
void ReportNoDisplay(const std::string& why);
// The display started but cannot show the program's window: thrown out of ShowWindow, through
// the program, to start-up, which ends the run as if there were no display at all.
struct CWindowNotShown : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// A failure the run goes on after (output lost): the exit status becomes nStatus.
void NoteFailure(int nStatus);
// The process's exit status given the program's own result.
int ExitStatus(int nProgramResult);
// Flushes standard output; a failure is reported once on standard error and noted (status 1).
bool FlushStandardOutput();
// The file being written, `pszName` in the open folder `nFolder` (null: none): removed if the
// process has to end before it is complete. The folder stays open while a file is set.
void SetPartialFile(int nFolder, const char* pszName);
void RemovePartialFile();
void ResetEnding();

}  // namespace portable
