// What the user asked the portable program to be, read from the command line (options.cpp)
// where the run starts (startup.cpp), which hands each module the part it needs.
#pragma once

#include "../../winapi.h"
#include "../display/display.h"
#include "../sdk/display_format.h"

#include <string>
#include <vector>

namespace portable {

struct SKeyAt {
    int nFrame;  // pressed after this many presented frames
    UINT nVk;
};

struct CSettings {
    bool bHeadless = false;    // --headless: start-up chooses the headless display
    bool bWindowed = false;
    bool bVsync = true;        // flips wait for the display's refresh where it has one
    bool bDrawnBoxes = false;  // message boxes drawn in our window even where the system has them
    Scaling scaling = Scaling::Sharp;              // how the picture is scaled to the screen
    DisplayFormat format = DisplayFormat::Rgb565;  // what a 16-bit display mode gives
    std::string captureDir;                        // empty: no capture
    bool bReplaceFrames = false;                   // frames already in captureDir may go
    int nFrames = 0;                               // 0: run until the program ends
    std::vector<SKeyAt> keys;
};

}  // namespace portable
