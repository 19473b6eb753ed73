// The greetings scroller: one line of text running right to left along a moving sine wave at
// the bottom of the screen, drawn with GDI text output on a DirectDraw surface's DC.
// Depends on the seam (winapi.h) and the texts (texts.h).
#pragma once

#include <cstdint>

#include "winapi.h"

// Scroll position in pixels, a multiple of 7; advanced once per drawn frame.
extern std::uint32_t g_nScrollPos;

constexpr std::uint32_t kScrollStep = 7;
constexpr std::uint32_t kScrollWrap = 9500;   // past this the line starts over at the right

// The position after `pos` (one frame later).
std::uint32_t NextScrollPos(std::uint32_t pos);
// Text colour at position `pos`: grey-violet whose blue part cycles every 100 pixels.
COLORREF GreetingsColor(std::uint32_t pos);
// Top-left corner of character `index`'s cell at position `pos`.
int GreetingX(int index, std::uint32_t pos);
int GreetingY(int index, std::uint32_t pos);

// Advances g_nScrollPos, then draws the whole line on `surface`. A surface whose DC cannot be
// had gets no text this frame.
void DrawGreetings(IDirectDrawSurface* surface);
