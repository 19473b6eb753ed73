// The baseline of Play/Program (present_bench.cpp): what any SDL2 program pays to show a
// 640x480 picture every 10 ms, desktop-fullscreen and letterboxed as the intro is. It runs
// until it is closed or sent SIGTERM (which SDL turns into SDL_QUIT). Its window takes the
// desktop's size up front, as the program's does: on an X server without a window manager
// nobody carries out the fullscreen request, and a window left at 640x480 would draw a quarter
// of the pixels, which is no baseline for a program that fills the screen.
#include <SDL.h>

#include <cstdint>
#include <vector>

int main(int, char**)
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return 1;
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    SDL_DisplayMode desktop;
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0)
        return 1;
    SDL_Window* pWindow = SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                           desktop.w, desktop.h, SDL_WINDOW_FULLSCREEN_DESKTOP);
    SDL_Renderer* pRenderer = pWindow ? SDL_CreateRenderer(pWindow, -1, SDL_RENDERER_ACCELERATED) : nullptr;
    SDL_Texture* pTexture = pRenderer ? SDL_CreateTexture(pRenderer, SDL_PIXELFORMAT_ARGB8888,
                                                          SDL_TEXTUREACCESS_STREAMING, 640, 480)
                                      : nullptr;
    if (!pTexture)
        return 1;
    SDL_RenderSetLogicalSize(pRenderer, 640, 480);
    std::vector<std::uint32_t> pixels(640 * 480);
    Uint32 nDue = SDL_GetTicks();
    for (std::uint32_t nFrame = 0;; ++nFrame) {
        SDL_Event event;
        while (SDL_PollEvent(&event))
            if (event.type == SDL_QUIT)
                return 0;
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 37 + nFrame);
        SDL_UpdateTexture(pTexture, nullptr, pixels.data(), 640 * 4);
        SDL_RenderClear(pRenderer);
        SDL_RenderCopy(pRenderer, pTexture, nullptr, nullptr);
        SDL_RenderPresent(pRenderer);
        nDue += 10;
        const Uint32 nNow = SDL_GetTicks();
        if (static_cast<std::int32_t>(nDue - nNow) > 0)
            SDL_Delay(nDue - nNow);
        else
            nDue = nNow;
    }
}
