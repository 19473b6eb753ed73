// Capture in the web page, which has no folder to write frames to: the page refuses --capture
// before the program starts, and this file stands in for capture.cpp so that libpng and zlib
// stay out of the page's download. The node build links capture.cpp.
#include "capture.h"

namespace portable {

bool PrepareCaptureFolder(const std::string&, bool, std::string& message, int& nStatus)
{
    message = "korvan: the web page cannot capture frames; the native program can (--capture)\n";
    nStatus = 2;
    return false;
}

bool IsCapturing()
{
    return false;
}

void CaptureFrame(int, const std::uint8_t*) {}

void SetCaptureFolder(const std::string&) {}

void ResetCapture() {}

}  // namespace portable
