// Input of the SDL display: SDL's events turned into window messages (keys as virtual-key
// codes, focus, the window manager's close, the pointer), Alt+Enter, and the wait for the next
// event. While a box is up its keys and clicks go to the box (display_sdl_boxes.cpp).
#include "display_sdl.h"

#include <poll.h>

namespace portable::sdl {
namespace {

// Virtual-key code of an SDL key; 0 for keys the program never sees.
UINT VirtualKeyOf(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return static_cast<UINT>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9)
        return static_cast<UINT>('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return static_cast<UINT>(VK_F1 + (key - SDLK_F1));
    switch (key) {
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
    default: return 0;
    }
}

void HandleKey(const SDL_KeyboardEvent& key)
{
    const bool bAltEnter = key.keysym.sym == SDLK_RETURN && (key.keysym.mod & KMOD_ALT);
    if (bAltEnter) {
        // A platform shortcut, as the desktop's own would be; it switches the intro's window,
        // also with a box drawn in it.
        if (key.type == SDL_KEYDOWN && !key.repeat && (!g_State.pBox || IsBoxInMainWindow()))
            SetFullscreen(!g_State.bFullscreen);
        return;
    }
    if (g_State.pBox) {
        HandleBoxKey(key);
        return;
    }
    // Keys come from the events themselves: pushed events never reach SDL's keyboard state.
    if (UINT nVk = VirtualKeyOf(key.keysym.sym))
        PostKeyMessage(key.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, nVk);
}

void HandleWindowEvent(const SDL_WindowEvent& event)
{
    if (HandleBoxWindowEvent(event))
        return;
    switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        SetAppActive(true);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        SetAppActive(false);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        Redraw();
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        RedrawResized();
        break;
    case SDL_WINDOWEVENT_CLOSE:
        // The close button of a window holding a box belongs to the box.
        if (IsBoxInMainWindow())
            g_State.pBox->bDone = true;
        break;
    default:
        break;
    }
}

// Waits up to waitMs for an SDL event. Not SDL_WaitEventTimeout: SDL 2.26 on X11 ends that wait
// by sending an event to one of our windows over a second X connection, and when the window is
// destroyed just after (a box closed by the click that woke the wait) the server answers that
// connection with BadWindow, which Xlib's default handler turns into exit(1) at SDL_Quit. On X11
// the wait sleeps on the X connection instead: SDL_PollEvent has just read and queued all that
// came, so what wakes the sleep is new. Elsewhere it polls each millisecond, as SDL itself does
// when it has no window to wake. A signal cuts the wait short.
bool WaitEvent(SDL_Event& event, Uint32 waitMs)
{
    const Uint32 nStart = SDL_GetTicks();
    for (;;) {
        if (SDL_PollEvent(&event))
            return true;
        const Uint32 nGone = SDL_GetTicks() - nStart;
        if (nGone >= waitMs)
            return false;
        if (g_State.nXFd < 0) {
            SDL_Delay(1);
            continue;
        }
        pollfd connection{g_State.nXFd, POLLIN, 0};
        if (poll(&connection, 1, static_cast<int>(waitMs - nGone)) < 0)
            return false;
    }
}

void HandleEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT:
        // The window manager's close button, like Alt+F4 on Windows; with a box up it is the
        // box's close (handled with the window's event).
        if (!g_State.pBox)
            PostCloseToMainWindow();
        break;
    case SDL_WINDOWEVENT:
        HandleWindowEvent(event.window);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        HandleKey(event.key);
        break;
    case SDL_MOUSEMOTION:
        SendSetCursorToMainWindow();
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (g_State.pBox)
            HandleBoxClick(event.button);
        break;
    default:
        break;
    }
}

}  // namespace

void PumpEvents(DWORD waitMs)
{
    if (!g_State.bStarted)
        return;
    if (g_State.bPointerNews) {
        // A window appearing under the pointer gets WM_SETCURSOR without any mouse motion.
        g_State.bPointerNews = false;
        SendSetCursorToMainWindow();
    }
    SDL_Event event;
    if (waitMs > 0 && WaitEvent(event, waitMs))
        HandleEvent(event);
    while (SDL_PollEvent(&event))
        HandleEvent(event);
    // A compositor that went away comes as a close (SDL_QUIT): before the close shows the
    // credits on the dead connection, the run ends.
    EndIfServerGone();
}

}  // namespace portable::sdl
