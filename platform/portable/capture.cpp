// PNG capture of the portable platform (--capture): the folder made ready (an earlier run's
// frames refused or replaced, never mixed in), and each presented frame written with libpng
// under a temporary name, renamed when complete, so that a frame-NNNNNN.png that exists is
// always whole. Any failure ends the run (status 1) with the file and the reason.
#include "faults.h"
#include "world.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace portable {
namespace {

const char kTemporarySuffix[] = ".tmp";
bool g_bCaptureFailed = false;

// frame-<six or more digits>.png, as CaptureFrame names them, or such a name with the
// temporary suffix (left by a process that was killed).
bool IsFrameFileName(const std::string& name)
{
    const std::string prefix = "frame-";
    std::string rest = name;
    const std::size_t nSuffix = sizeof kTemporarySuffix - 1;
    if (rest.size() > nSuffix && rest.compare(rest.size() - nSuffix, nSuffix, kTemporarySuffix) == 0)
        rest.resize(rest.size() - nSuffix);
    if (rest.rfind(prefix, 0) != 0 || rest.size() < prefix.size() + 6 + 4 ||
        rest.compare(rest.size() - 4, 4, ".png") != 0)
        return false;
    for (std::size_t i = prefix.size(); i < rest.size() - 4; ++i)
        if (rest[i] < '0' || rest[i] > '9')
            return false;
    return true;
}

// Where libpng's output goes, and why it stopped when it did.
struct SPngTarget {
    std::FILE* pFile;
    std::string reason;
};

void WriteData(png_structp png, png_bytep pData, png_size_t nLength)
{
    auto* pTarget = static_cast<SPngTarget*>(png_get_io_ptr(png));
    HRESULT nInjected = 0;
    if (FaultDue(Call::CaptureWrite, nInjected)) {
        std::fwrite(pData, 1, nLength / 2, pTarget->pFile);
        pTarget->reason = std::strerror(static_cast<int>(nInjected));
        png_error(png, "write");
    }
    if (std::fwrite(pData, 1, nLength, pTarget->pFile) != nLength) {
        pTarget->reason = std::strerror(errno);
        png_error(png, "write");
    }
}

void FlushNothing(png_structp) {}

// libpng's default would print "libpng error: ..." and leave the reason unknown.
void OnPngError(png_structp png, png_const_charp pszMessage)
{
    auto* pTarget = static_cast<SPngTarget*>(png_get_io_ptr(png));
    if (pTarget && pTarget->reason.empty())
        pTarget->reason = pszMessage ? pszMessage : "libpng error";
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// libpng reports errors by longjmp, so nothing here may need a destructor.
bool WriteRows(png_structp png, png_infop info, SPngTarget* pTarget, const std::uint8_t* pRgb)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, pTarget, WriteData, FlushNothing);
    // Speed over size: a ten-second capture is 1,000 files. Without row filters at level 1 a
    // frame takes a fifth of the time of libpng's defaults and the files come out no larger.
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, kScreenWidth, kScreenHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < kScreenHeight; ++y)
        png_write_row(png, pRgb + static_cast<std::size_t>(y) * kScreenWidth * 3);
    png_write_end(png, nullptr);
    return true;
}

// Writes `path` whole or not at all; `reason` says why not.
bool WritePng(const std::string& path, const std::uint8_t* pRgb, std::string& reason)
{
    const std::string temporary = path + kTemporarySuffix;
    SetPartialFile(temporary.c_str());
    SPngTarget target{std::fopen(temporary.c_str(), "wb"), {}};
    if (!target.pFile) {
        reason = std::strerror(errno);
        SetPartialFile(nullptr);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &target, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool bWritten = png && info && WriteRows(png, info, &target, pRgb);
    png_destroy_write_struct(&png, &info);
    reason = target.reason;
    // Most of a frame sits in the stream's buffer until here: a full disk often shows only now.
    if (std::fclose(target.pFile) != 0 && bWritten) {
        reason = std::strerror(errno);
        bWritten = false;
    }
    if (bWritten && std::rename(temporary.c_str(), path.c_str()) != 0) {
        reason = std::strerror(errno);
        bWritten = false;
    }
    if (bWritten)
        SetPartialFile(nullptr);
    else
        RemovePartialFile();
    if (!bWritten && reason.empty())
        reason = png && info ? "write error" : "out of memory";
    return bWritten;
}

}  // namespace

bool PrepareCaptureFolder(const std::string& dir, bool bReplace, std::string& message, int& nStatus)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(dir, error);
    std::vector<fs::path> frames;
    if (!error) {
        for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
            if (IsFrameFileName(it->path().filename().string()))
                frames.push_back(it->path());
    }
    nStatus = 1;
    if (error) {
        message = "korvan: cannot use capture folder " + dir + ": " + error.message() + "\n";
        return false;
    }
    std::sort(frames.begin(), frames.end());
    if (!frames.empty() && !bReplace) {
        nStatus = 2;
        message = "korvan: " + dir + " already holds " + std::to_string(frames.size()) +
                  " frame files of an earlier capture (such as " +
                  frames.front().filename().string() +
                  "); add --replace-frames to replace them, or capture into another folder\n";
        return false;
    }
    for (const fs::path& frame : frames) {
        if (!fs::remove(frame, error) && error) {
            message = "korvan: cannot remove " + frame.string() + ": " + error.message() + "\n";
            return false;
        }
    }
    return true;
}

bool IsCapturing()
{
    return !g_Settings.captureDir.empty() && !g_bCaptureFailed;
}

void CaptureFrame(int nFrame, const std::uint8_t* pRgb)
{
    if (!IsCapturing())
        return;
    char szName[32];
    std::snprintf(szName, sizeof(szName), "/frame-%06d.png", nFrame);
    const std::string path = g_Settings.captureDir + szName;
    std::string reason;
    if (WritePng(path, pRgb, reason))
        return;
    std::fprintf(stderr, "korvan: cannot write %s: %s; the run ends here (earlier frames are complete)\n",
                 path.c_str(), reason.c_str());
    g_bCaptureFailed = true;
    RequestEnd(1);
}

void ResetCapture()
{
    g_bCaptureFailed = false;
}

}  // namespace portable
