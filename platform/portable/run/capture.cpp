// PNG capture of the portable platform (--capture): the folder made ready (an earlier run's
// frames refused or replaced, never mixed in), and each presented frame written with libpng
// under a temporary name, renamed when complete, so that a frame-NNNNNN.png that exists is
// always whole. Any failure ends the run (status 1) with the file and the reason. One capture
// at a time per folder: the folder is locked (flock) for as long as the run lives.
#include "capture.h"

#include "../sdk/display_format.h"
#include "../testing/faults.h"
#include "ending.h"

#include <fcntl.h>
#include <png.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace portable {
namespace {

const char kTemporarySuffix[] = ".tmp";
std::string g_Folder;  // empty: no capture
bool g_bCaptureFailed = false;
int g_nFolderLock = -1;  // the capture folder, open and flock()ed; -1: none held

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

void UnlockFolder()
{
    if (g_nFolderLock >= 0)
        close(g_nFolderLock);
    g_nFolderLock = -1;
}

// Who holds the flock on the open file `fd`: "process N (name)" from the kernel's list of
// locks, or a plain "another process" where that list is not to be had.
std::string LockHolder(int fd)
{
    struct stat st;
    std::ifstream locks("/proc/locks");
    if (fstat(fd, &st) != 0 || !locks)
        return "another process";
    std::ostringstream id;  // the list names a file as major:minor:inode, the first two in hex
    id << std::hex << std::setfill('0') << std::setw(2) << major(st.st_dev) << ':' << std::setw(2)
       << minor(st.st_dev) << ':' << std::dec << st.st_ino;
    std::string line;
    while (std::getline(locks, line)) {
        // "1: FLOCK  ADVISORY  WRITE 4242 fe:00:1311 0 EOF" ("->" lines are waiters)
        std::istringstream fields(line);
        std::string number, kind, mode, access, pid, file;
        fields >> number >> kind >> mode >> access >> pid >> file;
        if (kind != "FLOCK" || file != id.str())
            continue;
        std::string name;
        std::getline(std::ifstream("/proc/" + pid + "/comm"), name);
        return "process " + pid + (name.empty() ? "" : " (" + name + ")");
    }
    return "another process";
}

// Takes the folder for this run. The lock is the system's, dropped whatever ends the holder,
// so a killed run never blocks the next; frame files are only looked at once it is held.
bool LockFolder(const std::string& dir, std::string& message, int& nStatus)
{
    UnlockFolder();
    nStatus = 1;
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        message = "korvan: cannot use capture folder " + dir + ": " + std::strerror(errno) + "\n";
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int nError = errno;
        if (nError == EWOULDBLOCK) {
            nStatus = 2;
            message = "korvan: capture folder " + dir + " is in use by another capture, " +
                      LockHolder(fd) + "; let it end first, or capture into another folder\n";
        } else {
            message = "korvan: cannot lock capture folder " + dir + ": " + std::strerror(nError) + "\n";
        }
        close(fd);
        return false;
    }
    g_nFolderLock = fd;
    return true;
}

// A dangling symbolic link on the way to `dir` (the folder itself or one above it): its name
// and where it points, or an empty string.
std::string DanglingLinkIn(const std::filesystem::path& dir)
{
    namespace fs = std::filesystem;
    std::error_code error;
    for (fs::path p = dir; !p.empty() && p != p.root_path(); p = p.parent_path()) {
        if (fs::is_symlink(p, error) && !fs::exists(p, error))
            return p.string() + " is a symbolic link to " + fs::read_symlink(p, error).string() +
                   ", which does not exist";
    }
    return "";
}

}  // namespace

bool PrepareCaptureFolder(const std::string& dir, bool bReplace, std::string& message, int& nStatus)
{
    namespace fs = std::filesystem;
    nStatus = 1;
    std::error_code error;
    fs::create_directories(dir, error);
    if (error) {
        const std::string dangling = DanglingLinkIn(dir);
        message = "korvan: cannot use capture folder " + dir + ": " +
                  (dangling.empty() ? error.message()
                                    : dangling + "; create the folder it points to, or capture into another") +
                  "\n";
        return false;
    }
    if (!LockFolder(dir, message, nStatus))
        return false;
    std::vector<fs::path> frames;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error))
        if (IsFrameFileName(it->path().filename().string()))
            frames.push_back(it->path());
    if (error) {
        message = "korvan: cannot use capture folder " + dir + ": " + error.message() + "\n";
        return false;
    }
    std::sort(frames.begin(), frames.end());
    if (!frames.empty() && !bReplace) {
        nStatus = 2;
        const bool bOne = frames.size() == 1;
        message = "korvan: " + dir + " already holds " + std::to_string(frames.size()) +
                  (bOne ? " frame file" : " frame files") + " of an earlier capture (such as " +
                  frames.front().filename().string() + "); add --replace-frames to replace " +
                  (bOne ? "it" : "them") + ", or capture into another folder\n";
        return false;
    }
    for (const fs::path& frame : frames) {
        if (!fs::remove(frame, error) && error) {
            message = "korvan: cannot remove " + frame.string() + ": " + error.message() + "\n";
            return false;
        }
    }
    g_Folder = dir;
    return true;
}

bool IsCapturing()
{
    return !g_Folder.empty() && !g_bCaptureFailed;
}

void CaptureFrame(int nFrame, const std::uint8_t* pRgb)
{
    if (!IsCapturing())
        return;
    char szName[32];
    std::snprintf(szName, sizeof(szName), "/frame-%06d.png", nFrame);
    const std::string path = g_Folder + szName;
    std::string reason;
    if (WritePng(path, pRgb, reason))
        return;
    std::fprintf(stderr, "korvan: cannot write %s: %s; the run ends here (earlier frames are complete)\n",
                 path.c_str(), reason.c_str());
    g_bCaptureFailed = true;
    RequestEnd(1);
}

void SetCaptureFolder(const std::string& dir)
{
    g_Folder = dir;
}

void ResetCapture()
{
    g_Folder.clear();
    g_bCaptureFailed = false;
    UnlockFolder();
}

}  // namespace portable
