// PNG capture of the portable platform (--capture): the folder made ready (an earlier run's
// frames refused or replaced, never mixed in), and each presented frame written with libpng
// under a temporary name, renamed when complete, so that a frame-NNNNNN.png that exists is
// always whole. Any failure ends the run (status 1) with the file and the reason. One capture
// at a time per folder: the folder is locked (flock) for as long as the run lives. The folder
// is opened once and everything after goes through that descriptor, so the folder that was
// checked and locked is the one written, whatever is renamed or relinked under its path.
#include "capture.h"

#include "../sdk/display_format.h"
#include "../testing/faults.h"
#include "ending.h"

#include <dirent.h>
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
std::string g_Folder;  // as the user named it, for messages; empty: no capture
bool g_bCaptureFailed = false;
int g_nFolder = -1;    // the capture folder, open (and flock()ed when prepared); -1: none held

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

// A new file `name` in the capture folder, opened as fopen(name, "wb") would.
std::FILE* CreateInFolder(const char* name)
{
    const int fd = openat(g_nFolder, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    std::FILE* pFile = fdopen(fd, "wb");
    if (!pFile) {
        const int nError = errno;
        close(fd);
        errno = nError;
    }
    return pFile;
}

// Writes `name` in the capture folder whole or not at all; `reason` says why not.
bool WritePng(const std::string& name, const std::uint8_t* pRgb, std::string& reason)
{
    const std::string temporary = name + kTemporarySuffix;
    SetPartialFile(g_nFolder, temporary.c_str());
    SPngTarget target{CreateInFolder(temporary.c_str()), {}};
    if (!target.pFile) {
        reason = std::strerror(errno);
        SetPartialFile(-1, nullptr);
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
    if (bWritten && renameat(g_nFolder, temporary.c_str(), g_nFolder, name.c_str()) != 0) {
        reason = std::strerror(errno);
        bWritten = false;
    }
    if (bWritten)
        SetPartialFile(-1, nullptr);
    else
        RemovePartialFile();
    if (!bWritten && reason.empty())
        reason = png && info ? "write error" : "out of memory";
    return bWritten;
}

void CloseFolder()
{
    if (g_nFolder >= 0)
        close(g_nFolder);
    g_nFolder = -1;
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
    CloseFolder();
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
    g_nFolder = fd;
    return true;
}

// The names in the open folder `nFolder` that CaptureFrame's files could have, sorted; false
// with errno set when the folder cannot be read.
bool ListFrameFiles(int nFolder, std::vector<std::string>& names)
{
    // A description of its own, so that reading it moves no offset of the held one.
    const int fd = openat(nFolder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* pDir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!pDir) {
        const int nError = errno;
        if (fd >= 0)
            close(fd);
        errno = nError;
        return false;
    }
    errno = 0;
    while (const dirent* pEntry = readdir(pDir)) {
        if (IsFrameFileName(pEntry->d_name))
            names.push_back(pEntry->d_name);
        errno = 0;
    }
    const int nError = errno;
    closedir(pDir);
    std::sort(names.begin(), names.end());
    errno = nError;
    return nError == 0;
}

// Removes `name` from the open folder `nFolder` as remove(3) would: a file, or an empty folder.
bool RemoveFromFolder(int nFolder, const std::string& name)
{
    return unlinkat(nFolder, name.c_str(), 0) == 0 ||
           (errno == EISDIR && unlinkat(nFolder, name.c_str(), AT_REMOVEDIR) == 0);
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
    std::vector<std::string> frames;
    if (!ListFrameFiles(g_nFolder, frames)) {
        message = "korvan: cannot use capture folder " + dir + ": " + std::strerror(errno) + "\n";
        CloseFolder();
        return false;
    }
    if (!frames.empty() && !bReplace) {
        nStatus = 2;
        const bool bOne = frames.size() == 1;
        message = "korvan: " + dir + " already holds " + std::to_string(frames.size()) +
                  (bOne ? " frame file" : " frame files") + " of an earlier capture (such as " +
                  frames.front() + "); add --replace-frames to replace " +
                  (bOne ? "it" : "them") + ", or capture into another folder\n";
        CloseFolder();
        return false;
    }
    for (const std::string& frame : frames) {
        if (!RemoveFromFolder(g_nFolder, frame)) {
            message = "korvan: cannot remove " + (fs::path(dir) / frame).string() + ": " +
                      std::strerror(errno) + "\n";
            CloseFolder();
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
    std::snprintf(szName, sizeof(szName), "frame-%06d.png", nFrame);
    std::string reason;
    if (WritePng(szName, pRgb, reason))
        return;
    std::fprintf(stderr, "korvan: cannot write %s/%s: %s; the run ends here (earlier frames are complete)\n",
                 g_Folder.c_str(), szName, reason.c_str());
    g_bCaptureFailed = true;
    RequestEnd(1);
}

void SetCaptureFolder(const std::string& dir)
{
    CloseFolder();
    g_Folder = dir;
    if (!dir.empty())
        g_nFolder = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

void ResetCapture()
{
    g_Folder.clear();
    g_bCaptureFailed = false;
    CloseFolder();
}

}  // namespace portable
