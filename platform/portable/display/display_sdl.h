// Shared by the files of the SDL display: display_sdl.cpp (the intro's window and its picture),
// display_sdl_input.cpp (events), display_sdl_boxes.cpp (message boxes: the system's, or drawn,
// in the intro's window or one of their own) and display_sdl_server.cpp (the connection to the
// display server). The display's state is one struct, as an SDL backend keeps its
// device data; nothing outside these files sees it.
#pragma once

#include "area_scaler.h"
#include "display.h"
#include "drawn_box.h"

#include <SDL.h>

#include <cstdint>
#include <list>
#include <vector>

namespace portable::sdl {

// A message box while it is up. A drawn one is in the intro's window over its picture, or,
// when that window is not on the screen, in a window of its own; the system's has been
// answered already when it is here (box.rgb is empty).
struct CBoxUp {
    SDrawnBox box;
    SDL_Window* pWindow = nullptr;  // its own window, or nullptr: drawn in the intro's
    SDL_Renderer* pRenderer = nullptr;
    SDL_Texture* pTexture = nullptr;
    int nLeft = 0, nTop = 0;  // in the intro's window: the box's place over its picture
    bool bPressed = false;    // the mouse went down on OK
    bool bDone = false;
};

struct CState {
    SDisplayOptions options;
    bool bStarted = false;
    SDL_Window* pWindow = nullptr;
    SDL_Renderer* pRenderer = nullptr;
    SDL_Texture* pTexture = nullptr;
    // Sharp scaling by the renderer: the picture enlarged by a whole multiple, filtered down
    // when drawn.
    SDL_Texture* pEnlarged = nullptr;
    int nEnlargedMultiple = 0;
    bool bEnlargedCurrent = false;  // it holds the texture's picture as it is now
    // Sharp scaling on the CPU, where the renderer draws in software: the picture in memory,
    // scaled into a texture of the size shown, drawn 1:1.
    bool bScaleOnCpu = false;
    std::vector<std::uint32_t> picture;  // X-R-G-B words, 640x480: the scaler's source
    CAreaScaler scaler;
    SDL_Texture* pScaled = nullptr;
    int nScaledWidth = 0, nScaledHeight = 0;
    bool bScaledCurrent = false;  // it holds the picture and the box over it as they are now
    bool bHasPicture = false;      // a flip showed a picture in this window: drawn again when exposed
    bool bTextureCurrent = false;  // the texture holds that picture and the box over it, if any
    bool bFullscreen = false;
    bool bPointerNews = false;  // the window just appeared, perhaps under the pointer
    int nXFd = -1;              // the X connection, to sleep on; -1: poll instead
    bool bWindowManager = true; // a window manager gives windows the keyboard (X11 without one: no)
    // The innermost last. A list, not a deque: a deque allocates as it is made, before main(),
    // where running out of memory cannot be told in one line; and a list keeps pBox valid as
    // boxes come.
    std::list<CBoxUp> boxes;
    CBoxUp* pBox = nullptr;  // the innermost, or nullptr
};
extern CState g_State;

// ---- display_sdl.cpp ----
// Draws the intro's window again, its texture uploaded anew only when what it should hold changed.
void Redraw();
// After a change of size: drawn twice (the first present may still go out at the old size).
void RedrawResized();
// Switches the intro's window to or from fullscreen, carried out in full before it returns.
void SetFullscreen(bool bFullscreen);
// What the window should show changed (a flip, a box drawn in it came or went): its textures
// are made anew when it is next drawn.
void PictureChanged();

// ---- display_sdl_input.cpp ----
// Turns SDL's events into window messages; waits first for up to `waitMs` for one to come.
void PumpEvents(DWORD waitMs);

// ---- display_sdl_boxes.cpp ----
bool IsBoxInMainWindow();
// A box drawn in the intro's window, laid over its picture's X-R-G-B words.
void DrawBoxOverPicture(std::uint8_t* pBytes, int nPitch);
// Input while a box is up: the keys and clicks that answer it, and its own window's events
// (true when the event was the box window's).
void HandleBoxKey(const SDL_KeyboardEvent& key);
void HandleBoxClick(const SDL_MouseButtonEvent& button);
bool HandleBoxWindowEvent(const SDL_WindowEvent& event);
bool ShowBox(const char* pszText, const char* pszCaption);
bool BoxUp();
void CloseBox();

// ---- display_sdl_server.cpp ----
// On X11, from the start: a connection that fails ends the run in korvan's words, not Xlib's.
void WatchXServer();
// Learns the display server's connection from the first window: the X connection to sleep on
// (nXFd), whether a window manager runs, and the end of the run when the server goes away.
void WatchServer(SDL_Window* pWindow);
// The server went away: the run ends here (EndForLostDisplay); nothing more may be asked of it.
void EndIfServerGone();
void StopWatchingServer();

}  // namespace portable::sdl
