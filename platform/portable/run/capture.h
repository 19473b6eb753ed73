// Capture of the portable program (--capture): every presented frame written as a PNG file into
// a folder made ready at start-up (capture.cpp; capture_none.cpp in the web page, which cannot).
#pragma once

#include <cstdint>
#include <string>

namespace portable {

// Makes `dir` ready for a capture and captures into it from now on: created when missing. Frame
// files an earlier capture left there are refused (false, status 2), or removed when `bReplace`;
// false and status 1 when the folder cannot be made ready. `message` is the line to print. The
// folder is held open from here on: what its path names later does not matter; messages still
// name files by `dir`.
bool PrepareCaptureFolder(const std::string& dir, bool bReplace, std::string& message, int& nStatus);
// Captures into `dir` as it is, opened now but unprepared and unlocked (a test's); empty: no
// capture.
void SetCaptureFolder(const std::string& dir);
bool IsCapturing();
// Writes `pRgb` (640x480x3) as frame-NNNNNN.png in the capture folder: under a temporary name,
// renamed once complete. A failure says why in one line and ends the run with status 1.
void CaptureFrame(int nFrame, const std::uint8_t* pRgb);
// No capture, no folder held.
void ResetCapture();

}  // namespace portable
