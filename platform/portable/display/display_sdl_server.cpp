// The SDL display's connection to its display server, the X server or the Wayland compositor:
// what ends the run when the server goes away, and whether a window manager looks after the
// windows. SDL keeps the connection to itself; the client libraries it talks through are
// loaded by SDL already and found here by name (RTLD_NOLOAD), so korvan links neither.
//
// A server that goes away ends the run at once with one line (EndForLostDisplay): every call
// on a dead connection may wait for ever (libwayland's dispatch does). It is noticed three ways:
// Xlib's I/O error handler, the connection's end seen after each turn of events (Wayland, where
// SDL would only report a close), and a crash while the connection is dead (Mesa's GLX reads
// the X server's replies through xcb, past Xlib, and dereferences the null reply it gets when
// the server was killed as the renderer was made). A crash on a live connection stays a crash.
#include "display_sdl.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>

#include <dlfcn.h>
#include <signal.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace portable::sdl {
namespace {

int g_nServerFd = -1;      // the connection's socket, once a window told it; -1: none
char g_szServer[128] = ""; // the server's name for the line that says it went away
bool g_bGuarding = false;  // OnCrash is installed; g_PreviousCrash is what it replaced
struct sigaction g_PreviousCrash;

// A symbol of a library that is loaded already (by SDL), or nullptr.
template <typename TFunction>
TFunction* LoadedSymbol(const char* pszLibrary, const char* pszName)
{
    void* pLibrary = dlopen(pszLibrary, RTLD_LAZY | RTLD_NOLOAD);
    return pLibrary ? reinterpret_cast<TFunction*>(dlsym(pLibrary, pszName)) : nullptr;
}

// Whether the server closed the connection: its end has been reached, or it was cut. Reads
// nothing, so neither Xlib nor libwayland misses a byte; safe in a signal handler.
bool ServerGone()
{
    if (g_nServerFd < 0)
        return false;
    const int nSavedErrno = errno;
    char c;
    const ssize_t n = recv(g_nServerFd, &c, 1, MSG_PEEK | MSG_DONTWAIT);
    const bool bGone = n == 0 || (n < 0 && (errno == ECONNRESET || errno == ENOTCONN || errno == EPIPE));
    errno = nSavedErrno;
    return bGone;
}

// Xlib calls this when the connection fails; it must not return (Xlib would exit itself).
int OnXConnectionLost(::Display*)
{
    EndForLostDisplay(g_szServer);
}

void OnCrash(int nSignal, siginfo_t* pInfo, void*)
{
    if (ServerGone())
        EndForLostDisplay(g_szServer);
    // Not the server's doing: the crash goes to whoever had it before (the default's core
    // dump, a sanitizer's report). A fault happens again as the handler returns; a signal sent
    // by somebody is sent again.
    sigaction(nSignal, &g_PreviousCrash, nullptr);
    if (pInfo->si_code <= 0)
        raise(nSignal);
}

void GuardAgainstCrashes()
{
    struct sigaction action {};
    action.sa_sigaction = OnCrash;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    g_bGuarding = sigaction(SIGSEGV, &action, &g_PreviousCrash) == 0;
}

// EWMH: a window manager names a window of its own on the root window's
// _NET_SUPPORTING_WM_CHECK, and that window names itself. Stale names of one that has gone
// would make Xlib report a missing window, so its errors are caught meanwhile.
int IgnoreXError(::Display*, XErrorEvent*)
{
    return 0;
}

bool XHasWindowManager(::Display* pDisplay)
{
    auto* pInternAtom = LoadedSymbol<decltype(XInternAtom)>("libX11.so.6", "XInternAtom");
    auto* pGetProperty = LoadedSymbol<decltype(XGetWindowProperty)>("libX11.so.6", "XGetWindowProperty");
    auto* pFree = LoadedSymbol<decltype(XFree)>("libX11.so.6", "XFree");
    auto* pSetErrorHandler = LoadedSymbol<decltype(XSetErrorHandler)>("libX11.so.6", "XSetErrorHandler");
    auto* pSync = LoadedSymbol<decltype(XSync)>("libX11.so.6", "XSync");
    if (!pInternAtom || !pGetProperty || !pFree || !pSetErrorHandler || !pSync)
        return true;  // cannot tell: as if there were one, as before
    const Atom check = pInternAtom(pDisplay, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None)
        return false;
    auto windowNamedBy = [&](Window window) -> Window {
        Atom type = None;
        int nFormat = 0;
        unsigned long nItems = 0, nAfter = 0;
        unsigned char* pData = nullptr;
        Window named = None;
        if (pGetProperty(pDisplay, window, check, 0, 1, False, XA_WINDOW, &type, &nFormat, &nItems,
                         &nAfter, &pData) == Success && type == XA_WINDOW && nFormat == 32 && nItems == 1)
            named = *reinterpret_cast<Window*>(pData);
        if (pData)
            pFree(pData);
        return named;
    };
    pSync(pDisplay, False);
    const XErrorHandler previous = pSetErrorHandler(IgnoreXError);
    const Window wm = windowNamedBy(DefaultRootWindow(pDisplay));
    const bool bManaged = wm != None && windowNamedBy(wm) == wm;
    pSync(pDisplay, False);
    pSetErrorHandler(previous);
    return bManaged;
}

}  // namespace

void WatchXServer()
{
    const char* pszDriver = SDL_GetCurrentVideoDriver();
    if (!pszDriver || std::strcmp(pszDriver, "x11") != 0)
        return;
    const char* pszName = std::getenv("DISPLAY");
    std::snprintf(g_szServer, sizeof g_szServer, "the X server \"%s\"", pszName ? pszName : "");
    if (auto* pSetIOErrorHandler =
            LoadedSymbol<decltype(XSetIOErrorHandler)>("libX11.so.6", "XSetIOErrorHandler"))
        pSetIOErrorHandler(OnXConnectionLost);
}

void WatchServer(SDL_Window* pWindow)
{
    if (g_nServerFd >= 0)
        return;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(pWindow, &info))
        return;
    if (info.subsystem == SDL_SYSWM_X11) {
        ::Display* pDisplay = info.info.x11.display;
        g_nServerFd = ConnectionNumber(pDisplay);
        g_State.nXFd = g_nServerFd;
        g_State.bWindowManager = XHasWindowManager(pDisplay);
    } else if (info.subsystem == SDL_SYSWM_WAYLAND) {
        auto* pGetFd = LoadedSymbol<int(wl_display*)>("libwayland-client.so.0", "wl_display_get_fd");
        if (!pGetFd)
            return;
        g_nServerFd = pGetFd(info.info.wl.display);
        const char* pszName = std::getenv("WAYLAND_DISPLAY");
        std::snprintf(g_szServer, sizeof g_szServer, "the Wayland compositor \"%s\"",
                      pszName && *pszName ? pszName : "wayland-0");
    } else {
        return;
    }
    GuardAgainstCrashes();
}

void EndIfServerGone()
{
    if (ServerGone())
        EndForLostDisplay(g_szServer);
}

void StopWatchingServer()
{
    if (g_bGuarding)
        sigaction(SIGSEGV, &g_PreviousCrash, nullptr);
    g_bGuarding = false;
    g_nServerFd = -1;
    g_State.nXFd = -1;
    g_State.bWindowManager = true;
}

}  // namespace portable::sdl
